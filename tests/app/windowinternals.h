#ifndef FELDMOOR_TESTS_WINDOWINTERNALS_H
#define FELDMOOR_TESTS_WINDOWINTERNALS_H

#include "app/widget.h"
#include "engine/toolrun.h"

#include <QProcess>

// The window keeps its job state private; the suites read it through this
// friend rather than through accessors the program itself has no use for.
struct WindowInternals
{
    static bool isDownloading(const Widget &w) { return w.isDownloading; }
    static bool deviceConnected(const Widget &w) { return w.deviceConnected.load(); }
    static std::uint32_t downloadFileSize(const Widget &w) { return w.downloadFileSize; }
    static QString lastDir(const Widget &w) { return w.lastDir; }
    static QString openocdPath(const Widget &w) { return w.openocdPath; }
    static QProcess *downloadProcess(const Widget &w) { return w.downloadProcess->process(); }
    static void setLastDir(Widget &w, const QString &dir) { w.lastDir = dir; }
};

#endif
