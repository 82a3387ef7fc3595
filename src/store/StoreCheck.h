#pragma once

#include "store/DataDir.h"

#include <QSqlDatabase>
#include <QString>

namespace store {

// Refuses a database the program cannot work on: a table it reads is
// missing, a column stands where another is read by position, or SQLite's
// quick check finds damage. Throws store::Error naming the file.
void checkStore(const QSqlDatabase &db, StoreKind kind);

// Start-up checks of a data directory: it exists, and Class.db and the
// report database open and pass checkStore (OMZ2006.db is checked by the
// window that uses it). Throws store::Error naming the directory or the file.
void checkDataDir(const DataDir &dir);

// Why changes made in the directory cannot be saved (the directory or a
// file the program rewrites is read-only); empty when they can.
QString unsavableReason(const DataDir &dir);

} // namespace store
