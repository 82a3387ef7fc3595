#pragma once

#include "store/DataDir.h"

#include <QSqlDatabase>
#include <QString>

namespace store {

// Opens the SQLite file at path under the given connection name, replacing
// an earlier connection of that name. Never creates a file: a missing file,
// one that cannot be read, or one that is not a database throws store::Error
// naming the file.
QSqlDatabase openDatabase(const QString &connectionName, const QString &path);

struct ServerConfig;

// The server refused the user (a password is missing or wrong): the native
// code of the store::Error thrown, so that start-up can ask for a password.
inline constexpr char kAuthenticationRefused[] = "28P01";

// Opens a store of the data directory: its SQLite file, or its schema on
// the server the directory's server.ini names. Never creates anything.
QSqlDatabase openStore(const QString &connectionName, const DataDir &dir, StoreKind kind);

// Opens the schema of the given store on the server with its tables first in
// the search path. An unreachable server, a refused user and a missing
// schema throw store::Error saying what was tried; with mayBeMissing a
// missing schema is accepted (for making a new one).
QSqlDatabase openServerStore(const QString &connectionName, const ServerConfig &config, StoreKind kind,
                             bool mayBeMissing = false);

// Closes and forgets the named connection (queries must be finished).
void closeDatabase(const QString &connectionName);

} // namespace store
