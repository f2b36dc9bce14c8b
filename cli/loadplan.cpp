#include "cli/loadplan.h"

#include "cli/exitcodes.h"
#include "cli/imagefile.h"
#include "cli/jobtexts.h"

#include "download/partfamily.h"

#include "feldmoor/projectfacts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace cli {

namespace {

LoadPlan refused(int code, const QString &message)
{
    LoadPlan plan;
    plan.errorCode = code;
    plan.error = message;
    return plan;
}

} // namespace

LoadPlan planJob(const CliOptions &options, const QString &applicationDir)
{
    LoadPlan plan;
    JobRequest &request = plan.request;
    request.load.clockText = options.clockText;
    request.load.applicationDir = applicationDir;
    request.retries = options.retries;
    request.force = options.force;
    request.timeoutSeconds = options.timeoutSeconds;
    request.load.partName = options.part;
    if (options.command == CliCommand::Detect) {
        request.mode = JobRequest::Mode::Detect;
        return plan;
    }
    request.mode = options.command == CliCommand::Verify ? JobRequest::Mode::Verify : JobRequest::Mode::Load;

    const QString suffix = QFileInfo(options.file).suffix().toLower();
    if (options.kind)
        request.load.kind = *options.kind;
    else if (suffix == QLatin1String("bit"))
        request.load.kind = FileKind::Bit;
    else if (suffix == QLatin1String("bin"))
        request.load.kind = FileKind::Bin;
    else
        return refused(exitcode::kUsage, QLatin1String("can't tell the kind of ") + options.file +
                                             QLatin1String(" from its name: give --kind bit or --kind bin"));
    if (request.mode == JobRequest::Mode::Verify && request.load.kind != FileKind::Bin)
        return refused(exitcode::kUsage, QStringLiteral("verify compares the flash with a .bin image, not a .bit"));

    QFile file(options.file);
    if (!file.open(QIODevice::ReadOnly))
        return refused(exitcode::kBadFile, QLatin1String("can't read ") + options.file + QLatin1String(": ") +
                                               file.errorString());
    plan.fileBytes = file.readAll();
    if (plan.fileBytes.isEmpty())
        return refused(exitcode::kBadFile, options.file + QLatin1String(" is empty: there is nothing to load"));
    request.load.filePath = QFileInfo(options.file).absoluteFilePath();
    request.fileSize = plan.fileBytes.size();

    if (request.load.kind == FileKind::Bit) {
        const std::optional<QString> field = bitFilePart(plan.fileBytes);
        if (!field)
            return refused(exitcode::kBadFile, options.file +
                                                   QLatin1String(" is not a valid .bit file (no complete Xilinx "
                                                                 "header and data): rebuild or copy it again"));
        const QString part = cataloguePartOfBitField(*field);
        if (!part.isEmpty()) {
            request.expectedPart = part;
            request.claimSource = QStringLiteral("the .bit header");
        } else if (options.part.isEmpty()) {
            return refused(exitcode::kUsage, QLatin1String("the part '") + *field + QLatin1String("' in ") +
                                                 options.file +
                                                 QLatin1String("'s header is not in the catalogue: give --part"));
        }
    } else if (const std::optional<quint32> idcode = binImageIdcode(plan.fileBytes)) {
        const feldmoor::PartFacts *facts = feldmoor::findPartByIdcode(*idcode);
        if (!facts && options.part.isEmpty())
            return refused(exitcode::kUsage, options.file + QLatin1String(" carries IDCODE ") + hex32(*idcode) +
                                                 QLatin1String(", which is not in the catalogue: give --part"));
        if (facts) {
            request.expectedPart = QLatin1String(facts->name);
            request.claimSource = QStringLiteral("the image's IDCODE packet");
        }
    } else if (options.part.isEmpty()) {
        return refused(exitcode::kUsage, options.file +
                                             QLatin1String(" carries no IDCODE packet, so the part can't be told: "
                                                           "give --part"));
    }
    if (request.expectedPart.isEmpty()) {
        request.expectedPart = options.part;
        request.claimSource = QStringLiteral("--part");
    }
    if (request.load.partName.isEmpty())
        request.load.partName = request.expectedPart;
    // The window's commands name no family script for such a part, so the
    // tool would fail after the part check; say so before touching the board.
    if (!partFamily(request.load.partName).known()) {
        QStringList prefixes;
        for (const feldmoor::FamilyFacts &family : feldmoor::kFamilies)
            prefixes << QLatin1String(family.prefix);
        std::sort(prefixes.begin(), prefixes.end());
        const QString last = prefixes.takeLast();
        return refused(exitcode::kUsage, request.load.partName +
                                             QLatin1String(" can't be loaded or verified here: OpenOCD is only given "
                                                           "scripts for ") +
                                             prefixes.join(QLatin1String(", ")) + QLatin1String(" and ") + last +
                                             QLatin1String(" parts ('feldmoor-cli detect' still names it)"));
    }
    return plan;
}

} // namespace cli
