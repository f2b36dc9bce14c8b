#include "throwawaypostgres.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace {

QString binaryFolder()
{
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql"))
                                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString &version : versions) {
        const QString folder = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
        if (QFile::exists(folder + QLatin1String("/initdb")) && QFile::exists(folder + QLatin1String("/pg_ctl")))
            return folder;
    }
    return QString();
}

} // namespace

ThrowawayPostgres::ThrowawayPostgres() = default;

ThrowawayPostgres::~ThrowawayPostgres()
{
    stop();
}

bool ThrowawayPostgres::available()
{
    return !binaryFolder().isEmpty();
}

QString ThrowawayPostgres::run(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0)
        process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=nobody"),
                                                             QStringLiteral("--regid=nogroup"),
                                                             QStringLiteral("--clear-groups"), program} +
                                                     arguments);
    else
        process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QLatin1String(" failed: ") + process.errorString() + QLatin1Char(' ') +
               QString::fromLocal8Bit(process.readAll());
    return QString();
}

QString ThrowawayPostgres::start()
{
    const QString bin = binaryFolder();
    if (!folder_) {
        // Short: a Unix socket's path has a small limit.
        folder_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/fm-pg.XXXXXX"));
        if (!folder_->isValid())
            return QStringLiteral("no temporary folder");
        if (::geteuid() == 0) {
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("nobody"), folder_->path()});
            QFile::setPermissions(folder_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                       QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                                       QFile::ExeGroup);
        }
        const QString made = run(bin + QLatin1String("/initdb"),
                                 {QStringLiteral("-D"), folder_->filePath(QStringLiteral("data")), QStringLiteral("-U"),
                                  QStringLiteral("feldmoor"), QStringLiteral("--auth=trust"), QStringLiteral("-E"),
                                  QStringLiteral("UTF8"), QStringLiteral("--no-sync")});
        if (!made.isEmpty())
            return made;
    }
    const QString started =
        run(bin + QLatin1String("/pg_ctl"),
            {QStringLiteral("-D"), folder_->filePath(QStringLiteral("data")), QStringLiteral("-l"),
             folder_->filePath(QStringLiteral("log")), QStringLiteral("-w"), QStringLiteral("-o"),
             QStringLiteral("-c listen_addresses='' -k %1 -F -c max_connections=60").arg(folder_->path()),
             QStringLiteral("start")});
    running_ = started.isEmpty();
    return started;
}

void ThrowawayPostgres::stop()
{
    if (!running_)
        return;
    run(binaryFolder() + QLatin1String("/pg_ctl"), {QStringLiteral("-D"), folder_->filePath(QStringLiteral("data")),
                                                     QStringLiteral("-m"), QStringLiteral("immediate"),
                                                     QStringLiteral("-w"), QStringLiteral("stop")});
    running_ = false;
}

QString ThrowawayPostgres::uri(const QString &database) const
{
    return QStringLiteral("postgresql:///%1?host=%2&user=feldmoor").arg(database, folder_ ? folder_->path() : QString());
}
