#include "engine/statefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace engine {

namespace {

bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString stateFolder(QString &error)
{
    // A relative $XDG_STATE_HOME is to be ignored, as the base directory
    // rules say of every such variable.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1String("/.local/state");
    const QString folder = QDir::cleanPath(base + QLatin1String("/feldmoor"));
    if (!QDir().mkpath(folder)) {
        error = QLatin1String("can't make the folder ") + folder;
        return QString();
    }
    return folder;
}

bool writeDurably(const QString &path, const QByteArray &bytes, QString &error)
{
    const QString temporary = path + QLatin1String(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        file.remove();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        error = QLatin1String("can't push it to the disk: ") + systemError();
        file.remove();
        return false;
    }
    file.close();
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        error = systemError();
        QFile::remove(temporary);
        return false;
    }
    if (!syncPath(QFileInfo(path).absolutePath(), O_DIRECTORY)) {
        error = QLatin1String("can't push its folder's entry to the disk: ") + systemError();
        return false;
    }
    return true;
}

} // namespace engine
