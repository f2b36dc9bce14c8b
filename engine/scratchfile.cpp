#include "engine/scratchfile.h"

#include "engine/processtable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace engine {

namespace {

const QString kScratchStart = QStringLiteral("feldmoor-cli-");
constexpr qint64 kUntouchedSeconds = 3600;

} // namespace

QString scratchPrefix()
{
    return kScratchStart + QString::number(ownPid()) + QLatin1Char('-');
}

void removeScratchOfEndedLoaders(const QString &folder)
{
    const QDir dir(folder);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-kUntouchedSeconds);
    for (const QFileInfo &entry : dir.entryInfoList({kScratchStart + QLatin1Char('*')},
                                                    QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        // A dry run's kept image carries no process id: its lists name it.
        const QString rest = entry.fileName().mid(kScratchStart.size());
        bool number = false;
        const qint64 pid = rest.left(rest.indexOf(QLatin1Char('-'))).toLongLong(&number);
        if (!number || pid <= 0 || pid == ownPid() || processAlive(pid) || entry.lastModified().toUTC() > before)
            continue;
        if (entry.isDir())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
    }
}

ScratchFile::~ScratchFile()
{
    remove();
}

bool ScratchFile::create(const QString &folder, const QString &pattern, const QByteArray &bytes, QString &error)
{
    remove();
    // QTemporaryFile only for the unique name: on Windows it holds the file
    // open until it goes, which would keep the file from being renamed.
    QTemporaryFile file(QDir(folder).filePath(pattern));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    file.setAutoRemove(false);
    path_ = file.fileName();
    return true;
}

QString ScratchFile::path() const
{
    return path_;
}

bool ScratchFile::exists() const
{
    return !path_.isEmpty() && QFileInfo::exists(path_);
}

bool ScratchFile::moveOver(const QString &target, QString &error)
{
    if (path_.isEmpty()) {
        error = QStringLiteral("there is no file to put in place");
        return false;
    }
    const QFileInfo existing(target);
    QFile::setPermissions(path_, existing.exists() ? existing.permissions()
                                                   : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                         QFile::ReadOther);
    // QFile::rename never replaces a file; std::filesystem::rename does, in
    // one step (rename(2), MoveFileEx with MOVEFILE_REPLACE_EXISTING).
    std::error_code failure;
    std::filesystem::rename(QFileInfo(path_).filesystemFilePath(), existing.filesystemFilePath(), failure);
    if (failure) {
        error = QString::fromLocal8Bit(failure.message());
        return false;
    }
    path_.clear();
    return true;
}

void ScratchFile::keep()
{
    path_.clear();
}

void ScratchFile::remove()
{
    if (!path_.isEmpty())
        QFile::remove(path_);
    path_.clear();
}

} // namespace engine
