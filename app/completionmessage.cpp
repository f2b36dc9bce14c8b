#include "app/completionmessage.h"

#include <QCoreApplication>

QString completionMessage(FileKind kind, QProcess::ExitStatus status, int exitCode)
{
    // The window's translations hold these texts under its own context.
    if (status == QProcess::CrashExit)
        return QCoreApplication::translate("Widget", "下载失败 (程序异常退出)");
    if (exitCode != 0)
        return QCoreApplication::translate("Widget", "下载失败 (退出码 %1)").arg(exitCode);
    return kind == FileKind::Bin ? QCoreApplication::translate("Widget", "BIN 文件下载完成.")
                                 : QCoreApplication::translate("Widget", "BIT 文件下载完成.");
}
