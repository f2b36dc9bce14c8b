// Runs one of the window's flash jobs, composed as the window composes it,
// on the engine's runner with the OpenOCD beside APPDIR, and prints what the
// window would read of it: the job's code, what its steps found, and the
// tool's whole log.
//   windowjob APPDIR PART verify|read|erase|blank|changed FILE|- [TARGET]

#include "app/fixedjob.h"
#include "app/flashoperation.h"
#include "app/windowjobobserver.h"
#include "download/clockchoices.h"
#include "engine/jobrunner.h"
#include "engine/jobsteps.h"
#include "engine/scratchfile.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <memory>

namespace {

void print(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
}

QString hex(quint64 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: windowjob APPDIR PART verify|read|erase|blank|changed FILE|- [TARGET]\n");
        return 2;
    }
    const QString appDir = args[1];
    const QString operation = args[3];
    const QString file = args[4] == QLatin1String("-") ? QString() : args[4];
    const QString target = args.size() > 5 ? args[5] : QString();
    const DownloadRequest form{args[2], defaultJtagClock(), FileKind::Bin, file, appDir};

    engine::JobRequest request;
    std::shared_ptr<engine::ScratchFile> imageFile;
    if (operation == QLatin1String("changed")) {
        FixedJob job = fixJob(form, {}, openocdProgramPath(appDir));
        job.changedSectorsOnly = true;
        request = changedSectorsRequest(job);
    } else {
        const FlashOperation op = operation == QLatin1String("verify") ? FlashOperation::Verify
                                  : operation == QLatin1String("read") ? FlashOperation::ReadBack
                                  : operation == QLatin1String("erase") ? FlashOperation::Erase
                                                                         : FlashOperation::BlankCheck;
        FlashImage image;
        if (!file.isEmpty() && readFlashImage(file, image) != FlashImageProblem::None) {
            std::fprintf(stderr, "windowjob: can't read %s\n", qPrintable(file));
            return 2;
        }
        const FlashImage *chosen = file.isEmpty() ? nullptr : &image;
        QString imagePath;
        if (op == FlashOperation::Verify) {
            // As the window does: the tool compares a copy of the image.
            imageFile = std::make_shared<engine::ScratchFile>();
            QString error;
            if (!imageFile->create(QDir::tempPath(), engine::scratchPrefix() + QLatin1String("XXXXXX.bin"), image.bytes,
                                   error)) {
                std::fprintf(stderr, "windowjob: %s\n", qPrintable(error));
                return 2;
            }
            imagePath = imageFile->path();
        }
        request = flashOperationRequest(op, flashOperationBase(form, {}, QString(), file, chosen), chosen, imagePath,
                                        target);
    }

    WindowJobObserver observer;
    engine::JobRunner runner(request, engine::jobSteps(request), observer);
    QObject::connect(&runner, &engine::JobRunner::finished, &app, &QCoreApplication::quit);
    runner.start();
    if (!runner.isDone())
        app.exec();

    const engine::JobOutcome &outcome = runner.outcome();
    print(QStringLiteral("outcome %1, %2").arg(static_cast<int>(outcome.outcome.kind)).arg(engine::succeeded(outcome.outcome.kind) ? QStringLiteral("succeeded") : QStringLiteral("failed")));
    if (outcome.found.range)
        print(QStringLiteral("range %1 size %2").arg(hex(outcome.found.range->offset)).arg(outcome.found.range->size));
    if (const std::optional<engine::BlankCheck> &blank = observer.blank())
        print(QStringLiteral("blank %1 bytes, %2 not blank, first %3")
                  .arg(blank->size)
                  .arg(blank->nonBlank)
                  .arg(hex(blank->firstNonBlank)));
    if (const std::optional<engine::SectorSummary> &sectors = observer.sectors())
        print(QStringLiteral("sectors %1: %2 unchanged, %3 programmed, %4 erased")
                  .arg(sectors->sectors)
                  .arg(sectors->unchanged)
                  .arg(sectors->programmed)
                  .arg(sectors->erased));
    if (const std::optional<FlashDifference> difference = flashDifference(observer.toolLog()))
        print(QStringLiteral("differs from %1 in %2 sectors").arg(hex(difference->firstAddress)).arg(difference->sectors));
    print(QStringLiteral("log:"));
    std::fputs(observer.toolLog().toLocal8Bit().constData(), stdout);
    return 0;
}
