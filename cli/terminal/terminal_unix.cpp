#include "cli/terminal/terminal.h"

#include <QFile>
#include <QProcess>
#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace cli {

namespace {

sigset_t interruptSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    // A closed terminal or a dropped ssh session: ended as a termination,
    // so the tool goes with the loader and a read's part file is removed.
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

// The signals stay blocked in every thread and are read from a signalfd,
// so no handler runs at an arbitrary point of the program.
struct InterruptWatch::Private {
    int fd = -1;
    QSocketNotifier *notifier = nullptr;
};

InterruptWatch::InterruptWatch(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    const sigset_t set = interruptSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    d->fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (d->fd < 0)
        return;
    d->notifier = new QSocketNotifier(d->fd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info;
        while (read(d->fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            emit interrupted(128 + static_cast<int>(info.ssi_signo));
    });
}

InterruptWatch::~InterruptWatch()
{
    if (d->fd >= 0)
        close(d->fd);
}

std::optional<QString> unfaithfulArgument(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray given(argv[i]);
        // As QCoreApplication::arguments() and then QFile see it.
        if (QFile::encodeName(QString::fromLocal8Bit(given)) == given)
            continue;
        QString shown;
        for (const char byte : given) {
            const uchar value = uchar(byte);
            shown += value >= 0x20 && value < 0x7f ? QString(QLatin1Char(byte))
                                                   : QStringLiteral("\\x%1").arg(value, 2, 16, QLatin1Char('0'));
        }
        return shown;
    }
    return std::nullopt;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void enableCursorMovement()
{
}

} // namespace cli
