#include "cli/loadplan.h"

#include "cli/records/recordtarget.h"

#include "engine/bytecount.h"
#include "cli/exitcodes.h"
#include "engine/imagefile.h"
#include "cli/jobtexts.h"
#include "cli/mcstexts.h"
#include "engine/mcsfile.h"
#include "engine/scratchfile.h"

#include "download/partfamily.h"

#include "feldmoor/projectfacts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace cli {

using namespace engine;

namespace {

using Mode = JobRequest::Mode;

// The largest SPI flash behind an FPGA (2 Gbit, addressed with 4 bytes) and
// the largest configuration file of any part are both below this; a .mcs
// spells each byte in about 2.8 characters.
constexpr qint64 kLargestImage = 256 * 1024 * 1024;
constexpr qint64 kLargestMcsText = 3 * kLargestImage;

// Whether two names lead to one file (through links, "./" and the like).
bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo left(a);
    const QFileInfo right(b);
    if (left.exists() && right.exists())
        return left.canonicalFilePath() == right.canonicalFilePath();
    return QDir::cleanPath(left.absoluteFilePath()) == QDir::cleanPath(right.absoluteFilePath());
}

LoadPlan refused(int code, const QString &message)
{
    LoadPlan plan;
    plan.errorCode = code;
    plan.error = message;
    return plan;
}

Mode modeOf(CliCommand command)
{
    switch (command) {
    case CliCommand::Detect:
        return Mode::Detect;
    case CliCommand::Verify:
        return Mode::Verify;
    case CliCommand::Read:
        return Mode::Read;
    case CliCommand::Erase:
        return Mode::Erase;
    case CliCommand::BlankCheck:
        return Mode::BlankCheck;
    case CliCommand::Reload:
        return Mode::Reload;
    default:
        return Mode::Load;
    }
}

QString segmentsText(const McsImage &image)
{
    QStringList runs;
    for (const McsSegment &segment : image.segments)
        runs << QStringLiteral("0x%1..0x%2").arg(segment.start, 8, 16, QLatin1Char('0')).arg(segment.end - 1, 8, 16,
                                                                                             QLatin1Char('0'));
    return runs.join(QLatin1String(", "));
}

// A job on the board without a file: the part is --part's, else the board's.
LoadPlan planFilelessJob(LoadPlan plan, const CliOptions &options)
{
    JobRequest &request = plan.request;
    if (!options.part.isEmpty()) {
        request.expectedPart = options.part;
        request.claimSource = QStringLiteral("--part");
        if (!partFamily(options.part).known())
            return refused(exitcode::kUsage, noFamilyScriptText(options.part));
    } else if (options.dryRun) {
        return refused(exitcode::kUsage, QStringLiteral("--dry-run needs --part here: without a board the part, and so "
                                                        "the proxy and the scripts, are unknown"));
    }
    if (request.mode != Mode::Read)
        return plan;
    if (const QString record = recordTarget(options.recordFile).file(); !record.isEmpty() && sameFile(record, options.file))
        return refused(exitcode::kUsage, QLatin1String("--record ") + options.recordFile +
                                             QLatin1String(" is OUT, which the read replaces: give the record a file "
                                                           "of its own"));
    // OUT is replaced only by a whole read, through a file made beside it:
    // that folder must take one, which is found out before the board is.
    QFileInfo out(options.file);
    if (out.isDir())
        return refused(exitcode::kUsage, options.file + QLatin1String(" is a folder: read needs a file name for OUT"));
    // The dump is renamed over OUT: over a device or a pipe that would put a
    // plain file in the place of /dev/null or the like, for everyone.
    if (out.exists() && !out.isFile())
        return refused(exitcode::kBadFile, options.file + QLatin1String(" is not a regular file (a device, a pipe or a "
                                                                        "socket): read writes a file, give its name"));
    // A link's target is what is replaced, not the link.
    if (out.isSymLink() && out.exists())
        out = QFileInfo(out.canonicalFilePath());
    request.sourceFile = out.absoluteFilePath();
    ScratchFile probe;
    QString error;
    if (!probe.create(out.absolutePath(), out.fileName() + QLatin1String(".XXXXXX.part"), QByteArray(), error))
        return refused(exitcode::kBadFile, QLatin1String("can't write beside ") + options.file + QLatin1String(": ") +
                                               error);
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
    request.mode = modeOf(options.command);
    request.flash.offset = options.offset;
    request.flash.size = options.size;
    request.flash.whole = options.wholeFlash;
    request.flash.reload = !options.noReload;
    request.flash.full = options.full;
    if (request.mode == Mode::Detect)
        return plan;
    if (request.mode != Mode::Load && request.mode != Mode::Verify)
        return planFilelessJob(std::move(plan), options);

    const bool verify = request.mode == Mode::Verify;
    const QString suffix = QFileInfo(options.file).suffix().toLower();
    const bool mcs = suffix == QLatin1String("mcs");
    const bool bitFile = suffix == QLatin1String("bit");
    if (options.kind)
        request.load.kind = *options.kind;
    else if (bitFile && !verify)
        request.load.kind = FileKind::Bit;
    else if (bitFile || mcs || suffix == QLatin1String("bin"))
        request.load.kind = FileKind::Bin;
    else
        return refused(exitcode::kUsage, QLatin1String("can't tell the kind of ") + options.file +
                                             QLatin1String(" from its name: give --kind bit or --kind bin"));
    if (verify && request.load.kind != FileKind::Bin)
        return refused(exitcode::kUsage, QStringLiteral("verify compares the flash with an image, and --kind bit is "
                                                        "the FPGA: leave --kind out"));
    if (mcs && request.load.kind != FileKind::Bin)
        return refused(exitcode::kUsage, QStringLiteral("a .mcs file is a flash image: it can't go into the FPGA as "
                                                        "--kind bit"));
    if (request.flash.offset && request.load.kind == FileKind::Bit)
        return refused(exitcode::kUsage, QStringLiteral("--offset goes with flash writes, and a .bit goes into the "
                                                        "FPGA: give --kind bin to write its configuration data to the "
                                                        "flash"));
    if (!request.flash.reload && request.load.kind == FileKind::Bit)
        return refused(exitcode::kUsage, QStringLiteral("--no-reload goes with flash writes: a .bit load into the FPGA "
                                                        "has no reload"));
    if (request.flash.full && request.load.kind == FileKind::Bit)
        return refused(exitcode::kUsage, QStringLiteral("--full goes with flash writes: a .bit load into the FPGA "
                                                        "writes no sectors"));

    if (const QString record = recordTarget(options.recordFile).file(); !record.isEmpty() && sameFile(record, options.file))
        return refused(exitcode::kUsage, QLatin1String("--record ") + options.recordFile +
                                             QLatin1String(" is the file the job reads: appending to it would change "
                                                           "it; give the record a file of its own"));
    // A device or a pipe would be read until memory runs out, or for ever.
    const QFileInfo info(options.file);
    if (info.exists() && !info.isFile())
        return refused(exitcode::kBadFile, options.file + QLatin1String(" is not a regular file (") +
                                               (info.isDir() ? QLatin1String("a folder") : QLatin1String("a device, a pipe or a socket")) +
                                               QLatin1String("): give the image file itself"));
    const qint64 largest = mcs ? kLargestMcsText : kLargestImage;
    const QString tooLarge = QStringLiteral("%1 is larger than any image a flash or an FPGA here takes (%2 bytes; at "
                                            "most %3)")
                                 .arg(options.file)
                                 .arg(info.size())
                                 .arg(byteSize(largest));
    if (info.size() > largest)
        return refused(exitcode::kBadFile, tooLarge);
    QFile file(options.file);
    if (!file.open(QIODevice::ReadOnly))
        return refused(exitcode::kBadFile, QLatin1String("can't read ") + options.file + QLatin1String(": ") +
                                               file.errorString());
    // The size was looked at before the file was opened: it may have grown.
    plan.fileBytes = file.read(largest + 1);
    if (plan.fileBytes.size() > largest)
        return refused(exitcode::kBadFile, tooLarge);
    if (plan.fileBytes.isEmpty())
        return refused(exitcode::kBadFile, options.file + QLatin1String(" is empty: there is nothing to load"));
    request.load.filePath = QFileInfo(options.file).absoluteFilePath();
    request.sourceFile = request.load.filePath;
    request.fileSize = plan.fileBytes.size();

    // What the tool is given when the file itself is not the flash image.
    std::optional<QByteArray> image;
    if (mcs) {
        const McsImage parsed = parseMcs(plan.fileBytes);
        if (!parsed.ok())
            return refused(exitcode::kBadFile,
                           options.file + QLatin1String(" is not a valid .mcs file: ") +
                               (parsed.line > 0 ? QStringLiteral("line %1: ").arg(parsed.line) : QString()) +
                               mcsProblemText(parsed));
        if (request.flash.offset && *request.flash.offset != parsed.start)
            return refused(exitcode::kUsage, QStringLiteral("%1 says where it goes, 0x%2; --offset must be that or "
                                                            "left out")
                                                 .arg(options.file)
                                                 .arg(parsed.start, 8, 16, QLatin1Char('0')));
        request.flash.offset = parsed.start;
        qint64 data = 0;
        for (const McsSegment &segment : parsed.segments)
            data += qint64(segment.end - segment.start);
        plan.notes << QStringLiteral("%1: %2 bytes in %3 (%4), one image of %5 bytes from 0x%6 with 0xFF between")
                          .arg(options.file)
                          .arg(data)
                          .arg(parsed.segments.size() == 1 ? QStringLiteral("one run")
                                                           : QStringLiteral("%1 runs").arg(parsed.segments.size()))
                          .arg(segmentsText(parsed))
                          .arg(parsed.bytes.size())
                          .arg(parsed.start, 8, 16, QLatin1Char('0'));
        image = parsed.bytes;
    }

    std::optional<quint32> idcode;
    if (request.load.kind == FileKind::Bit || bitFile) {
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
        if (request.load.kind == FileKind::Bin)
            image = bitFilePayload(plan.fileBytes);
    } else {
        idcode = binImageIdcode(image ? *image : plan.fileBytes);
    }
    if (idcode) {
        const feldmoor::PartFacts *facts = feldmoor::findPartByIdcode(*idcode);
        if (!facts && options.part.isEmpty())
            return refused(exitcode::kUsage, options.file + QLatin1String(" carries IDCODE ") + hex32(*idcode) +
                                                 QLatin1String(", which is not in the catalogue: give --part"));
        if (facts) {
            request.expectedPart = QLatin1String(facts->name);
            request.claimSource = QStringLiteral("the image's IDCODE packet");
        }
    } else if (request.expectedPart.isEmpty() && options.part.isEmpty()) {
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
    if (!partFamily(request.load.partName).known())
        return refused(exitcode::kUsage, noFamilyScriptText(request.load.partName));

    // The tool reads what it writes or compares at that moment: it is given
    // a copy of the bytes checked here (and hashed for the record), so a
    // file changed meanwhile can't be written with these checks. A dry run
    // names the file itself: nothing is written, and it lists what to run.
    if (!image && !options.dryRun) {
        plan.image = std::make_shared<ScratchFile>();
        QString error;
        QString name = QFileInfo(options.file).fileName();
        name.replace(QLatin1String("XXXXXX"), QLatin1String("x"));
        if (!plan.image->create(QDir::tempPath(), scratchPrefix() + QLatin1String("XXXXXX-") + name, plan.fileBytes, error))
            return refused(exitcode::kBadFile, QLatin1String("can't copy ") + options.file + QLatin1String(" into ") +
                                                   QDir::toNativeSeparators(QDir::tempPath()) + QLatin1String(": ") +
                                                   error);
        request.load.filePath = plan.image->path();
    }
    if (image) {
        request.fileSize = image->size();
        if (quint64(request.flash.offset.value_or(0)) + quint64(image->size()) > 0x100000000u)
            return refused(exitcode::kUsage, options.file + QLatin1String(" does not fit below 4 GiB there"));
        plan.image = std::make_shared<ScratchFile>();
        QString error;
        // A dry run's image outlives it, so its name carries no process id.
        const QString pattern = options.dryRun ? QStringLiteral("feldmoor-cli-XXXXXX.bin")
                                               : scratchPrefix() + QLatin1String("XXXXXX.bin");
        if (!plan.image->create(QDir::tempPath(), pattern, *image, error))
            return refused(exitcode::kBadFile, QLatin1String("can't write the image made from ") + options.file +
                                                   QLatin1String(" into ") + QDir::toNativeSeparators(QDir::tempPath()) +
                                                   QLatin1String(": ") + error);
        request.load.filePath = plan.image->path();
        if (options.dryRun) {
            plan.image->keep();
            plan.notes << QLatin1String("the image made from ") + options.file + QLatin1String(" is ") +
                              QDir::toNativeSeparators(request.load.filePath) +
                              QLatin1String("; it is kept for the lists below");
        }
    }
    return plan;
}

} // namespace cli
