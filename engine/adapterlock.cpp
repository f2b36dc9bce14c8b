#include "engine/adapterlock.h"

#include <QCryptographicHash>
#include <QDir>

namespace engine {

bool AdapterLocks::lock(const feldmoor::AdapterIdentity &identity, QString &error)
{
    // One simulated bus is not another, nor real USB: the bus is part of the name.
    const QByteArray key = qgetenv("QB562_SIM_DIR") + '\n' + QByteArray::fromStdString(identity.location) + '\n' +
                           QByteArray::fromStdString(identity.serial);
    const QString name = QLatin1String("feldmoor-cli-adapter-") +
                         QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16)) +
                         QLatin1String(".lock");
    auto file = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(name));
    if (file->tryLock(0)) {
        locks_.push_back(std::move(file));
        return true;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    file->getLockInfo(&pid, &host, &application);
    error = QStringLiteral("adapter %1 is in use by another feldmoor-cli (process %2); wait for it to finish")
                .arg(QString::fromStdString(identity.location))
                .arg(pid);
    return false;
}

} // namespace engine
