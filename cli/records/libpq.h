#ifndef FELDMOOR_CLI_RECORDS_LIBPQ_H
#define FELDMOOR_CLI_RECORDS_LIBPQ_H

#include <QString>

#include <libpq-fe.h>

#include <memory>
#include <optional>

class QLibrary;

namespace cli {

// libpq, loaded when a PostgreSQL record is first asked for, not when the
// loader starts: it brings Kerberos, LDAP and TLS libraries with it, which
// every other run of the loader (a --version, a load with a CSV record)
// would pay for at start-up.
struct LibPq {
    std::shared_ptr<QLibrary> library;
    decltype(&PQconninfoParse) conninfoParse = nullptr;
    decltype(&PQconninfoFree) conninfoFree = nullptr;
    decltype(&PQfreemem) freemem = nullptr;
    decltype(&PQconnectdb) connectdb = nullptr;
    decltype(&PQstatus) status = nullptr;
    decltype(&PQerrorMessage) errorMessage = nullptr;
    decltype(&PQfinish) finish = nullptr;
    decltype(&PQsetNoticeProcessor) setNoticeProcessor = nullptr;
    decltype(&PQexecParams) execParams = nullptr;
    decltype(&PQresultStatus) resultStatus = nullptr;
    decltype(&PQresultErrorMessage) resultErrorMessage = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQnfields) nfields = nullptr;
    decltype(&PQgetisnull) getisnull = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQclear) clear = nullptr;
};

// Nothing, with why in `error`, when libpq.so.5 or one of its functions is
// not there.
std::optional<LibPq> loadLibPq(QString &error);

} // namespace cli

#endif
