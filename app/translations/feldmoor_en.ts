<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Widget</name>
    <message>
        <source>Widget</source>
        <translation>Widget</translation>
    </message>
    <message>
        <source>选择FPGA型号</source>
        <translation>FPGA part</translation>
    </message>
    <message>
        <source>选择下载文件类型</source>
        <translation>File type</translation>
    </message>
    <message>
        <source>BIT</source>
        <translation>BIT</translation>
    </message>
    <message>
        <source>BIN</source>
        <translation>BIN</translation>
    </message>
    <message>
        <source>选择硬件时钟</source>
        <translation>JTAG clock</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>选择下载文件</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>当前无设备连接</source>
        <translation>No device connected</translation>
    </message>
    <message>
        <source>清屏</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>设备已插入</source>
        <translation>Device plugged in</translation>
    </message>
    <message>
        <source>下载失败 (程序异常退出)</source>
        <translation>Download failed (the tool crashed)</translation>
    </message>
    <message>
        <source>下载失败 (退出码 %1)</source>
        <translation>Download failed (exit code %1)</translation>
    </message>
    <message>
        <source>BIN 文件下载完成.</source>
        <translation>BIN file downloaded.</translation>
    </message>
    <message>
        <source>BIT 文件下载完成.</source>
        <translation>BIT file downloaded.</translation>
    </message>
    <message>
        <source>请等待程序运行结束...</source>
        <translation>Please wait for the tool to finish...</translation>
    </message>
    <message>
        <source>下载程序关闭成功</source>
        <translation>Download tool closed</translation>
    </message>
    <message>
        <source>下载中</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>Cannot find matching file.</source>
        <translation>Cannot find matching file.</translation>
    </message>
    <message>
        <source>下载程序启动成功</source>
        <translation>Download tool started</translation>
    </message>
    <message>
        <source>下载程序启动失败</source>
        <translation>Download tool failed to start</translation>
    </message>
    <message>
        <source>Choose the download file.</source>
        <translation>Choose the download file.</translation>
    </message>
    <message>
        <source>检测到设备已插入</source>
        <translation>Device detected</translation>
    </message>
</context>
</TS>
