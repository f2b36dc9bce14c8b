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
    <message>
        <source>下载所用的适配器 (USB 位置)</source>
        <translation>The adapter to download through (USB location)</translation>
    </message>
    <message>
        <source>下载失败 (文件放不下: flash 只装下了文件 %1 字节中的前 %2 字节)</source>
        <translation>Download failed (the file does not fit: the flash holds only the first %2 of its %1 bytes)</translation>
    </message>
    <message>
        <source>下载失败 (文件放不下: flash 只装下了文件的开头)</source>
        <translation>Download failed (the file does not fit: the flash holds only its start)</translation>
    </message>
    <message>
        <source>未检查 DONE (%1 的 DONE 不读取)</source>
        <translation>DONE not checked (it is not read for %1)</translation>
    </message>
    <message>
        <source>状态读取没有给出状态寄存器, DONE 未知</source>
        <translation>The status read gave no status register; DONE is unknown</translation>
    </message>
    <message>
        <source>下载失败 (flash 中已是该文件, 但 FPGA 没有从它启动: DONE 为低, 状态寄存器 %1)</source>
        <translation>Download failed (the flash holds the file, but the FPGA did not start from it: DONE low, status register %1)</translation>
    </message>
    <message>
        <source>下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1; 板上的 FPGA 是 %2, 文件是为 %3 生成的)</source>
        <translation>Download failed (the FPGA did not take the configuration: DONE low, status register %1; the board holds %2, the file is made for %3)</translation>
    </message>
    <message>
        <source>下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1)</source>
        <translation>Download failed (the FPGA did not take the configuration: DONE low, status register %1)</translation>
    </message>
    <message>
        <source>下载失败 (适配器 %1 正被 feldmoor-cli (进程 %2) 使用, 请等它结束)</source>
        <translation>Download failed (adapter %1 is in use by feldmoor-cli (process %2); wait for it to finish)</translation>
    </message>
    <message>
        <source>下载失败 (适配器 %1 正被另一个 Feldmoor 窗口 (进程 %2) 使用, 请等它结束)</source>
        <translation>Download failed (adapter %1 is in use by another Feldmoor window (process %2); wait for it to finish)</translation>
    </message>
    <message>
        <source>器件检查: JTAG 链上的器件 (IDCODE 0x%1) 不在器件列表中, 继续下载</source>
        <translation>Part check: the device on the JTAG chain (IDCODE 0x%1) is not in the part list; going on</translation>
    </message>
    <message>
        <source>器件检查: 未能读取 JTAG 链上的器件, 继续下载</source>
        <translation>Part check: the device on the JTAG chain could not be read; going on</translation>
    </message>
    <message>
        <source>下载取消: 板上的 FPGA 是 %1, 文件是为 %2 生成的; flash 未改动</source>
        <translation>Download cancelled: the board holds %1, the file is made for %2; the flash is unchanged</translation>
    </message>
    <message>
        <source>下载取消: 板上的 FPGA 是 %1, 所选器件是 %2; flash 未改动</source>
        <translation>Download cancelled: the board holds %1, the chosen part is %2; the flash is unchanged</translation>
    </message>
    <message>
        <source>下载失败 (flash 扇区擦除又一次短于 10 ms, 已重新开始 %1 次: 请检查 flash 芯片及其写保护)</source>
        <translation>Download failed (a flash sector erase took under 10 ms again after %1 restarts: check the flash chip and its write protection)</translation>
    </message>
    <message>
        <source> (序列号 %1)</source>
        <translation> (serial %1)</translation>
    </message>
    <message>
        <source>已连接 %1 个设备</source>
        <translation>%1 adapters connected</translation>
    </message>
    <message>
        <source>下载失败 (状态寄存器读出 %1: JTAG 链上没有器件应答, FPGA 没有配置)</source>
        <translation>Download failed (the status register read %1: nothing answers on the JTAG chain, the FPGA is not configured)</translation>
    </message>
    <message>
        <source>下载失败 (适配器在 init 时停止应答, 板上什么也没做)</source>
        <translation>Download failed (the adapter stopped answering during init; nothing was done on the board)</translation>
    </message>
    <message>
        <source>下载失败 (适配器在 init 时停止应答, 板上什么也没做: %1)</source>
        <translation>Download failed (the adapter stopped answering during init; nothing was done on the board: %1)</translation>
    </message>
    <message>
        <source>状态读取 %1 秒内没有结束, 已被结束; DONE 未知</source>
        <translation>The status read did not end within %1 s and was ended; DONE is unknown</translation>
    </message>
    <message>
        <source>器件检查: 检查程序 %1 秒内没有结束, 已被结束</source>
        <translation>Part check: the check did not end within %1 s and was ended</translation>
    </message>
    <message>
        <source>闪存</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>下载已停止: 写入被中断, flash 中可能只有文件的一部分或已被擦除, 请重新下载</source>
        <translation>Download stopped: the write was cut off; the flash may hold only part of the file, or erased sectors; download it again</translation>
    </message>
    <message>
        <source>下载已停止</source>
        <translation>Download stopped</translation>
    </message>
    <message>
        <source>下载已停止; flash 未改动</source>
        <translation>Download stopped; the flash is unchanged</translation>
    </message>
    <message>
        <source>下载已停止; DONE 未检查</source>
        <translation>Download stopped; DONE not checked</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>读出到文件…</source>
        <translation>Read back to file…</translation>
    </message>
    <message>
        <source>擦除</source>
        <translation>Erase</translation>
    </message>
    <message>
        <source>查空</source>
        <translation>Blank check</translation>
    </message>
    <message>
        <source>读出</source>
        <translation>Read back</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>范围超出 flash 或没有按扇区对齐, flash 未改动</source>
        <translation>the range runs past the flash or is not sector-aligned; the flash is unchanged</translation>
    </message>
    <message>
        <source>适配器已拔出</source>
        <translation>the adapter was unplugged</translation>
    </message>
    <message>
        <source>无法写入文件 %1</source>
        <translation>can&apos;t write the file %1</translation>
    </message>
    <message>
        <source>无法写入临时文件</source>
        <translation>can&apos;t write a temporary file</translation>
    </message>
    <message>
        <source>OpenOCD 无法启动</source>
        <translation>OpenOCD could not be started</translation>
    </message>
    <message>
        <source>扇区擦除总是过快, 已放弃</source>
        <translation>the sector erases kept finishing too fast; gave up</translation>
    </message>
    <message>
        <source>板上的器件不符</source>
        <translation>the board&apos;s part does not match</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>flash 与文件不同</source>
        <translation>the flash differs from the file</translation>
    </message>
    <message>
        <source>OpenOCD 出错, 见上面的日志</source>
        <translation>OpenOCD reported an error, see the log above</translation>
    </message>
    <message>
        <source>整个 flash</source>
        <translation>the whole flash</translation>
    </message>
    <message>
        <source>擦除已停止: flash %1 可能已被部分擦除; 板上的 FPGA 是 %2</source>
        <translation>Erase stopped: the flash %1 may be partly erased; the board&apos;s FPGA is %2</translation>
    </message>
    <message>
        <source>%1已停止: flash %2; 板上的 FPGA 是 %3</source>
        <translation>%1 stopped: flash %2; the board&apos;s FPGA is %3</translation>
    </message>
    <message>
        <source>校验成功: flash %1 与文件一致 (%2 字节); 板上的 FPGA 是 %3</source>
        <translation>Verify passed: the flash %1 matches the file (%2 bytes); the board&apos;s FPGA is %3</translation>
    </message>
    <message>
        <source>校验失败: flash %1 与文件不同, 第一个不同的地址是 %2, 至少 %3 个扇区不同; 板上的 FPGA 是 %4</source>
        <translation>Verify failed: the flash %1 differs from the file, first at %2, in at least %3 sectors; the board&apos;s FPGA is %4</translation>
    </message>
    <message>
        <source>校验失败: flash %1 与文件不同, 第一个不同的地址是 %2, %3 个扇区不同; 板上的 FPGA 是 %4</source>
        <translation>Verify failed: the flash %1 differs from the file, first at %2, in %3 sectors; the board&apos;s FPGA is %4</translation>
    </message>
    <message>
        <source>读出完成: flash %1 的 %2 字节已写入 %3; 板上的 FPGA 是 %4</source>
        <translation>Read back: %2 bytes of the flash %1 written to %3; the board&apos;s FPGA is %4</translation>
    </message>
    <message>
        <source>擦除完成: flash %1 的 %2 个扇区已擦除; 板上的 FPGA 是 %3</source>
        <translation>Erased: %2 sectors of the flash %1; the board&apos;s FPGA is %3</translation>
    </message>
    <message>
        <source>查空完成: flash %1 是空的; 板上的 FPGA 是 %2</source>
        <translation>Blank check: the flash %1 is blank; the board&apos;s FPGA is %2</translation>
    </message>
    <message>
        <source>查空失败: flash %1 不是空的, 第一个有数据的地址是 %2; 板上的 FPGA 是 %3</source>
        <translation>Blank check failed: the flash %1 is not blank, first at %2; the board&apos;s FPGA is %3</translation>
    </message>
    <message>
        <source>%1失败 (%2): flash %3; 板上的 FPGA 是 %4</source>
        <translation>%1 failed (%2): flash %3; the board&apos;s FPGA is %4</translation>
    </message>
    <message>
        <source>%1失败 (文件 %2 是空的); 板未改动</source>
        <translation>%1 failed (the file %2 is empty); the board is untouched</translation>
    </message>
    <message>
        <source>%1失败 (%2 不是有效的 .bit 文件); 板未改动</source>
        <translation>%1 failed (%2 is not a valid .bit file); the board is untouched</translation>
    </message>
    <message>
        <source>%1失败 (%2 不是有效的 .mcs 文件); 板未改动</source>
        <translation>%1 failed (%2 is not a valid .mcs file); the board is untouched</translation>
    </message>
    <message>
        <source>%1失败 (无法读取文件 %2); 板未改动</source>
        <translation>%1 failed (can&apos;t read the file %2); the board is untouched</translation>
    </message>
    <message>
        <source>读出失败 (%1 是文件夹, 请给出文件名); 板未改动</source>
        <translation>Read back failed (%1 is a folder: give a file name); the board is untouched</translation>
    </message>
    <message>
        <source>读出失败 (%1 不是普通文件 (设备或管道)); 板未改动</source>
        <translation>Read back failed (%1 is not a regular file (a device or a pipe)); the board is untouched</translation>
    </message>
    <message>
        <source>读出失败 (无法写入 %1); 板未改动</source>
        <translation>Read back failed (can&apos;t write %1); the board is untouched</translation>
    </message>
    <message>
        <source>%1失败 (没有选择文件); 板未改动</source>
        <translation>%1 failed (no file chosen); the board is untouched</translation>
    </message>
    <message>
        <source>%1失败 (JTAG 链上没有器件应答); flash 未改动</source>
        <translation>%1 failed (nothing answered on the JTAG chain); the flash is unchanged</translation>
    </message>
    <message>
        <source>%1失败 (JTAG 链上的器件 (IDCODE %2) 不在器件列表中); flash 未改动</source>
        <translation>%1 failed (the device on the JTAG chain (IDCODE %2) is not in the part list); the flash is unchanged</translation>
    </message>
    <message>
        <source>%1失败 (器件检查没有完成: %2); flash 未改动</source>
        <translation>%1 failed (the part check did not finish: %2); the flash is unchanged</translation>
    </message>
    <message>
        <source>%1取消: 板上的 FPGA 是 %2, 所选器件是 %3; flash 未改动</source>
        <translation>%1 cancelled: the board&apos;s FPGA is %2, the chosen part is %3; the flash is unchanged</translation>
    </message>
    <message>
        <source>擦除取消; flash 未改动</source>
        <translation>Erase cancelled; the flash is unchanged</translation>
    </message>
    <message>
        <source>只写入变化的扇区</source>
        <translation>Write only changed sectors</translation>
    </message>
    <message>
        <source>只写入变化的扇区: flash %1 的 %2 个扇区中 %3 个未变, %4 个直接写入, %5 个擦除后写入; 板上的 FPGA 是 %6</source>
        <translation>Changed sectors only: of the %2 sectors of the flash %1, %3 unchanged, %4 programmed, %5 erased and programmed; the board's FPGA is %6</translation>
    </message>
    <message>
        <source>写入后校验: flash 与文件一致</source>
        <translation>Verify after the write: the flash matches the file</translation>
    </message>
    <message>
        <source>已从 flash 重新加载 FPGA</source>
        <translation>The FPGA was reloaded from the flash</translation>
    </message>
    <message>
        <source>DONE 为高</source>
        <translation>DONE is high</translation>
    </message>
    <message>
        <source>下载失败 (写入后校验发现 flash 与文件不同)</source>
        <translation>Download failed (the verify after the write found the flash differing from the file)</translation>
    </message>
    <message>
        <source>下载失败 (文件放不下或没有按扇区对齐, flash 未改动)</source>
        <translation>Download failed (the file does not fit or is not sector-aligned; the flash is unchanged)</translation>
    </message>
    <message>
        <source>下载失败 (OpenOCD 出错, 见上面的日志)</source>
        <translation>Download failed (OpenOCD reported an error, see the log above)</translation>
    </message>
</context>
</TS>
