#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

namespace store {

class RowBytes;
struct ServerVersions;

// Where the SQL of the two engines differs, and nowhere else: the stores
// are SQLite files in the data directory, or schemas on a PostgreSQL server.
// Everything above store/ runs the same statements on either.
enum class Engine { SQLite, Server };

Engine engineOf(const QSqlDatabase &db);

// Opens a write transaction that holds the store's write lock until commit
// or rollback, so that what is read inside it stays true until the writes.
// SQLite: BEGIN IMMEDIATE. Server: BEGIN plus a transaction lock per store
// (schema), waiting at most as long as SQLite's busy timeout.
void beginWrite(const QSqlDatabase &db);

// The tables of the store, in binary name order, names exactly as stored.
QStringList tableNames(const QSqlDatabase &db);
// The columns of a table in column order; empty when there is no such table.
// On the server, tables the program made are found by their folded name.
QStringList tableColumns(const QSqlDatabase &db, const QString &table);

// An ORDER BY term that orders a text column without regard to case: the
// column is NOCASE in SQLite and citext on the server.
QString caselessOrder(const QSqlDatabase &db, const QString &column);

// On the server: for a query "SELECT columns FROM table [WHERE ...] ORDER BY
// rowid", one that returns a single row telling whether any of those rows
// changed, without carrying their values to the client: their count and the
// sums of their rowids and of the transactions that wrote them (xmin). Every
// save writes new rows, whose rowids and xmin only grow, and any other change
// of a row gives it a new xmin.
QString serverDigestQuery(const QString &sql);
// The same query reading, after its own columns, each row's rowid and xmin,
// so that a load can sum them as serverDigestQuery does without a second
// query.
QString withServerVersions(const QString &sql);

// On the server: whether the database holds the schema.
bool schemaExists(const QSqlDatabase &db, const QString &schema);

// On the server: the schema that holds the citext extension, or empty text
// when the database has none.
QString caselessTextSchema(const QSqlDatabase &db);

// On the server: points the session at the store's schema, and keeps that
// for a new session after a lost one. The search path holds that schema
// and, once it exists, the schema of the citext extension, never public:
// objects other roles made there must not run inside a save. Throws
// store::Error when withCaselessText and citext sits in public. False when
// the schema does not exist (yet).
bool useStoreSchema(const QSqlDatabase &db, const QString &schema, bool withCaselessText);

// On the server: whether the server ended the connection's session (it
// restarted, or an administrator ended it); also true when a new session
// could not be opened.
bool sessionLost(const QSqlDatabase &db);
// On the server: whether the session is outside any transaction, so that a
// statement that failed because the session was lost can run again on a
// new one.
bool outsideTransaction(const QSqlDatabase &db);
// Why a server connection did not open, in libpq's words.
QString whyNotOpened(const QSqlDatabase &db);
// The server's text of an error without its severity and the lines of
// detail after it.
QString serverMessage(QString text);

// Opens a new session for a server connection with the same settings and
// the password kept for the run, and points it at the same store. Throws
// store::Error saying the server stays away.
void reconnect(const QSqlDatabase &db);

// The store as a user knows it: the file name, or the schema on the server.
QString storeName(const QSqlDatabase &db);

// The data directory's schema script (SQLite) for the server: NOCASE text
// becomes citext, REAL double precision, and every table gets a trailing
// identity column named rowid, so that "ORDER BY rowid" keeps the order in
// which rows were written on both engines. PRAGMAs are dropped.
QString serverSchemaScript(const QString &sqliteScript);

// On the server: inserts rows of `width` values each into the first columns
// of the table (or into the named ones), every column as one array of the
// column's own type unnested by a single statement; far fewer values to
// format and parse than rows of literals.
void insertServerRows(const QSqlDatabase &db, const QString &table, qsizetype width,
                      const QVector<QVariantList> &rows, const QStringList &columns = {});

// On the server, inside a transaction: several queries (values bound to
// their "?"s) sent together, one round trip for all, read through libpq
// itself. Each row's first `width` values go, as stored, to rows; with
// versions, the two columns after them are the row's rowid and xmin (see
// withServerVersions), and the rows go in rowid order whatever order the
// statement gave them in (a DELETE's RETURNING). A save reads ten thousand rows this way without a
// QVariant for every value. Throws store::Error.
struct ServerRead {
    QString sql;
    QVariantList values;
    int width = 0;
    RowBytes *rows = nullptr;
    ServerVersions *versions = nullptr;
};
void readServerRows(const QSqlDatabase &db, const QVector<ServerRead> &reads);
// On the server, inside a transaction: one statement with its values bound
// (bytes as bytea), in one round trip; Qt's would take three (prepare,
// execute, deallocate). Throws store::Error.
void runServerStatement(const QSqlDatabase &db, const QString &sql, const QVariantList &values);

// An identifier quoted for the server or SQLite (double quotes doubled).
QString quoted(const QString &identifier);

} // namespace store
