#pragma once

#include "store/Engine.h"
#include "store/ServerConfig.h"

#include <QString>

namespace testsupport {

// A throwaway PostgreSQL cluster for this test process: made with initdb in
// a temporary folder on first use, listening only on a Unix socket there,
// stopped when the process ends. The server refuses to run as root, so as
// root it runs as the postgres system user.
class TestServer {
public:
    static TestServer &instance();

    // Empty when the cluster runs; else why it cannot (binaries missing...).
    QString unavailable() const { return m_unavailable; }
    // A connection file's content for a fresh set of three schemas.
    store::ServerConfig freshStores();
    QString socketDir() const { return m_socketDir; }

    // A user the server asks a password of (all others it trusts).
    static constexpr char kPasswordUser[] = "clerk";
    static constexpr char kPassword[] = "it's s3cret";

    ~TestServer();

private:
    TestServer();
    QString m_root;
    QString m_socketDir;
    QString m_pgCtl;
    QString m_unavailable;
    int m_next = 0;
};

// The engine new data directories use: the global data column "engine" of
// a test class that has one (see ENGINE_ROWS), else SQLite.
store::Engine currentEngine();

// For initTestCase_data(): one row per engine.
void engineRows();
// Switches to the named engine; returns why the test must be skipped (no
// server here) or nothing.
QString useEngine(const QString &engine);

} // namespace testsupport

// In a test class: runs every test function once per engine.
#define ENGINE_ROWS                                                                                  \
    void initTestCase_data() { testsupport::engineRows(); }                                         \
    void init()                                                                                      \
    {                                                                                                \
        QFETCH_GLOBAL(QString, engine);                                                              \
        const QString why = testsupport::useEngine(engine);                                          \
        if (!why.isEmpty())                                                                          \
            QSKIP(qPrintable(why));                                                                  \
    }
