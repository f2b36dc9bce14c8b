#ifndef FELDMOOR_ENGINE_SCRATCHFILE_H
#define FELDMOOR_ENGINE_SCRATCHFILE_H

#include <QByteArray>
#include <QString>

namespace engine {

// How the names of this process's files and folders in the temporary folder
// begin: "feldmoor-cli-<pid>-", so that a later loader can tell what a loader
// killed outright (SIGKILL, a crash, TerminateProcess) left there.
QString scratchPrefix();

// Removes from `folder` what loaders that are gone left there, a private
// copy of an image as large as the flash among it. Only what has not been
// touched for an hour: a loader in another process namespace, or on another
// machine sharing the folder, is not seen as alive from here.
void removeScratchOfEndedLoaders(const QString &folder);

// A file of the loader's own that the tool reads (an image made on the host)
// or writes (a flash dump): removed when the object goes, whatever ended the
// job, unless it was put in place with moveOver or kept.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    // A new file in `folder`, named after `pattern`, whose XXXXXX becomes
    // unique, holding `bytes`. False (with `error`) when it can't be written.
    bool create(const QString &folder, const QString &pattern, const QByteArray &bytes, QString &error);
    QString path() const;
    bool exists() const;
    // Replaces `target` with it in one step, so that `target` is either what
    // it was or the whole new file; the new file takes `target`'s permissions.
    bool moveOver(const QString &target, QString &error);
    // Left in place when the object goes (what a dry run prints names it).
    void keep();
    void remove();

private:
    QString path_;  // empty once put in place, kept or removed
};

} // namespace engine

#endif
