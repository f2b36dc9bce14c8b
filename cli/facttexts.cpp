#include "cli/facttexts.h"

#include "engine/bytecount.h"

namespace cli {

using namespace engine;

QString jobKindText(const JobRequest &request)
{
    switch (request.mode) {
    case JobRequest::Mode::Load:
        return request.load.kind == FileKind::Bit ? QStringLiteral("bit") : QStringLiteral("bin");
    case JobRequest::Mode::Detect:
        return QStringLiteral("detect");
    case JobRequest::Mode::Verify:
        return QStringLiteral("verify");
    case JobRequest::Mode::Read:
        return QStringLiteral("read");
    case JobRequest::Mode::Erase:
        return QStringLiteral("erase");
    case JobRequest::Mode::BlankCheck:
        return QStringLiteral("blank-check");
    case JobRequest::Mode::Reload:
        return QStringLiteral("reload");
    }
    return QString();
}

QString doneCheckText(const DoneCheck &check)
{
    if (!check.high)
        return QLatin1String("DONE not checked for ") + check.family;
    return QStringLiteral("DONE is %1 (status register %2)").arg(*check.high ? "high" : "low", hex32(check.status));
}

QString adapterInUseText(const feldmoor::AdapterIdentity &identity, const LockHolder &holder)
{
    return QStringLiteral("adapter %1 is in use by %2 (process %3); wait for it to finish")
        .arg(QString::fromStdString(identity.location),
             holder.loader ? QStringLiteral("another feldmoor-cli") : QStringLiteral("the window"))
        .arg(holder.pid);
}

} // namespace cli
