#pragma once

#include <QSqlDatabase>
#include <QString>

namespace store {

// Opens the SQLite file at path under the given connection name, replacing
// an earlier connection of that name. Never creates a file: a missing file,
// one that cannot be read, or one that is not a database throws store::Error
// naming the file.
QSqlDatabase openDatabase(const QString &connectionName, const QString &path);

// Closes and forgets the named connection (queries must be finished).
void closeDatabase(const QString &connectionName);

} // namespace store
