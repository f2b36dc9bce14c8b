#include "cli/stdinlines.h"

#include <QMetaObject>

#include <iostream>
#include <string>
#include <thread>

void StdinLines::requestLine()
{
    // Detached: at exit it may still wait for a line nobody types.
    std::thread([this] {
        std::string line;
        const bool got = static_cast<bool>(std::getline(std::cin, line));
        QMetaObject::invokeMethod(
            this,
            [this, got, text = QString::fromLocal8Bit(line.c_str())] {
                if (got)
                    emit lineRead(text.trimmed());
                else
                    emit endOfInput();
            },
            Qt::QueuedConnection);
    }).detach();
}
