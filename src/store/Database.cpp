#include "store/Database.h"

#include "store/Error.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

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
