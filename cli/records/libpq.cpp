#include "cli/records/libpq.h"

#include <QLibrary>

namespace cli {

namespace {

template<typename Function>
bool resolve(QLibrary &library, const char *name, Function &function, QString &error)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    if (!function)
        error = QStringLiteral("libpq has no %1: %2").arg(QLatin1String(name), library.errorString());
    return function != nullptr;
}

} // namespace

std::optional<LibPq> loadLibPq(QString &error)
{
    LibPq pq;
    // Never unloaded: a connection may outlive any one holder.
    pq.library = std::make_shared<QLibrary>(QStringLiteral("pq"), 5);
    QLibrary &library = *pq.library;
    if (!library.load()) {
        error = QStringLiteral("PostgreSQL records need libpq (the libpq5 package), which can't be loaded: ") +
                library.errorString();
        return std::nullopt;
    }
    const bool all = resolve(library, "PQconninfoParse", pq.conninfoParse, error) &&
                     resolve(library, "PQconninfoFree", pq.conninfoFree, error) &&
                     resolve(library, "PQfreemem", pq.freemem, error) &&
                     resolve(library, "PQconnectdb", pq.connectdb, error) &&
                     resolve(library, "PQstatus", pq.status, error) &&
                     resolve(library, "PQerrorMessage", pq.errorMessage, error) &&
                     resolve(library, "PQfinish", pq.finish, error) &&
                     resolve(library, "PQsetNoticeProcessor", pq.setNoticeProcessor, error) &&
                     resolve(library, "PQexecParams", pq.execParams, error) &&
                     resolve(library, "PQresultStatus", pq.resultStatus, error) &&
                     resolve(library, "PQresultErrorMessage", pq.resultErrorMessage, error) &&
                     resolve(library, "PQntuples", pq.ntuples, error) &&
                     resolve(library, "PQnfields", pq.nfields, error) &&
                     resolve(library, "PQgetisnull", pq.getisnull, error) &&
                     resolve(library, "PQgetvalue", pq.getvalue, error) &&
                     resolve(library, "PQclear", pq.clear, error);
    if (!all)
        return std::nullopt;
    return pq;
}

} // namespace cli
