#include "cli/scratchfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace cli {

ScratchFile::ScratchFile() = default;

ScratchFile::~ScratchFile()
{
    remove();
}

bool ScratchFile::create(const QString &folder, const QString &pattern, const QByteArray &bytes, QString &error)
{
    remove();
    auto file = std::make_unique<QTemporaryFile>(QDir(folder).filePath(pattern));
    if (!file->open() || file->write(bytes) != bytes.size() || !file->flush()) {
        error = file->errorString();
        return false;
    }
    // Closed, so that the tool may open it, on Windows too; the name stays.
    file->close();
    file_ = std::move(file);
    return true;
}

QString ScratchFile::path() const
{
    return file_ ? file_->fileName() : QString();
}

bool ScratchFile::exists() const
{
    return file_ && QFileInfo::exists(file_->fileName());
}

bool ScratchFile::moveOver(const QString &target, QString &error)
{
    if (!file_) {
        error = QStringLiteral("there is no file to put in place");
        return false;
    }
    const QFileInfo existing(target);
    file_->setPermissions(existing.exists() ? existing.permissions()
                                            : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                  QFile::ReadOther);
    // QFile::rename never replaces a file; std::filesystem::rename does, in
    // one step (rename(2), MoveFileEx with MOVEFILE_REPLACE_EXISTING).
    std::error_code failure;
    std::filesystem::rename(QFileInfo(file_->fileName()).filesystemFilePath(), existing.filesystemFilePath(),
                            failure);
    if (failure) {
        error = QString::fromLocal8Bit(failure.message());
        return false;
    }
    keep();
    return true;
}

void ScratchFile::keep()
{
    if (file_)
        file_->setAutoRemove(false);
    file_.reset();
}

void ScratchFile::remove()
{
    if (file_)
        file_->remove();
    file_.reset();
}

} // namespace cli
