#ifndef FELDMOOR_CLI_TERMINAL_H
#define FELDMOOR_CLI_TERMINAL_H

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace cli {


// The console feldmoor-cli runs in, which differs per platform
// (terminal_unix.cpp, terminal_win.cpp): its interrupts, and whether stderr
// is a terminal.

// Turns Ctrl-C, termination requests and hang-ups (SIGINT, SIGTERM, SIGHUP;
// on Windows the console control events) into a signal delivered on the event loop, so the
// program can end its own child before it exits. Create it first in main(),
// before any thread exists.
class InterruptWatch : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatch(QObject *parent = nullptr);
    ~InterruptWatch() override;

signals:
    // 130 for an interrupt, 143 for a termination request, 129 for a hang-up.
    void interrupted(int exitCode);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

bool stderrIsTerminal();

// The first argument that does not come back as the bytes it was given (a
// file name that is not valid in the system's encoding, such as Latin-1
// on a UTF-8 system), with those bytes escaped for showing; nothing when
// each one does. Windows gives a program its arguments as UTF-16, which
// always comes back.
std::optional<QString> unfaithfulArgument(int argc, char *argv[]);

// Lets the console take the cursor movements that redraw several progress
// lines (Windows' virtual-terminal mode; terminals elsewhere always do).
void enableCursorMovement();

} // namespace cli

#endif
