#pragma once

#include "store/DataDir.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector>

namespace store {

struct ServerConfig;

struct CopiedTable {
    QString store; // "Class", "Reports", "OMZ2006"
    QString table;
    qint64 rows = 0;
};

// Copies the rule base kept in the SQLite files of `from` (Class.db,
// OMZ2006.db, Reports.db when there is one) into the server stores `to`
// names, making their schemas and tables. Refuses before writing anything
// when a server store already holds tables. Each store is copied in one
// transaction, rows in the order they were written; when a later store
// fails, the stores copied before are removed again, so the server is left
// as it was. Throws store::Error.
QVector<CopiedTable> copyToServer(const DataDir &from, const ServerConfig &to);

// The message for a failure after copyToServer succeeded: the stores now
// exist on the server (a second copy would be refused), which the user must
// know to finish by hand or start again.
QString storesMadeAllTheSame(const ServerConfig &to, bool withReports, const QString &failure);

// Copies the tables of a server store (Class or Secondary) into a new
// SQLite file at path made from the built-in schema, in one transaction.
void copyFromServer(const QSqlDatabase &server, StoreKind kind, const QString &path);

} // namespace store
