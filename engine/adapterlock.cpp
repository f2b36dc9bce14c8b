#include "engine/adapterlock.h"

#include "engine/processtable.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>

namespace engine {

namespace {

const QString kLockPrefix = QStringLiteral("feldmoor-adapter-");

QString lockPath(const feldmoor::AdapterIdentity &identity)
{
    // One simulated bus is not another, nor real USB: the bus is part of the name.
    const QByteArray key = qgetenv("QB562_SIM_DIR") + '\n' + QByteArray::fromStdString(identity.location) + '\n' +
                           QByteArray::fromStdString(identity.serial);
    const QString name = kLockPrefix +
                         QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16)) +
                         QLatin1String(".lock");
    return QDir(QDir::tempPath()).filePath(name);
}

LockHolder holderOf(QLockFile &file)
{
    qint64 pid = 0;
    QString host;
    QString application;
    file.getLockInfo(&pid, &host, &application);
    return {pid, application == QLatin1String(kLoaderApplicationName)};
}

} // namespace

std::optional<LockHolder> AdapterLocks::lock(const feldmoor::AdapterIdentity &identity)
{
    auto file = std::make_unique<QLockFile>(lockPath(identity));
    if (file->tryLock(0)) {
        locks_.push_back(std::move(file));
        return std::nullopt;
    }
    return holderOf(*file);
}

QList<LockHolder> adapterLockHolders()
{
    QList<LockHolder> holders;
    const QDir dir(QDir::tempPath());
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
    for (const ProcessEntry &tool : processesNamed(QStringLiteral("openocd.exe")))
        (loaders.contains(tool.parentPid) ? tools.spared : tools.others) << tool.pid;
    return tools;
}

} // namespace engine
