#ifndef FELDMOOR_TESTS_CLI_THROWAWAYPOSTGRES_H
#define FELDMOOR_TESTS_CLI_THROWAWAYPOSTGRES_H

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A PostgreSQL cluster of the suite's own, made with Debian's initdb in a
// temporary folder and listening only on a Unix socket there; stopped and
// removed with the object. The server refuses to run as root, so under root
// it runs as nobody.
class ThrowawayPostgres {
public:
    ThrowawayPostgres();
    ~ThrowawayPostgres();

    // The server binaries are installed (else the cases that need it skip).
    static bool available();
    // Why it didn't start, empty when it runs.
    QString start();
    void stop();
    QString uri(const QString &database = QStringLiteral("postgres")) const;

private:
    QString run(const QString &program, const QStringList &arguments) const;

    std::unique_ptr<QTemporaryDir> folder_;
    bool running_ = false;
};

#endif
