#include "cli/records/postgresdatabase.h"

#include <vector>

namespace cli {

namespace {

// libpq's messages end in a line break and may span lines; one line reads
// better after our own words.
QString oneLine(const char *message)
{
    return QString::fromUtf8(message).simplified();
}

// The server's notices ("relation already exists, skipping") are not ours
// to print.
void ignoreNotice(void *, const char *) {}

} // namespace

std::optional<QString> PostgresDatabase::uriProblem(const QString &uri)
{
    QString missing;
    const std::optional<LibPq> pq = loadLibPq(missing);
    if (!pq)
        return missing;
    char *error = nullptr;
    PQconninfoOption *options = pq->conninfoParse(uri.toUtf8().constData(), &error);
    if (!options) {
        const QString words = error ? oneLine(error) : QStringLiteral("out of memory");
        pq->freemem(error);
        return QLatin1String("libpq can't read the URI: ") + words;
    }
    bool password = false;
    for (const PQconninfoOption *option = options; option->keyword; ++option) {
        if (qstrcmp(option->keyword, "password") == 0 && option->val)
            password = true;
    }
    pq->conninfoFree(options);
    if (password)
        return QStringLiteral("the URI carries a password, which would show in the process list and the shell's "
                              "history: give it in PGPASSWORD or ~/.pgpass instead");
    return std::nullopt;
}

std::unique_ptr<PostgresDatabase> PostgresDatabase::open(const QString &uri, QString &error)
{
    std::optional<LibPq> pq = loadLibPq(error);
    if (!pq)
        return nullptr;
    PGconn *connection = pq->connectdb(uri.toUtf8().constData());
    if (!connection) {
        error = QStringLiteral("out of memory");
        return nullptr;
    }
    if (pq->status(connection) != CONNECTION_OK) {
        error = oneLine(pq->errorMessage(connection));
        pq->finish(connection);
        return nullptr;
    }
    pq->setNoticeProcessor(connection, ignoreNotice, nullptr);
    return std::unique_ptr<PostgresDatabase>(new PostgresDatabase(std::move(*pq), connection));
}

PostgresDatabase::~PostgresDatabase()
{
    pq_.finish(connection_);
}

bool PostgresDatabase::connected() const
{
    return pq_.status(connection_) == CONNECTION_OK;
}

std::optional<QString> PostgresDatabase::run(const QString &sql, const QStringList &parameters, QList<SqlRow> *rows)
{
    std::vector<QByteArray> texts;
    std::vector<const char *> values;
    texts.reserve(size_t(parameters.size()));
    for (const QString &parameter : parameters) {
        if (parameter.isNull()) {
            values.push_back(nullptr);
            continue;
        }
        texts.push_back(parameter.toUtf8());
        values.push_back(texts.back().constData());
    }
    PGresult *result = pq_.execParams(connection_, sql.toUtf8().constData(), int(values.size()), nullptr,
                                    values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = pq_.resultStatus(result);
    std::optional<QString> error;
    if (status == PGRES_TUPLES_OK && rows) {
        for (int r = 0; r < pq_.ntuples(result); ++r) {
            SqlRow row;
            for (int c = 0; c < pq_.nfields(result); ++c)
                row << (pq_.getisnull(result, r, c) ? QString() : QString::fromUtf8(pq_.getvalue(result, r, c)));
            rows->append(row);
        }
    } else if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        error = oneLine(result ? pq_.resultErrorMessage(result) : pq_.errorMessage(connection_));
    }
    pq_.clear(result);
    return error;
}

} // namespace cli
