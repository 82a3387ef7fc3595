#pragma once

#include <QSqlDatabase>
#include <QString>

namespace store {

// Runs a script of SQL statements separated by ";" at the ends of
// statements (quotes and "--" comments respected), in one transaction.
void runScript(const QSqlDatabase &db, const QString &script);

// The same statements without a transaction of their own (PRAGMAs included),
// for a caller that holds one.
void runStatements(const QSqlDatabase &db, const QString &script);

// The text of a built-in script ("class.sql", "demo/class.sql", ...).
QString builtInScript(const QString &name);

// Creates the SQLite file path holding the empty tables of one built-in
// schema ("class.sql", "omz.sql", "reports.sql"). The caller removes the
// file when this fails.
void createSchemaDatabase(const QString &path, const QString &schema);

// Creates a data directory: the three databases with their tables and
// Shapes.txt, empty or filled with the demo rule set (which adds the help
// script and Instructions.txt). Refuses (store::Error) when any of the files
// it would write exists already, so nothing is ever overwritten; on any
// failure it leaves nothing behind. When the directory holds a connection
// file (server.ini) the databases are made on that server instead, which
// is refused when its stores hold tables already.
void createDataDirectory(const QString &path, bool withDemo);

} // namespace store
