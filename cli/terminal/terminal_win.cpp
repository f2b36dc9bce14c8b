#include "cli/terminal/terminal.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>

#include <io.h>
#include <windows.h>

namespace cli {

namespace {

// The console's handler runs on a thread of its own; it only posts an event
// to the application object, which is thread-safe, and the watch picks it up
// on the event loop.
constexpr QEvent::Type kInterruptEvent = static_cast<QEvent::Type>(QEvent::User + 130);
constexpr QEvent::Type kTerminateEvent = static_cast<QEvent::Type>(QEvent::User + 143);

BOOL WINAPI consoleControl(DWORD event)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return FALSE;
    QCoreApplication::postEvent(app, new QEvent(event == CTRL_C_EVENT ? kInterruptEvent : kTerminateEvent));
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(3000);  // Windows ends the process when this returns: give the loop time to end the child
    return TRUE;
}

class EventCatcher : public QObject {
public:
    explicit EventCatcher(InterruptWatch *watch) : QObject(watch), watch_(watch) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == QCoreApplication::instance() &&
            (event->type() == kInterruptEvent || event->type() == kTerminateEvent)) {
            emit watch_->interrupted(event->type() == kInterruptEvent ? 130 : 143);
            return true;
        }
        return false;
    }

private:
    InterruptWatch *watch_;
};

} // namespace

struct InterruptWatch::Private {
    EventCatcher *catcher = nullptr;
};

InterruptWatch::InterruptWatch(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->catcher = new EventCatcher(this);
    QCoreApplication::instance()->installEventFilter(d->catcher);
    SetConsoleCtrlHandler(consoleControl, TRUE);
}

InterruptWatch::~InterruptWatch()
{
    SetConsoleCtrlHandler(consoleControl, FALSE);
}

std::optional<QString> unfaithfulArgument(int, char *[])
{
    return std::nullopt;
}

bool stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

void enableCursorMovement()
{
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &mode))
        SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

} // namespace cli
