#include "support/TestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTemporaryDir>
#include <unistd.h>

namespace testsupport {

namespace {

const QString kDatabase = QStringLiteral("orvana_test");

QString serverBinary(const QString &name)
{
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (auto it = found.crbegin(); it != found.crend(); ++it) {
        const QString path = versions.filePath(*it + QStringLiteral("/bin/") + name);
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

// Runs a server program, as the postgres user when we are root.
bool runServerProgram(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    if (geteuid() == 0)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                             QStringLiteral("--"), program} + arguments);
    else
        process.start(program, arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    const bool finished = process.waitForFinished(60000);
    *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Puts a line before the trusting ones so the server asks this user for a password.
bool askPasswordOf(const QString &dataDir, const QString &user)
{
    QFile hba(dataDir + QStringLiteral("/pg_hba.conf"));
    if (!hba.open(QIODevice::ReadWrite))
        return false;
    const QByteArray rest = hba.readAll();
    hba.seek(0);
    return hba.write("local all " + user.toUtf8() + " scram-sha-256\n" + rest) > 0;
}

} // namespace

TestServer &TestServer::instance()
{
    static TestServer server;
    return server;
}

TestServer::TestServer()
{
    const QString initdb = serverBinary(QStringLiteral("initdb"));
    m_pgCtl = serverBinary(QStringLiteral("pg_ctl"));
    if (initdb.isEmpty() || m_pgCtl.isEmpty()) {
        m_unavailable = QStringLiteral("PostgreSQL server binaries (package postgresql) are not installed");
        return;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        m_unavailable = QStringLiteral("Qt's PostgreSQL driver (package libqt6sql6-psql) is not installed");
        return;
    }
    // Short: a Unix socket path has a small length limit.
    QTemporaryDir root(QStringLiteral("/tmp/orvpg-XXXXXX"));
    root.setAutoRemove(false);
    m_root = root.path();
    m_socketDir = m_root;
    if (geteuid() == 0 && QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres"), m_root}) != 0) {
        m_unavailable = QStringLiteral("the postgres system user cannot own %1").arg(m_root);
        return;
    }
    QString output;
    const QString data = m_root + QStringLiteral("/data");
    if (!runServerProgram(initdb, {QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"),
                                   QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-E"),
                                   QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8")},
                          &output)) {
        m_unavailable = QStringLiteral("initdb failed: %1").arg(output.trimmed());
        return;
    }
    if (!runServerProgram(m_pgCtl, {QStringLiteral("-D"), data, QStringLiteral("-w"), QStringLiteral("-l"),
                                    m_root + QStringLiteral("/log"), QStringLiteral("-o"),
                                    QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off").arg(m_root),
                                    QStringLiteral("start")},
                          &output)) {
        m_unavailable = QStringLiteral("the server did not start: %1").arg(output.trimmed());
        m_pgCtl.clear();
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("testserver"));
        db.setHostName(m_socketDir);
        db.setUserName(QStringLiteral("postgres"));
        db.setDatabaseName(QStringLiteral("postgres"));
        QSqlQuery q(db);
        const bool made = db.open() && q.exec(QStringLiteral("CREATE DATABASE %1").arg(kDatabase))
            && q.exec(QStringLiteral("CREATE ROLE %1 LOGIN SUPERUSER PASSWORD 'it''s s3cret'").arg(QLatin1String(kPasswordUser)))
            && askPasswordOf(data, QLatin1String(kPasswordUser)) && q.exec(QStringLiteral("SELECT pg_reload_conf()"));
        if (!made)
            m_unavailable = QStringLiteral("the test database cannot be made: %1 %2")
                                .arg(db.lastError().text(), q.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("testserver"));
}

TestServer::~TestServer()
{
    QString output;
    if (!m_pgCtl.isEmpty())
        runServerProgram(m_pgCtl, {QStringLiteral("-D"), m_root + QStringLiteral("/data"), QStringLiteral("-m"),
                                   QStringLiteral("immediate"), QStringLiteral("stop")},
                         &output);
    if (!m_root.isEmpty())
        QDir(m_root).removeRecursively();
}

store::ServerConfig TestServer::freshStores()
{
    store::ServerConfig config;
    config.host = m_socketDir;
    config.database = kDatabase;
    config.user = QStringLiteral("postgres");
    const QString prefix = QStringLiteral("t%1_").arg(++m_next);
    config.schemas[int(store::StoreKind::Class)] = prefix + QStringLiteral("class");
    config.schemas[int(store::StoreKind::Reports)] = prefix + QStringLiteral("reports");
    config.schemas[int(store::StoreKind::Secondary)] = prefix + QStringLiteral("omz2006");
    return config;
}

namespace {
store::Engine g_engine = store::Engine::SQLite;
}

store::Engine currentEngine()
{
    return g_engine;
}

void engineRows()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("SQLite") << QStringLiteral("SQLite");
    QTest::newRow("server") << QStringLiteral("server");
}

QString useEngine(const QString &engine)
{
    g_engine = engine == QLatin1String("server") ? store::Engine::Server : store::Engine::SQLite;
    if (g_engine == store::Engine::SQLite)
        return {};
    const QString why = TestServer::instance().unavailable();
    return why.isEmpty() ? QString() : QStringLiteral("no PostgreSQL server: ") + why;
}

} // namespace testsupport
