#include "cli/stdinlines.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <iostream>
#include <string>
#include <thread>

namespace cli {

void StdinLines::requestLine()
{
    // Detached: at exit it may still wait for a line nobody types. It holds
    // only a guarded pointer, read on the event loop's thread, so a line
    // that arrives after this object is gone is dropped.
    std::thread([self = QPointer<StdinLines>(this)] {
        std::string line;
        const bool got = static_cast<bool>(std::getline(std::cin, line));
        QCoreApplication *app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [self, got, text = QString::fromLocal8Bit(line.c_str())] {
                if (!self)
                    return;
                if (got)
                    emit self->lineRead(text.trimmed());
                else
                    emit self->endOfInput();
            },
            Qt::QueuedConnection);
    }).detach();
}

} // namespace cli
