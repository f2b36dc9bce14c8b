#include "cli/serialsupply.h"

#include "cli/records/recordstore.h"

#include "engine/bytecount.h"
#include "cli/exitcodes.h"
#include "engine/jobrunner.h"

namespace cli {

using namespace engine;

ValueFate serialFate(const JobState &found)
{
    if (!found.writeBegan)
        return ValueFate::Free;
    return found.contentsMatch.value_or(false) ? ValueFate::Used : ValueFate::Spoiled;
}

SerialSupply::Opened SerialSupply::open(RecordStore &store, const SerialNumberRequest &request, const JobRequest &job)
{
    Opened opened;
    const auto refuse = [&opened](int code, const QString &error) {
        opened.errorCode = code;
        opened.error = error;
        return std::move(opened);
    };
    if (job.mode != JobRequest::Mode::Load || job.load.kind != FileKind::Bin)
        return refuse(exitcode::kUsage, QStringLiteral("--serial-number writes into the flash: a load into the FPGA "
                                                       "has no place for it (--kind bin writes a .bit's data to the "
                                                       "flash)"));
    QString error;
    const std::optional<QList<PoolState>> pools = readPools(store.database(), request.pool, error);
    if (!pools)
        return refuse(exitcode::kBadFile, QLatin1String("can't read the serial pools: ") + error);
    if (pools->isEmpty())
        return refuse(exitcode::kUsage, QStringLiteral("there is no pool named %1 ('feldmoor-cli pool show' lists "
                                                       "them)")
                                            .arg(request.pool));
    const SerialFormat format = pools->first().range.format;
    const quint64 length = quint64(serialBytes(format, 0).size());
    const quint64 offset = job.flash.offset.value_or(0);
    const quint64 end = offset + quint64(job.fileSize);
    if (request.address < end && request.address + length > offset)
        return refuse(exitcode::kUsage,
                      QStringLiteral("the serial number's %1 bytes at %2 lie inside the image's range (%3 to %4): "
                                     "give an address outside it")
                          .arg(length)
                          .arg(hex32(quint32(request.address)), hex32(quint32(offset)), hex32(quint32(end - 1))));
    std::unique_ptr<SerialSupply> supply(new SerialSupply(store, request, format));
    if (const std::optional<QString> failed = takeLoaderMark(store.database(), supply->mark_))
        return refuse(exitcode::kBadFile, QLatin1String("can't mark this loader's reservations: ") + *failed);
    opened.supply = std::move(supply);
    return opened;
}

SerialSupply::Draw SerialSupply::draw()
{
    Draw result;
    const DrawnValue drawn = drawValue(store_.database(), request_.pool, mark_);
    switch (drawn.outcome) {
    case DrawOutcome::Drawn: {
        DrawnSerial serial;
        serial.value = drawn.value;
        serial.write = {request_.address, serialBytes(drawn.range.format, drawn.value)};
        serial.text = serialText(drawn.range.format, drawn.value);
        result.serial = serial;
        return result;
    }
    case DrawOutcome::Empty:
        result.errorCode = exitcode::kPoolEmpty;
        result.error = QStringLiteral("pool %1 has no value left (%2 to %3 all drawn): the board was not touched; "
                                      "'feldmoor-cli pool show %1' counts them")
                           .arg(request_.pool)
                           .arg(drawn.range.first)
                           .arg(drawn.range.last);
        return result;
    case DrawOutcome::NoSuchPool:
        result.errorCode = exitcode::kUsage;
        result.error = QStringLiteral("there is no pool named %1 any more: the board was not touched").arg(request_.pool);
        return result;
    case DrawOutcome::DatabaseFailed:
        break;
    }
    result.errorCode = exitcode::kBadFile;
    result.error = QLatin1String("can't draw a serial number from pool ") + request_.pool + QLatin1String(": ") +
                   drawn.error + QLatin1String("; the board was not touched");
    return result;
}

std::optional<QString> SerialSupply::settle(const DrawnSerial &serial, ValueFate fate)
{
    return settleValue(store_.database(), request_.pool, serial.value, fate);
}

} // namespace cli
