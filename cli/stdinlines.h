#ifndef FELDMOOR_CLI_STDINLINES_H
#define FELDMOOR_CLI_STDINLINES_H

#include <QObject>
#include <QString>

namespace cli {

// Reads one line of standard input per request without blocking the event
// loop: a console handle can't be watched portably, so a short-lived thread
// reads it and hands the line over.
class StdinLines : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void requestLine();

signals:
    void lineRead(const QString &line);
    void endOfInput();
};

} // namespace cli

#endif
