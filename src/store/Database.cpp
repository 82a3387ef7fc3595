#include "store/Database.h"

#include "store/Engine.h"
#include "store/Error.h"
#include "store/ServerConfig.h"
#include "store/Sql.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <optional>

namespace store {

QSqlDatabase openDatabase(const QString &connectionName, const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const QFileInfo info(path);
    // SQLite would create a missing file; refuse before it can.
    if (!info.exists())
        throw Error(QStringLiteral("%1 was not found in %2.").arg(name, info.absolutePath()));
    if (!info.isFile() || !info.isReadable())
        throw Error(QStringLiteral("%1 cannot be read (%2).").arg(name, info.absoluteFilePath()));

    closeDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(info.absoluteFilePath());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw Error(QStringLiteral("%1 cannot be opened: %2").arg(name, error.text()),
                    error.nativeErrorCode());
    }
    // open() succeeds on any file; the first read tells whether it is a database.
    QString problem;
    QString code;
    {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            problem = probe.lastError().databaseText();
            code = probe.lastError().nativeErrorCode();
        }
    }
    if (!problem.isEmpty()) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw Error(QStringLiteral("%1 is not a usable database: %2").arg(name, problem), code);
    }
    return db;
}

QSqlDatabase openStore(const QString &connectionName, const DataDir &dir, StoreKind kind)
{
    if (const std::optional<ServerConfig> server = ServerConfig::read(dir))
        return openServerStore(connectionName, *server, kind);
    return openDatabase(connectionName, dir.file(QString::fromLatin1(storeFile(kind))));
}

QSqlDatabase openServerStore(const QString &connectionName, const ServerConfig &config, StoreKind kind,
                             bool mayBeMissing)
{
    closeDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    const QString schema = config.schema(kind);
    const QString what = QStringLiteral("the %1 store (schema %2, %3)").arg(storeCaption(kind), schema, config.describe());
    auto refuse = [&](const QString &text, const QString &code = {}) {
        db = QSqlDatabase();
        closeDatabase(connectionName);
        throw Error(text, code);
    };
    if (!db.isValid())
        refuse(QStringLiteral("The PostgreSQL driver of Qt is not installed (package libqt6sql6-psql); "
                              "%1 cannot be opened.").arg(what));
    db.setHostName(config.host);
    db.setPort(config.port);
    db.setDatabaseName(config.database);
    db.setUserName(config.user);
    db.setPassword(ServerConfig::runPassword());
    QString options = QStringLiteral("connect_timeout=10;application_name=orvana-class");
    if (!config.transport.isEmpty())
        options += u';' + config.connectOptions();
    db.setConnectOptions(options);
    if (!db.open()) {
        const QString reason = whyNotOpened(db);
        if (reason.contains(QLatin1String("password authentication failed"))
            || reason.contains(QLatin1String("no password supplied")))
            refuse(QStringLiteral("The server refused the user for %1: %2\nKeep the password in ~/.pgpass, "
                                  "PGPASSWORD or a service file, or type it when the program asks.")
                       .arg(what, reason),
                   QString::fromLatin1(kAuthenticationRefused));
        refuse(QStringLiteral("The server cannot be reached for %1: %2").arg(what, reason));
    }
    try {
        if (!useStoreSchema(db, schema, kind != StoreKind::Reports) && !mayBeMissing)
            throw Error(QStringLiteral("The schema %1 does not exist in %2.").arg(schema, config.describe()));
    } catch (const Error &error) {
        refuse(error.message(), error.nativeCode());
    }
    return db;
}

void closeDatabase(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

} // namespace store
