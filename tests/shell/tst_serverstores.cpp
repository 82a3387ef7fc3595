// Data directories whose stores a PostgreSQL server keeps: start-up as the
// user meets it, making the stores, and moving an office's files over.
#include "definer/ClassDefiner.h"
#include "controls/GraphicalButton.h"
#include "definer/RuleSetPanel.h"
#include "shell/FrmCS.h"
#include "shell/Startup.h"
#include "store/Database.h"
#include "store/Engine.h"
#include "store/ServerConfig.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

using testsupport::TestServer;
using testsupport::cannotStart;
using testsupport::runProgram;

namespace {

// A folder holding only a connection file for fresh, empty schemas.
struct ServerFolder {
    QTemporaryDir dir;
    store::ServerConfig config = TestServer::instance().freshStores();
    ServerFolder() { config.write(dir.filePath("server.ini")); }
    QString path() const { return dir.path(); }
    QStringList tables(store::StoreKind kind) const
    {
        const QStringList names = store::tableNames(store::openServerStore("probe", config, kind, true));
        store::closeDatabase("probe");
        return names;
    }
};

QString exported(const QString &dataDir)
{
    QTemporaryDir out;
    const auto [status, said] = runProgram({"--data-dir", dataDir, "--export", out.filePath("all.csv")});
    QFile file(out.filePath("all.csv"));
    return status == 0 && file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "failed: " + said;
}

} // namespace

class TestServerStores : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        testsupport::isolateSettings();
        const QString why = TestServer::instance().unavailable();
        if (!why.isEmpty())
            QSKIP(qPrintable("no PostgreSQL server: " + why));
    }

    void cleanup() { store::ServerConfig::setRunPassword(QString()); }

    // change: "key=value" written into server.ini, or "sql:..." run on the
    // Class store. passwords: typed into the password box, in turn.
    // messages: what the user is asked and told; a message ending in "..."
    // is compared up to there (the rest is libpq's own wording).
    void startUp_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("passwords");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("status"); // -1: the main window runs
        const QString asked = QStringLiteral("The server asks for a password (database orvana_test on @SOCK as clerk).\n\n"
                                             "Password of clerk:");
        const QString refusedPassword = QStringLiteral("The server refused the password.\n\nPassword of clerk:");
        QTest::newRow("usable") << "" << QStringList{} << QStringList{} << -1;
        QTest::newRow("unreachable") << "server/host=/tmp/orvana-no-server" << QStringList{}
            << QStringList{cannotStart("The server cannot be reached for the Class store (schema @C, database orvana_test on "
                                       "/tmp/orvana-no-server as postgres): ...")}
            << 1;
        QTest::newRow("no schema") << "stores/Reports=missing" << QStringList{}
            << QStringList{cannotStart("The schema missing does not exist in database orvana_test on @SOCK as postgres.")} << 1;
        QTest::newRow("a store without a table") << "sql:DROP TABLE SymData" << QStringList{}
            << QStringList{cannotStart("Schema @C of database orvana_test holds no table SymData.")} << 1;
        QTest::newRow("a password in the file") << "server/password=x" << QStringList{}
            << QStringList{cannotStart("@DIR@/server.ini holds a password; remove it and keep the password in ~/.pgpass, "
                                       "PGPASSWORD or a service file, or type it when asked.")}
            << 1;
        QTest::newRow("not a port") << "server/port=seventy" << QStringList{}
            << QStringList{cannotStart("In @DIR@/server.ini the port \"seventy\" is not a port number.")} << 1;
        QTest::newRow("password typed") << "server/user=clerk" << QStringList{TestServer::kPassword} << QStringList{asked} << -1;
        QTest::newRow("password box cancelled") << "server/user=clerk" << QStringList{} << QStringList{asked} << 1;
        QTest::newRow("wrong password three times") << "server/user=clerk" << QStringList{"a", "b", "c"}
            << QStringList{asked, refusedPassword, refusedPassword,
                           cannotStart("The server refused the user for the Class store (schema @C, database orvana_test on "
                                       "@SOCK as clerk): ...")}
            << 1;
    }

    void startUp()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, passwords);
        QFETCH(QStringList, messages);
        QFETCH(int, status);
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~RNDCUTSYM\r\n"), store::Engine::Server);
        dir.exec("INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table %');\nINSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
                 "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
        const QString classSchema = store::ServerConfig::read(store::DataDir(dir.path()))->schema(store::StoreKind::Class);
        if (change.startsWith("sql:")) {
            dir.exec(change.mid(4));
        } else if (!change.isEmpty()) {
            QSettings ini(dir.file("server.ini"), QSettings::IniFormat);
            ini.setValue(change.section(u'=', 0, 0), change.section(u'=', 1));
        }
        testsupport::ScriptedPrompt prompt;
        prompt.passwords = passwords;
        QTemporaryDir programFolder;
        Startup startup({"orvana-class", "--data-dir", dir.path()}, programFolder.path());
        QCOMPARE(startup.run().value_or(-1), status);
        const QStringList said = prompt.confirmed + prompt.informed;
        QCOMPARE(said.size(), messages.size());
        for (qsizetype i = 0; i < said.size(); ++i) {
            QString expected = messages[i].replace("@DIR@", dir.path()).replace("@SOCK", TestServer::instance().socketDir())
                                   .replace("@C", classSchema);
            const qsizetype open = expected.indexOf("...");
            const QString actual = open < 0 ? said[i] : said[i].left(open);
            QCOMPARE(actual, open < 0 ? expected : expected.left(open));
        }
        if (status < 0) {
            QCOMPARE(startup.window().definer->lab(), QStringLiteral("AGL"));
            startup.window().definer->panel->TxtCName->setText("Good");
            startup.window().definer->panel->BtnList[0]->click();
            startup.window().definer->BtnApply_Click();
            QCOMPARE(dir.rows("SELECT Class FROM Cut ORDER BY Serial"), (QStringList{"Excellent", "Good"}));
        }
    }

    // --init-demo and --init-empty against a server: made once, refused
    // after, and never over tables someone else made.
    void initialise()
    {
        ServerFolder server;
        const QString socket = TestServer::instance().socketDir();
        QCOMPARE(runProgram({"--init-demo", server.path()}),
                 std::make_pair(0, "Created a demo data directory " + server.path() + "\n"));
        QTemporaryDir files;
        QCOMPARE(runProgram({"--init-demo", files.path() + "/demo"}).first, 0);
        QCOMPARE(exported(server.path()), exported(files.path() + "/demo"));
        QCOMPARE(runProgram({"--init-empty", server.path()}),
                 std::make_pair(1, "orvana-class: " + server.path() + "/Shapes.txt exists already; nothing was changed.\n"));
        QVERIFY(QFile::remove(server.dir.filePath("Shapes.txt")));
        QCOMPARE(runProgram({"--init-empty", server.path()}),
                 std::make_pair(1, QStringLiteral("orvana-class: The schema %1 of database orvana_test on %2 as postgres holds "
                                                  "tables already (cut, cutdata, cutlab, cutpara, girdle_class); nothing was copied.\n")
                                       .arg(server.config.schema(store::StoreKind::Class), socket)));
        QVERIFY(!QFile::exists(server.dir.filePath("Shapes.txt")));
    }

    // An office's files moved over in one command: the same rules on the
    // server, rows per table printed; a failure in a later store takes the
    // earlier ones back.
    void copyToServer_data()
    {
        QTest::addColumn<QString>("reportsSql"); // run on the source's Reports.db
        QTest::addColumn<int>("status");
        QTest::newRow("copied") << "CREATE TABLE \"RND1\" (\"RID\" INTEGER, \"Table %\" REAL);\n"
                                   "INSERT INTO \"RND1\" VALUES (1, 57.25), (2, NULL)" << 0;
        QTest::newRow("a report value the server refuses") << "CREATE TABLE \"RND1\" (\"RID\" INTEGER, \"Table %\" REAL);\n"
                                                              "INSERT INTO \"RND1\" VALUES (1, 'not a number')" << 1;
    }

    void copyToServer()
    {
        QFETCH(QString, reportsSql);
        QFETCH(int, status);
        testsupport::TestDataDir files(QStringLiteral("Brilliant~RNDCUTSYM\r\nPear's~PERCUTSYM\r\n"), store::Engine::SQLite);
        files.exec("INSERT INTO CutLab VALUES ('Brilliant','O''Brien \"Gem\" Lab','Zürich\r\nbranch');\n"
                   "INSERT INTO Cut VALUES ('Brilliant','O''Brien \"Gem\" Lab',0,'Très bon');\n"
                   "INSERT INTO CutData VALUES ('Brilliant','O''Brien \"Gem\" Lab',1,'Table %','52',NULL,1,'Très bon','T',0);\n"
                   "INSERT INTO GIRDLE_DESC VALUES ('Brilliant','AGL',1,'Thin',0,1.5,NULL,2,0,0);\n");
        files.exec(reportsSql, "Reports.db");
        ServerFolder server;
        const auto [exit, said] = runProgram({"--data-dir", files.path(), "--copy-to-server", server.path()});
        QCOMPARE(exit, status);
        if (status != 0) {
            QVERIFY2(said.startsWith("orvana-class: "), qPrintable(said));
            for (const store::StoreKind kind : {store::StoreKind::Class, store::StoreKind::Secondary, store::StoreKind::Reports})
                QCOMPARE(server.tables(kind), QStringList());
            QVERIFY(!QFile::exists(server.dir.filePath("Shapes.txt")));
            return;
        }
        const QStringList lines = said.split('\n');
        QCOMPARE(lines.filter("CutData").join(""), QStringLiteral("Class    CutData               1 rows"));
        QCOMPARE(lines.filter("RND1").join(""), QStringLiteral("Reports  RND1                  2 rows"));
        QCOMPARE(exported(server.path()), exported(files.path()));
        QCOMPARE(server.tables(store::StoreKind::Reports), QStringList{"RND1"});
        // A second copy finds the tables there and writes nothing.
        QCOMPARE(runProgram({"--data-dir", files.path(), "--copy-to-server", server.path()}).first, 1);
    }
};

QTEST_MAIN(TestServerStores)
#include "tst_serverstores.moc"
