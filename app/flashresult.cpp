#include "app/flashresult.h"


#include <QCoreApplication>
#include <QDir>

namespace {

QString hex(quint64 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

QString operationName(FlashOperation operation)
{
    switch (operation) {
    case FlashOperation::Verify:
        return QCoreApplication::translate("Widget", "校验");
    case FlashOperation::ReadBack:
        return QCoreApplication::translate("Widget", "读出");
    case FlashOperation::Erase:
        return QCoreApplication::translate("Widget", "擦除");
    case FlashOperation::BlankCheck:
        return QCoreApplication::translate("Widget", "查空");
    }
    return QString();
}

QString partWords(const QString &part)
{
    return part.isEmpty() ? QCoreApplication::translate("Widget", "未知") : part;
}

QString failureReason(const FlashResult &result)
{
    switch (flashFailure(result.kind)) {
    case FlashFailure::Range:
        return QCoreApplication::translate("Widget", "范围超出 flash 或没有按扇区对齐, flash 未改动");
    case FlashFailure::AdapterGone:
        return QCoreApplication::translate("Widget", "适配器已拔出");
    case FlashFailure::HostFile:
        return result.operation == FlashOperation::ReadBack ? QCoreApplication::translate("Widget", "无法写入文件 %1").arg(QDir::toNativeSeparators(result.target))
                                                            : QCoreApplication::translate("Widget", "无法写入临时文件");
    case FlashFailure::ToolMissing:
        return QCoreApplication::translate("Widget", "OpenOCD 无法启动");
    case FlashFailure::TooManyRestarts:
        return QCoreApplication::translate("Widget", "扇区擦除总是过快, 已放弃");
    case FlashFailure::PartMismatch:
        return QCoreApplication::translate("Widget", "板上的器件不符");
    case FlashFailure::Timeout:
        return QCoreApplication::translate("Widget", "超时");
    case FlashFailure::Differs:
        return QCoreApplication::translate("Widget", "flash 与文件不同");
    default:
        return QCoreApplication::translate("Widget", "OpenOCD 出错, 见上面的日志");
    }
}

} // namespace

FlashFailure flashFailure(engine::OutcomeKind kind)
{
    using Kind = engine::OutcomeKind;
    if (engine::succeeded(kind))
        return FlashFailure::None;
    switch (kind) {
    case Kind::NoFamilyScript:
    case Kind::RangeRefused:
    case Kind::SerialPastFlash:
    case Kind::SerialInImage:
    case Kind::SectorUnitMismatch:
    case Kind::ToolRefusedRange:
        return FlashFailure::Range;
    case Kind::NoAdapter:
    case Kind::AdapterGone:
        return FlashFailure::AdapterGone;
    case Kind::HostFileFailed:
        return FlashFailure::HostFile;
    case Kind::ToolMissing:
    case Kind::ToolNotStartable:
        return FlashFailure::ToolMissing;
    case Kind::TooManyRestarts:
        return FlashFailure::TooManyRestarts;
    case Kind::ChainEmpty:
    case Kind::UnknownIdcode:
    case Kind::UnknownBoardPart:
    case Kind::PartMismatch:
        return FlashFailure::PartMismatch;
    case Kind::Timeout:
        return FlashFailure::Timeout;
    case Kind::FlashDiffers:
    case Kind::WriteVerifyDiffers:
    case Kind::SectorVerifyDiffers:
        return FlashFailure::Differs;
    case Kind::DoneLow:
    case Kind::StatusFromEmptyChain:
        return FlashFailure::DoneLow;
    case Kind::NotBlank:
        return FlashFailure::NotBlank;
    default:
        return FlashFailure::Tool;
    }
}

QString flashRangeWords(const std::optional<engine::FlashRange> &range)
{
    if (!range || range->size == 0)
        return QCoreApplication::translate("Widget", "整个 flash");
    return hex(range->offset) + QLatin1String("..") + hex(range->end() - 1);
}

QString flashResultLine(const FlashResult &result)
{
    const QString range = flashRangeWords(result.range);
    const QString part = partWords(result.boardPart);
    if (result.stopped) {
        return result.operation == FlashOperation::Erase
                   ? QCoreApplication::translate("Widget", "擦除已停止: flash %1 可能已被部分擦除; 板上的 FPGA 是 %2").arg(range, part)
                   : QCoreApplication::translate("Widget", "%1已停止: flash %2; 板上的 FPGA 是 %3").arg(operationName(result.operation), range, part);
    }
    const bool ok = engine::succeeded(result.kind);
    switch (result.operation) {
    case FlashOperation::Verify:
        if (ok)
            return QCoreApplication::translate("Widget", "校验成功: flash %1 与文件一致 (%2 字节); 板上的 FPGA 是 %3")
                .arg(range)
                .arg(result.range ? result.range->size : 0)
                .arg(part);
        if (flashFailure(result.kind) == FlashFailure::Differs && result.difference) {
            const FlashDifference &d = *result.difference;
            return (d.more ? QCoreApplication::translate("Widget", "校验失败: flash %1 与文件不同, 第一个不同的地址是 %2, 至少 %3 个扇区不同; 板上的 FPGA 是 %4")
                           : QCoreApplication::translate("Widget", "校验失败: flash %1 与文件不同, 第一个不同的地址是 %2, %3 个扇区不同; 板上的 FPGA 是 %4"))
                .arg(range, hex(d.firstAddress))
                .arg(d.sectors)
                .arg(part);
        }
        break;
    case FlashOperation::ReadBack:
        if (ok)
            return QCoreApplication::translate("Widget", "读出完成: flash %1 的 %2 字节已写入 %3; 板上的 FPGA 是 %4")
                .arg(range)
                .arg(result.range ? result.range->size : 0)
                .arg(QDir::toNativeSeparators(result.target), part);
        break;
    case FlashOperation::Erase:
        if (ok)
            return QCoreApplication::translate("Widget", "擦除完成: flash %1 的 %2 个扇区已擦除; 板上的 FPGA 是 %3")
                .arg(range)
                .arg(result.range && result.sectorSize ? result.range->size / result.sectorSize : 0)
                .arg(part);
        break;
    case FlashOperation::BlankCheck:
        if (ok && result.blank)
            return QCoreApplication::translate("Widget", "查空完成: flash %1 是空的; 板上的 FPGA 是 %2").arg(range, part);
        if (result.kind == engine::OutcomeKind::NotBlank && result.blank)
            return QCoreApplication::translate("Widget", "查空失败: flash %1 不是空的, 第一个有数据的地址是 %2; 板上的 FPGA 是 %3")
                .arg(range, hex(result.blank->firstNonBlank), part);
        break;
    }
    return QCoreApplication::translate("Widget", "%1失败 (%2): flash %3; 板上的 FPGA 是 %4").arg(operationName(result.operation), failureReason(result), range, part);
}

QString flashImageProblemLine(FlashOperation operation, FlashImageProblem problem, const QString &file)
{
    const QString name = QDir::toNativeSeparators(file);
    switch (problem) {
    case FlashImageProblem::Empty:
        return QCoreApplication::translate("Widget", "%1失败 (文件 %2 是空的); 板未改动").arg(operationName(operation), name);
    case FlashImageProblem::NotBit:
        return QCoreApplication::translate("Widget", "%1失败 (%2 不是有效的 .bit 文件); 板未改动").arg(operationName(operation), name);
    case FlashImageProblem::NotMcs:
        return QCoreApplication::translate("Widget", "%1失败 (%2 不是有效的 .mcs 文件); 板未改动").arg(operationName(operation), name);
    case FlashImageProblem::Unreadable:
    case FlashImageProblem::None:
        break;
    }
    return QCoreApplication::translate("Widget", "%1失败 (无法读取文件 %2); 板未改动").arg(operationName(operation), name);
}

QString readTargetProblemLine(ReadTargetProblem problem, const QString &target)
{
    const QString name = QDir::toNativeSeparators(target);
    switch (problem) {
    case ReadTargetProblem::Folder:
        return QCoreApplication::translate("Widget", "读出失败 (%1 是文件夹, 请给出文件名); 板未改动").arg(name);
    case ReadTargetProblem::NotRegular:
        return QCoreApplication::translate("Widget", "读出失败 (%1 不是普通文件 (设备或管道)); 板未改动").arg(name);
    case ReadTargetProblem::NotWritable:
    case ReadTargetProblem::None:
        break;
    }
    return QCoreApplication::translate("Widget", "读出失败 (无法写入 %1); 板未改动").arg(name);
}

QString noFileLine(FlashOperation operation)
{
    return QCoreApplication::translate("Widget", "%1失败 (没有选择文件); 板未改动").arg(operationName(operation));
}

QString probeFailureLine(FlashOperation operation, engine::OutcomeKind kind, std::optional<quint32> idcode)
{
    const bool mismatch = flashFailure(kind) == FlashFailure::PartMismatch;
    if (mismatch && !idcode)
        return QCoreApplication::translate("Widget", "%1失败 (JTAG 链上没有器件应答); flash 未改动").arg(operationName(operation));
    if (mismatch)
        return QCoreApplication::translate("Widget", "%1失败 (JTAG 链上的器件 (IDCODE %2) 不在器件列表中); flash 未改动")
            .arg(operationName(operation), hex(*idcode));
    return QCoreApplication::translate("Widget", "%1失败 (器件检查没有完成: %2); flash 未改动")
        .arg(operationName(operation), failureReason(FlashResult{operation, kind, false, {}, {}, 0, {}, {}, {}}));
}

QString partCancelLine(FlashOperation operation, const QString &boardPart, const QString &named)
{
    return QCoreApplication::translate("Widget", "%1取消: 板上的 FPGA 是 %2, 所选器件是 %3; flash 未改动").arg(operationName(operation), boardPart, named);
}

QString eraseCancelLine()
{
    return QCoreApplication::translate("Widget", "擦除取消; flash 未改动");
}
