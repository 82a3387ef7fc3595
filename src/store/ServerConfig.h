#pragma once

#include "store/DataDir.h"

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace store {

// The connection file of a data directory whose stores live on a
// PostgreSQL server (server.ini). It names the server and, per store, the
// schema holding its tables. It never holds a password: libpq finds one in
// ~/.pgpass, PGPASSWORD or a service file, or the user types it at start-up
// and it is kept for the run only.
struct ServerConfig {
    QString host; // a host name, an address, or the directory of a Unix socket
    int port = 5432;
    QString database;
    QString user;
    QString schemas[3]; // by StoreKind
    // libpq's settings for the transport and the server's identity
    // (sslmode=verify-full, sslrootcert=...), as the file names them.
    QList<QPair<QString, QString>> transport;

    // The transport settings as Qt's connect options for libpq.
    QString connectOptions() const;

    QString schema(StoreKind kind) const { return schemas[int(kind)]; }
    // "database orvana on db.office.lan:5432 as grader", for messages.
    QString describe() const;

    // The connection file of the directory, or nothing when it has none.
    // Throws store::Error naming the file and the line that is wrong.
    static std::optional<ServerConfig> read(const DataDir &dir);
    // Writes a connection file (for tests and the worked example).
    void write(const QString &path) const;

    // The password typed at start-up, kept in memory for this run only.
    static void setRunPassword(const QString &password);
    static QString runPassword();
};

} // namespace store
