#pragma once

#include <QSqlDatabase>
#include <QString>

namespace store {

// Runs a script of SQL statements separated by ";" at the ends of
// statements (quotes and "--" comments respected), in one transaction.
void runScript(const QSqlDatabase &db, const QString &script);

// Creates the SQLite file path holding the empty tables of one built-in
// schema ("class.sql", "omz.sql", "reports.sql"). The caller removes the
// file when this fails.
void createSchemaDatabase(const QString &path, const QString &schema);

// Creates a data directory: the three databases with their tables and
// Shapes.txt, empty or filled with the demo rule set (which adds the help
// script and Instructions.txt). Refuses (store::Error) when any of the files
// it would write exists already, so nothing is ever overwritten; on any
// failure it leaves nothing behind.
void createDataDirectory(const QString &path, bool withDemo);

} // namespace store
