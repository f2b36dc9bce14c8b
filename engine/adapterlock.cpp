#include "engine/adapterlock.h"

#include "engine/lockfolder.h"
#include "engine/processtable.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

namespace engine {

namespace {

const QString kLockPrefix = QStringLiteral("feldmoor-adapter-");
const QString kToolName = QStringLiteral("openocd.exe");

// How long a tool that outlived its loader gets to go: one asked to die
// with its parent is gone at once, but is reaped a moment later.
constexpr int kOrphanWaitMs = 3000;

// The simulated bus as the file system knows it: "bus/", "bus/." and a link
// to it are one bus.
QByteArray busKey()
{
    const QString bus = qEnvironmentVariable("QB562_SIM_DIR");
    if (bus.isEmpty())
        return QByteArray();
    const QFileInfo info(bus);
    const QString canonical = info.canonicalFilePath();
    return (canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical).toUtf8();
}

QString lockKey(const feldmoor::AdapterIdentity &identity)
{
    return kLockPrefix + adapterKey(identity);
}

QString lockPath(const QString &key)
{
    return QDir(machineLockFolder()).filePath(key + QLatin1String(".lock"));
}

QString toolsPath(const QString &key)
{
    return QDir(machineLockFolder()).filePath(key + QLatin1String(".tools"));
}

LockHolder holderOf(QLockFile &file)
{
    qint64 pid = 0;
    QString host;
    QString application;
    file.getLockInfo(&pid, &host, &application);
    return {pid, application == QLatin1String(kLoaderApplicationName), false};
}

// The tools named beside a lock that still run. A process id noted by a
// loader long gone may since have been given to another loader's or the
// window's tool on another adapter: one whose parent is a live lock holder
// is that holder's, not an orphan of this adapter.
QList<qint64> toolsStillRunning(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<qint64> running;
    const QList<ProcessEntry> tools = processesNamed(kToolName);
    const QList<LockHolder> holders = adapterLockHolders();
    const auto orphan = [&holders](const ProcessEntry &tool) {
        return std::none_of(holders.begin(), holders.end(),
                            [&tool](const LockHolder &holder) { return holder.pid == tool.parentPid; });
    };
    for (const QByteArray &line : file.readAll().split('\n')) {
        bool number = false;
        const qint64 pid = line.trimmed().toLongLong(&number);
        if (number && std::any_of(tools.begin(), tools.end(),
                                  [&](const ProcessEntry &t) { return t.pid == pid && orphan(t); }))
            running << pid;
    }
    return running;
}

} // namespace

QString adapterKey(const feldmoor::AdapterIdentity &identity)
{
    // One simulated bus is not another, nor real USB: the bus is part of the name.
    const QByteArray key = busKey() + '\n' + QByteArray::fromStdString(identity.location) + '\n' +
                           QByteArray::fromStdString(identity.serial);
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

AdapterLocks::~AdapterLocks()
{
    unlockAll();
}

std::optional<LockHolder> AdapterLocks::lock(const feldmoor::AdapterIdentity &identity)
{
    const QString key = lockKey(identity);
    auto file = std::make_unique<QLockFile>(lockPath(key));
    // Stale only when its owner is gone, never by age: a chip erase holds
    // the lock longer than QLockFile's default of 30 s.
    file->setStaleLockTime(0);
    if (!file->tryLock(0))
        return holderOf(*file);
    const QString tools = toolsPath(key);
    QDeadlineTimer deadline(kOrphanWaitMs);
    QList<qint64> left = toolsStillRunning(tools);
    while (!left.isEmpty() && !deadline.hasExpired()) {
        QThread::msleep(50);
        left = toolsStillRunning(tools);
    }
    if (!left.isEmpty()) {
        file->unlock();
        return LockHolder{left.first(), false, true};
    }
    QFile::remove(tools);
    locks_.push_back({key, std::move(file), tools});
    return std::nullopt;
}

void AdapterLocks::noteTool(const feldmoor::AdapterIdentity &identity, qint64 pid)
{
    const QString key = lockKey(identity);
    for (const Held &held : locks_) {
        if (held.key != key)
            continue;
        QFile file(held.toolsPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(QByteArray::number(pid) + '\n');
    }
}

void AdapterLocks::unlockAll()
{
    // The tools are gone by now: whoever runs one ends it before it lets go.
    for (const Held &held : locks_)
        QFile::remove(held.toolsPath);
    locks_.clear();
}

QList<LockHolder> adapterLockHolders()
{
    QList<LockHolder> holders;
    const QDir dir(machineLockFolder());
    for (const QString &name : dir.entryList({kLockPrefix + QLatin1String("*.lock")}, QDir::Files)) {
        QLockFile file(dir.filePath(name));
        const LockHolder holder = holderOf(file);
        // A lock whose owner died is stale: it spares nothing.
        if (holder.pid > 0 && processAlive(holder.pid))
            holders << holder;
    }
    return holders;
}

SparedTools sparedLoaderTools()
{
    QList<qint64> loaders;
    for (const LockHolder &holder : adapterLockHolders())
        if (holder.loader && holder.pid != ownPid())
            loaders << holder.pid;
    SparedTools tools;
    if (loaders.isEmpty())
        return tools;
    tools.loaderLive = true;
    for (const ProcessEntry &tool : processesNamed(kToolName))
        (loaders.contains(tool.parentPid) ? tools.spared : tools.others) << tool.pid;
    return tools;
}

} // namespace engine
