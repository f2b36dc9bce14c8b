#include "cli/outcometexts.h"

#include "cli/jobtexts.h"
#include "cli/rangetexts.h"
#include "cli/sectortexts.h"

#include "engine/bytecount.h"

namespace cli {

using namespace engine;

namespace {

using Kind = OutcomeKind;
using Mode = JobRequest::Mode;

QString flashOfText(const QString &part)
{
    return QLatin1String("the ") + part + QLatin1String("'s flash");
}

// " at 0x00400000" when the job names an offset, else nothing.
QString atOffsetText(const Outcome &outcome)
{
    return outcome.offset ? QLatin1String(" at ") + hex32(quint32(*outcome.offset)) : QString();
}

// The sectors a range covers when the tool told them, else its addresses.
QString placeText(const Outcome &outcome)
{
    return outcome.flash && outcome.flash->knowsSectors() ? sectorsText(*outcome.flash, outcome.range)
                                                          : rangeText(outcome.range);
}

// "wrote and reloaded top.bin into xc7k325t": what a job that ends in a
// configuration did, before its DONE check.
QString configuredText(const Outcome &outcome)
{
    if (outcome.mode == Mode::Reload)
        return QLatin1String("reloaded the ") + outcome.part + QLatin1String(" from its flash");
    if (outcome.fileKind == FileKind::Bit)
        return QLatin1String("loaded ") + outcome.file + QLatin1String(" into ") + outcome.part;
    const quint64 offset = outcome.offset.value_or(0);
    return QLatin1String(outcome.wroteNothing ? "verified and reloaded " : "wrote and reloaded ") + outcome.file +
           (offset != 0 ? QLatin1String(" (at ") + hex32(quint32(offset)) + QLatin1Char(')') : QString()) +
           QLatin1String(" into ") + outcome.part;
}

QString doneLowText(const Outcome &outcome)
{
    const QString status = hex32(outcome.status);
    if (outcome.mode == Mode::Reload)
        return QStringLiteral("DONE stayed low after the reload from flash (status %1): what the flash holds from "
                              "address 0 did not configure the %2; check it with 'feldmoor-cli verify', or write it "
                              "again")
            .arg(status, outcome.part);
    if (outcome.fileKind == FileKind::Bit)
        return QStringLiteral("DONE stayed low after loading %1 (status %2): the FPGA rejected the configuration; "
                              "check that the file is intact and made for %3")
            .arg(outcome.file, status, outcome.part);
    return QStringLiteral("DONE stayed low after the reload from flash (status %1): the image written from %2 did not "
                          "configure the %3; check that it is intact and made for this part")
        .arg(status, outcome.file, outcome.part);
}

QString partMismatchText(const Outcome &outcome)
{
    const PartCheck &check = outcome.partCheck;
    const QString mend = !check.fromFile ? QLatin1String("; give the board's part, or leave --part out")
                         : outcome.mode == Mode::Verify ? QLatin1String("; compare with the file made for this board")
                                                        : QLatin1String("; use the file made for this board, or --force");
    return partCheckText(check) + mend;
}

QString rangeRefusedText(const Outcome &outcome)
{
    const QString problem = outcome.problem ? rangeProblemText(*outcome.problem) : QString();
    switch (outcome.step) {
    case StepKind::FlashVerify:
        return QLatin1String("can't verify that: ") + problem + QLatin1String("; nothing was compared");
    case StepKind::FlashRead:
    case StepKind::BlankCheckRead:
        return QLatin1String("can't read that: ") + problem + QLatin1String("; nothing was read");
    default:
        break;
    }
    if (outcome.mode == Mode::Erase)
        return QLatin1String("can't erase that: ") + problem + QLatin1String("; nothing was erased");
    return QStringLiteral("can't write %1 (%2 bytes) there: %3; nothing was erased or written")
        .arg(outcome.file)
        .arg(outcome.fileSize)
        .arg(problem);
}

// "; top.bin is left as it was": what a read that failed says of its target.
QString readTargetKept(const Outcome &outcome)
{
    return outcome.step == StepKind::BlankCheckRead
               ? QString()
               : QLatin1String("; ") + outcome.file + QLatin1String(" is left as it was");
}

QString noGeometryText(const Outcome &outcome)
{
    switch (outcome.step) {
    case StepKind::FlashGeometryRead:
        return QStringLiteral("the tool did not report the flash's size and sectors ('flash banks', 'flash info 0'), "
                              "so the range can't be checked; nothing was changed; see the log above");
    case StepKind::SectorRead:
        return QStringLiteral("the tool did not report the flash's size and sectors ('flash banks', 'flash info 0'), "
                              "so the write can't be planned; nothing was changed; see the log above");
    case StepKind::FlashRead:
    case StepKind::BlankCheckRead:
        return QStringLiteral("the tool did not report the flash's size ('flash banks'), so the read can't be "
                              "checked%1; see the log above")
            .arg(readTargetKept(outcome));
    default:
        return QStringLiteral("the tool did not report the flash's size ('flash banks'), so the write can't be "
                              "checked; nothing was changed; see the log above");
    }
}

QString dumpShortText(const Outcome &outcome)
{
    if (outcome.step == StepKind::SectorRead)
        return QStringLiteral("the tool reported success, but its read back holds %1 of the %2 bytes asked for; "
                              "nothing was changed")
            .arg(outcome.held)
            .arg(outcome.asked);
    return QStringLiteral("the tool reported success, but its dump holds %1 of the %2 bytes read%3")
        .arg(outcome.held)
        .arg(outcome.asked)
        .arg(readTargetKept(outcome));
}

QString hostFileText(const Outcome &outcome)
{
    const QString said = outcome.path + QLatin1String(": ") + outcome.error;
    switch (outcome.hostFile) {
    case HostFile::ReadDump:
        return QLatin1String("can't make the file the flash is read into in ") + said;
    case HostFile::DumpInPlace:
        return QLatin1String("can't put the dump in place as ") + said + QLatin1String("; it is left as it was");
    case HostFile::SectorDump:
        return QLatin1String("can't make the file the sectors are read into in ") + said;
    case HostFile::Image:
        return QLatin1String("can't read ") + said;
    case HostFile::SectorFolder:
        return QLatin1String("can't make a folder for the sectors to write in ") + said;
    case HostFile::StateFolder:
        return QLatin1String("can't keep the old contents of the sectors to erase: ") + outcome.error +
               QLatin1String("; nothing was changed");
    case HostFile::KeptSector:
        return QStringLiteral("can't keep the old contents of sector %1 in %2: %3; nothing was changed")
            .arg(outcome.sector)
            .arg(outcome.path, outcome.error);
    case HostFile::SectorFile:
        return QLatin1String("can't write ") + said + QLatin1String("; nothing was changed");
    }
    return said;
}

// "the serial number's 4 bytes at 0x00ff0000".
QString serialPlaceText(const Outcome &outcome)
{
    return QStringLiteral("the serial number's %1 bytes at 0x%2")
        .arg(outcome.asked)
        .arg(outcome.address, 8, 16, QLatin1Char('0'));
}

QString sectorVerifyText(const Outcome &outcome)
{
    const QList<quint32> &written = outcome.sectors;
    return QStringLiteral("the verify found the flash differing from %1 at 0x%2 after the write (%3): the chip may be "
                          "worn or write-protected")
        .arg(outcome.file, outcome.toolLine.rightJustified(8, QLatin1Char('0')),
             written.isEmpty() ? QStringLiteral("no sector needed writing")
                               : QLatin1String(written.size() == 1 ? "it wrote sector " : "it wrote sectors ") +
                                     sectorListText(written));
}

QString imageCutShortText(const Outcome &outcome)
{
    return QLatin1String("the image did not fit: ") +
           (outcome.heldKnown ? QStringLiteral("the flash holds only the first %1 of the %2 bytes of %3")
                                    .arg(*outcome.heldKnown)
                                    .arg(outcome.fileSize)
                                    .arg(outcome.file)
                              : QLatin1String("the flash holds only the start of ") + outcome.file) +
           QLatin1String(" (OpenOCD wrote what fitted and went on); use an image made for this flash");
}

QString restartReasonText(const QString &report)
{
    return QStringLiteral("a flash sector erase took under 10 ms (") + report + QLatin1Char(')');
}

} // namespace

QString stepName(StepKind step)
{
    switch (step) {
    case StepKind::ChainProbe:
        return QStringLiteral("the chain probe");
    case StepKind::Load:
        return QStringLiteral("the load");
    case StepKind::FlashVerify:
        return QStringLiteral("the flash verify");
    case StepKind::StatusRead:
        return QStringLiteral("the status read");
    case StepKind::FlashGeometryRead:
        return QStringLiteral("the flash geometry read");
    case StepKind::FlashSizeRead:
        return QStringLiteral("the flash size read");
    case StepKind::FlashRead:
        return QStringLiteral("the flash read");
    case StepKind::BlankCheckRead:
        return QStringLiteral("the blank check's read");
    case StepKind::FlashErase:
        return QStringLiteral("the flash erase");
    case StepKind::FlashWrite:
        return QStringLiteral("the flash write");
    case StepKind::SectorRead:
        return QStringLiteral("the sector read");
    case StepKind::Reload:
        return QStringLiteral("the reload");
    }
    return QString();
}

QString outcomeText(const Outcome &outcome)
{
    switch (outcome.kind) {
    case Kind::Passed:
        return QString();
    case Kind::Detected:
        return QStringLiteral("%1  IDCODE %2  IR length %3")
            .arg(outcome.part, hex32(outcome.idcode.value_or(0)))
            .arg(outcome.irLength);
    case Kind::ChainEmpty:
        return QStringLiteral("the JTAG chain is empty: no FPGA answered; check the cable, the board's power and its "
                              "JTAG header");
    case Kind::UnknownIdcode:
        return QStringLiteral("the FPGA answered with IDCODE %1, which is not in the catalogue ('feldmoor-cli parts' "
                              "lists it)")
            .arg(hex32(outcome.idcode.value_or(0)));
    case Kind::UnknownBoardPart:
        return QStringLiteral("the FPGA answered with IDCODE %1, which is not in the catalogue, so its proxy and "
                              "scripts are unknown")
            .arg(hex32(outcome.idcode.value_or(0)));
    case Kind::PartMismatch:
        return partMismatchText(outcome);
    case Kind::NoFamilyScript:
        return noFamilyScriptText(outcome.part);
    case Kind::FlashMatches:
        return QLatin1String("the flash holds ") + outcome.file + atOffsetText(outcome) +
               QLatin1String(" (contents match)");
    case Kind::FlashDiffers:
        return QLatin1String("the flash differs from ") + outcome.file + atOffsetText(outcome) +
               QLatin1String(": write it with 'feldmoor-cli load'");
    case Kind::Configured:
        return configuredText(outcome) + (outcome.mode == Mode::Reload
                                              ? QLatin1String(": configured and checked (DONE high)")
                                              : QLatin1String(": loaded and checked (DONE high)"));
    case Kind::DoneNotChecked:
        return configuredText(outcome) + QLatin1String(" (DONE not checked for ") + outcome.family + QLatin1Char(')');
    case Kind::DoneLow:
        return doneLowText(outcome);
    case Kind::NoStatusRegister:
        return QStringLiteral("the status read printed no status register, so DONE is unknown; see the log above");
    case Kind::StatusFromEmptyChain:
        return QStringLiteral("the status register read %1, as a JTAG chain where nothing answers does: nothing was "
                              "configured; check the cable, the board's power and its JTAG header")
            .arg(hex32(outcome.status));
    case Kind::RangeRefused:
        return rangeRefusedText(outcome);
    case Kind::SerialPastFlash:
        return QStringLiteral("%1 run past the end of the %2 flash; nothing was erased or written")
            .arg(serialPlaceText(outcome), byteSize(qint64(outcome.flash ? outcome.flash->size : 0)));
    case Kind::SerialInImage:
        return serialPlaceText(outcome) + QLatin1String(" lie inside the image's range; nothing was erased or written");
    case Kind::SectorUnitMismatch:
        return QStringLiteral("the flash's sectors are of %1 bytes, and the loader compares in units of %2: write it "
                              "with --full; nothing was changed")
            .arg(outcome.sectorSize)
            .arg(outcome.unit);
    case Kind::ToolRefusedRange:
        return QLatin1String("the tool refused the range (") + outcome.toolLine + QLatin1String("); nothing was changed");
    case Kind::NoFlashGeometry:
        return noGeometryText(outcome);
    case Kind::DumpShort:
        return dumpShortText(outcome);
    case Kind::HostFileFailed:
        return hostFileText(outcome);
    case Kind::ReadDone:
        return QStringLiteral("read %1 (%2 bytes) of %3 into %4")
            .arg(rangeText(outcome.range))
            .arg(outcome.range.size)
            .arg(flashOfText(outcome.part), outcome.file);
    case Kind::Blank:
    case Kind::NotBlank:
        return flashOfText(outcome.part) + QLatin1String(": ") + blankCheckText(outcome.blank);
    case Kind::Erased:
        if (outcome.whole)
            return QLatin1String("erased the whole of ") + flashOfText(outcome.part);
        return QStringLiteral("erased %1 of %2").arg(placeText(outcome), flashOfText(outcome.part));
    case Kind::Written:
        return QStringLiteral("%1 %2 into %3, %4; not reloaded (--no-reload): 'feldmoor-cli reload' configures the "
                              "FPGA from its flash")
            .arg(outcome.wroteNothing ? QStringLiteral("verified") : QStringLiteral("wrote"), outcome.file,
                 flashOfText(outcome.part), placeText(outcome));
    case Kind::WriteVerifyDiffers:
        return QLatin1String("the write's verify found the flash differing from ") + outcome.file +
               QLatin1String(": the chip may be worn or write-protected");
    case Kind::SectorVerifyDiffers:
        return sectorVerifyText(outcome);
    case Kind::ReloadAfterWriteFailed:
        return QLatin1String("the reload after the flash write failed: the flash holds ") + outcome.file +
               QLatin1String(" (written and verified), but the FPGA was not configured from it; see its log above "
                             "('feldmoor-cli reload' tries again)");
    case Kind::ImageCutShort:
        return imageCutShortText(outcome);
    case Kind::AwaitsSectorRead:
        return QStringLiteral("its erases and writes depend on what the sector read finds: only the sectors that "
                              "differ from the image are written, then the whole image is verified");
    case Kind::Timeout:
        return QStringLiteral("timed out after %1 s (--timeout); the tool was ended").arg(outcome.seconds);
    case Kind::TooManyRestarts:
        return QStringLiteral("%1 after %2 restarts: the flash keeps finishing erases too fast; check the flash chip "
                              "and its write protection, or raise --retries")
            .arg(restartReasonText(outcome.toolLine))
            .arg(outcome.restarts);
    case Kind::ToolEndedFromOutside:
        return QLatin1String("OpenOCD was ended from outside during ") + stepName(outcome.step) +
               QLatin1String(" (something ended every openocd.exe, as the Feldmoor window does when its run ends): "
                             "run the job again");
    case Kind::ToolStoppedEarly:
        return QLatin1String("OpenOCD exited 0 before the end of its list during ") + stepName(outcome.step) +
               QLatin1String(" (its last command never reported: something ended it, as the Feldmoor window ends "
                             "every openocd.exe when its run ends): run the job again");
    case Kind::ToolFailed:
        return QLatin1String("OpenOCD ") +
               (outcome.crashed ? QStringLiteral("crashed") : QStringLiteral("exited with code %1").arg(outcome.exitCode)) +
               QLatin1String(" during ") + stepName(outcome.step) + QLatin1String(": see its log above");
    case Kind::AdapterLostAtInit:
        return QLatin1String("the adapter stopped answering during init in ") + stepName(outcome.step) +
               (outcome.toolLine.isEmpty() ? QString() : QLatin1String(" (") + outcome.toolLine + QLatin1Char(')')) +
               QLatin1String(", and OpenOCD went on and exited 0: nothing was done on the board; check the adapter's "
                             "USB cable and the board's power, then run the job again");
    case Kind::ToolMissing:
        return QLatin1String("OpenOCD is missing: ") + outcome.program +
               QLatin1String(" does not exist; install the QB562 build of OpenOCD there");
    case Kind::ToolNotStartable:
        return QLatin1String("OpenOCD could not be started (") + outcome.program + QLatin1String(": ") + outcome.error +
               QLatin1String("); check that it is the QB562 build and may be run");
    case Kind::NoAdapter:
        return QStringLiteral("no QB562 adapter is attached: plug one in ('feldmoor-cli adapters' lists them)");
    case Kind::AdapterGone:
        return QLatin1String("the chosen adapter (") +
               (outcome.adapter.serial.isEmpty() ? outcome.adapter.usbLocation
                                                 : QLatin1String("serial ") + outcome.adapter.serial) +
               QLatin1String(") is no longer attached: plug it in again");
    case Kind::Interrupted:
        return QStringLiteral("interrupted (Ctrl-C); the tool was ended");
    case Kind::HungUp:
        return QStringLiteral("hung up (SIGHUP: the terminal or the session closed); the tool was ended");
    case Kind::Terminated:
        return QStringLiteral("terminated; the tool was ended");
    }
    return QString();
}

bool pointsAtLog(OutcomeKind kind)
{
    switch (kind) {
    case Kind::NoStatusRegister:
    case Kind::NoFlashGeometry:
    case Kind::ReloadAfterWriteFailed:
    case Kind::ToolFailed:
        return true;
    default:
        return false;
    }
}

QString noticeText(const Notice &notice)
{
    switch (notice.kind) {
    case Notice::Kind::PastMismatch:
        return QStringLiteral("going on despite the mismatch (--force)");
    case Notice::Kind::CommandsForBoard:
        return QStringLiteral("the board holds %1 (IDCODE %2): the commands are for it")
            .arg(notice.part, hex32(notice.idcode.value_or(0)));
    case Notice::Kind::ErasingSectors:
        return QStringLiteral("erasing %1 of the %2 flash for %3 (%4 bytes at 0x%5); nothing outside them changes")
            .arg(sectorsText(notice.flash, notice.range), byteSize(qint64(notice.flash.size)), notice.file)
            .arg(notice.fileSize)
            .arg(notice.range.offset, 8, 16, QLatin1Char('0'));
    case Notice::Kind::ErasingRange:
        return QStringLiteral("erasing %1 rounded out to whole sectors of the %2 flash for %3; nothing after them "
                              "changes")
            .arg(rangeText(notice.range), byteSize(qint64(notice.flash.size)), notice.file);
    }
    return QString();
}

QString restartReason(const Restart &restart)
{
    return restartReasonText(restart.report);
}

QString dryRunNote(const Step &step)
{
    switch (step.kind) {
    case StepKind::FlashGeometryRead:
    case StepKind::FlashSizeRead: {
        const std::optional<FlashRange> &known = step.dryRunRange;
        return QLatin1String("its judge checks the range") +
               (known ? QStringLiteral(" (%1 bytes from 0x%2)").arg(known->size).arg(known->offset, 0, 16) : QString()) +
               (step.kind == StepKind::FlashGeometryRead ? QLatin1String(" against the flash's size and sectors it reports")
                                                         : QLatin1String(" against the flash's size it reports")) +
               QLatin1String("; without a board nothing is checked here");
    }
    case StepKind::FlashRead:
    case StepKind::BlankCheckRead:
        return QStringLiteral("its judge checks the range against the flash's size that 'flash banks' reports first; "
                              "OpenOCD refuses a range past the end before reading");
    case StepKind::SectorRead: {
        const FlashRange read = step.dryRunRange.value_or(FlashRange{});
        return QStringLiteral("reads back %1 bytes from 0x%2, the sectors the image covers; its judge checks the range "
                              "against the flash's size and sectors, then compares each sector with the image")
            .arg(read.size)
            .arg(read.offset, 8, 16, QLatin1Char('0'));
    }
    default:
        return QString();
    }
}

} // namespace cli
