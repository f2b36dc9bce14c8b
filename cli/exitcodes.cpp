#include "cli/exitcodes.h"

namespace cli {

QString exitCodeTable()
{
    QString table = QStringLiteral("Exit codes:\n");
    for (const ExitCodeMeaning &meaning : kExitCodes)
        table += QStringLiteral("  %1 %2\n").arg(meaning.code, -4).arg(QLatin1String(meaning.help));
    return table;
}

} // namespace cli

namespace cli {

int exitCodeOf(engine::OutcomeKind kind)
{
    using Kind = engine::OutcomeKind;
    switch (kind) {
    case Kind::Passed:
    case Kind::Detected:
    case Kind::FlashMatches:
    case Kind::Configured:
    case Kind::DoneNotChecked:
    case Kind::ReadDone:
    case Kind::Blank:
    case Kind::Erased:
    case Kind::Written:
    case Kind::AwaitsSectorRead:
        return exitcode::kOk;
    case Kind::ChainEmpty:
    case Kind::UnknownIdcode:
    case Kind::UnknownBoardPart:
    case Kind::PartMismatch:
        return exitcode::kPartMismatch;
    case Kind::NoFamilyScript:
    case Kind::RangeRefused:
    case Kind::SerialPastFlash:
    case Kind::SerialInImage:
    case Kind::SectorUnitMismatch:
    case Kind::ToolRefusedRange:
        return exitcode::kUsage;
    case Kind::FlashDiffers:
    case Kind::WriteVerifyDiffers:
    case Kind::SectorVerifyDiffers:
        return exitcode::kFlashDiffers;
    case Kind::DoneLow:
    case Kind::StatusFromEmptyChain:
        return exitcode::kDoneLow;
    case Kind::NotBlank:
        return exitcode::kNotBlank;
    case Kind::HostFileFailed:
        return exitcode::kBadFile;
    case Kind::Timeout:
        return exitcode::kTimeout;
    case Kind::TooManyRestarts:
        return exitcode::kTooManyRestarts;
    case Kind::ToolMissing:
    case Kind::ToolNotStartable:
        return exitcode::kToolMissing;
    case Kind::NoAdapter:
    case Kind::AdapterGone:
        return exitcode::kNoAdapter;
    case Kind::Interrupted:
        return exitcode::kInterrupted;
    case Kind::HungUp:
        return exitcode::kHungUp;
    case Kind::Terminated:
        return exitcode::kTerminated;
    case Kind::NoStatusRegister:
    case Kind::NoFlashGeometry:
    case Kind::DumpShort:
    case Kind::ReloadAfterWriteFailed:
    case Kind::ImageCutShort:
    case Kind::ToolEndedFromOutside:
    case Kind::ToolStoppedEarly:
    case Kind::ToolFailed:
    case Kind::AdapterLostAtInit:
        return exitcode::kToolFailed;
    }
    return exitcode::kToolFailed;
}

} // namespace cli
