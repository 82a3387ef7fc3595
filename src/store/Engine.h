#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

namespace store {

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

// The store as a user knows it: the file name, or the schema on the server.
QString storeName(const QSqlDatabase &db);

// The data directory's schema script (SQLite) for the server: NOCASE text
// becomes citext, REAL double precision, and every table gets a trailing
// identity column named rowid, so that "ORDER BY rowid" keeps the order in
// which rows were written on both engines. PRAGMAs are dropped.
QString serverSchemaScript(const QString &sqliteScript);

// On the server: inserts rows of `width` values each into the first columns
// of the table, every column as one array of the column's own type
// unnested by a single statement; far fewer values to format and parse than
// rows of literals.
void insertServerRows(const QSqlDatabase &db, const QString &table, qsizetype width,
                      const QVector<QVariantList> &rows);

// An identifier quoted for the server or SQLite (double quotes doubled).
QString quoted(const QString &identifier);

} // namespace store
