// Data directories whose stores a PostgreSQL server keeps: start-up as the
// user meets it, making the stores, and moving an office's files over.
#include "definer/ClassDefiner.h"
#include "controls/GraphicalButton.h"
#include "definer/RuleSetPanel.h"
#include "shell/FrmCS.h"
#include "shell/Startup.h"
#include "store/Database.h"
#include "store/Engine.h"
#include "store/RuleStore.h"
#include "store/ServerConfig.h"
#include "store/Sql.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QScopeGuard>
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
    void exec(const QString &sql) const
    {
        if (!sql.isEmpty())
            store::run(store::openServerStore("probe", config, store::StoreKind::Class, true), sql);
        store::closeDatabase("probe");
    }
};

// A lab AGL of Brilliant cuts with one class, Excellent, and its range.
void fillAgl(const testsupport::TestDataDir &dir)
{
    dir.exec("INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table %');\nINSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
             "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n"
             "INSERT INTO CutData VALUES ('Brilliant','AGL',0,'Table %','52','60',1,'Excellent','T',0);\n");
}

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
        QTest::newRow("a password key in capitals") << "server/PassWord=x" << QStringList{}
            << QStringList{cannotStart("@DIR@/server.ini holds a password; remove it and keep the password in ~/.pgpass, "
                                       "PGPASSWORD or a service file, or type it when asked.")}
            << 1;
        QTest::newRow("a misspelt setting") << "server/sslmod=verify-full" << QStringList{}
            << QStringList{cannotStart("In @DIR@/server.ini the key server/sslmod is not known.")} << 1;
        QTest::newRow("a TLS setting libpq refuses") << "server/sslmode=verify-fully" << QStringList{}
            << QStringList{cannotStart("The server cannot be reached for the Class store (schema @C, database orvana_test on "
                                       "@SOCK as postgres): invalid sslmode value: \"verify-fully\"")}
            << 1;
        QTest::newRow("a server not the one required") << "server/requirepeer=nobody" << QStringList{}
            << QStringList{cannotStart("The server cannot be reached for the Class store (schema @C, database orvana_test on "
                                       "@SOCK as postgres): connection to server on socket \"@SOCK/.s.PGSQL.5432\" failed: requirepeer "
                                       "specifies \"nobody\", but actual peer user name is ...")}
            << 1;
        QTest::newRow("citext in public") << "sql:ALTER EXTENSION citext SET SCHEMA public -- undo: ALTER EXTENSION citext SET SCHEMA citext"
            << QStringList{}
            << QStringList{cannotStart("The citext extension of database orvana_test is in schema public, where other roles may "
                                       "make objects that would then run inside a save. Move it into a schema of its own, as "
                                       "its owner: CREATE SCHEMA citext; ALTER EXTENSION citext SET SCHEMA citext;")}
            << 1;
        QTest::newRow("a function overloading a built-in one") // the save's lock hashes a name
            << "sql:CREATE FUNCTION hashtext(name) RETURNS integer LANGUAGE sql AS 'SELECT 1/0'" << QStringList{}
            << QStringList{} << -1;
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
        fillAgl(dir);
        const QString classSchema = store::ServerConfig::read(store::DataDir(dir.path()))->schema(store::StoreKind::Class);
        const QStringList sql = change.mid(4).split(" -- undo: "); // a change to the whole server is undone after
        const auto undo = qScopeGuard([&] {
            if (sql.size() > 1) // on the Reports store: it opens even with citext in public
                dir.exec(sql[1], "Reports.db");
        });
        if (change.startsWith("sql:")) {
            dir.exec(sql[0]);
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

    // The server ends the sessions between a load and a save, as a restart
    // does: the save connects anew with the password typed at start-up,
    // keeps the edits and still compares with what the window loaded. A
    // server that stays away is named, a session ended inside the save
    // stores nothing of it, and the edits wait for a second save.
    void lostConnection_data()
    {
        QTest::addColumn<QString>("meanwhile"); // run on the server after the sessions ended
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("stored"); // after the save
        QTest::addColumn<QString>("undo");       // run before a second save, which stores the edits
        QTest::newRow("sessions ended") << "" << QStringList{} << QStringList{"Excellent", "Good"} << "";
        QTest::newRow("the server stays away") << "ALTER ROLE clerk NOLOGIN"
            << QStringList{"The server ended the connection and cannot be reached again (database orvana_test on @SOCK as "
                           "clerk): connection to server on socket \"@SOCK/.s.PGSQL.5432\" failed: role \"clerk\" is "
                           "not permitted to log in\n\nWhat is on screen stays as it is; try again when the server is back."}
            << QStringList{"Excellent"} << "ALTER ROLE clerk LOGIN";
        QTest::newRow("ended inside the save")
            << "CREATE FUNCTION end_session() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM "
               "pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$;\n"
               "CREATE TRIGGER end_session BEFORE INSERT ON Cut FOR EACH ROW EXECUTE FUNCTION end_session()"
            << QStringList{"The server ended the connection (terminating connection due to administrator command) in the "
                           "middle of this; nothing of it took effect. Try again: the program connects anew."}
            << QStringList{"Excellent"} << "DROP TRIGGER end_session ON Cut";
        QTest::newRow("saved elsewhere meanwhile") << "INSERT INTO Cut VALUES ('Brilliant','AGL',1,'Fair')"
            << QStringList{"AGL (Brilliant, Cut) was changed on another workstation since you opened it."}
            << QStringList{"Excellent", "Fair"} << "";
    }

    void lostConnection()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, said);
        QFETCH(QStringList, stored);
        QFETCH(QString, undo);
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~RNDCUTSYM\r\n"), store::Engine::Server);
        fillAgl(dir);
        QSettings(dir.file("server.ini"), QSettings::IniFormat).setValue("server/user", TestServer::kPasswordUser);
        testsupport::ScriptedPrompt prompt;
        prompt.passwords = QStringList{TestServer::kPassword};
        QTemporaryDir programFolder;
        Startup startup({"orvana-class", "--data-dir", dir.path()}, programFolder.path());
        QCOMPARE(startup.run().value_or(-1), -1);
        prompt.confirmed.clear();
        definer::ClassDefiner &definer = *startup.window().definer;
        definer.panel->TxtCName->setText("Good");
        definer.panel->BtnList[0]->click();
        const auto login = qScopeGuard([&] { dir.exec("ALTER ROLE clerk LOGIN"); });
        dir.exec("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE usename = 'clerk'");
        if (!meanwhile.isEmpty())
            dir.exec(meanwhile);
        definer.BtnApply_Click();
        QCOMPARE(prompt.confirmed + prompt.informed, said.replaceInStrings("@SOCK", TestServer::instance().socketDir()));
        QCOMPARE(dir.rows("SELECT Class FROM Cut ORDER BY Serial"), stored);
        if (!undo.isEmpty()) {
            dir.exec(undo);
            definer.BtnApply_Click();
            QCOMPARE(dir.rows("SELECT Class FROM Cut ORDER BY Serial"), (QStringList{"Excellent", "Good"}));
        }
    }

    // A backup copies a store as it was at one moment: a save committed
    // while the backup reads is in the copy whole or not at all.
    void backupOfOneMoment()
    {
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~RNDCUTSYM\r\n"), store::Engine::Server);
        fillAgl(dir);
        const store::ServerConfig config = *store::ServerConfig::read(store::DataDir(dir.path()));
        // Another workstation saves a class and its range, holding the
        // ranges locked until the backup waits for them, then commits.
        QProcess other;
        other.start("psql", {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", config.host, "-U", "postgres", "-d", config.database, "-c",
                             QStringLiteral("BEGIN; SET search_path TO %1, citext; LOCK TABLE CutData;"
                                            "INSERT INTO Cut VALUES ('Brilliant','AGL',1,'Good');"
                                            "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','60','70',1,'Good','T',0);"
                                            "DO $$ BEGIN FOR i IN 1..200 LOOP EXIT WHEN EXISTS (SELECT 1 FROM pg_locks "
                                            "WHERE relation = 'cutdata'::regclass AND NOT granted); PERFORM pg_sleep(0.05); "
                                            "END LOOP; END $$; COMMIT;")
                                 .arg(config.schema(store::StoreKind::Class))});
        QTRY_COMPARE(dir.rows("SELECT mode FROM pg_locks WHERE relation = 'cutdata'::regclass AND mode = 'AccessExclusiveLock'"),
                     QStringList{"AccessExclusiveLock"});
        QTemporaryDir out;
        QCOMPARE(runProgram({"--data-dir", dir.path(), "--backup", out.path()}).first, 0);
        QVERIFY(other.waitForFinished(20000));
        QCOMPARE(other.exitCode(), 0);
        QCOMPARE(dir.rows("SELECT count(*) FROM Cut UNION ALL SELECT count(*) FROM CutData"), (QStringList{"2", "2"}));
        QStringList copied;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "backup");
            db.setDatabaseName(QDir(out.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot).value(0).filePath() + "/Class.db");
            QVERIFY(db.open());
            copied = store::firstColumn(db, "SELECT Class FROM Cut UNION ALL SELECT Class FROM CutData");
        }
        QSqlDatabase::removeDatabase("backup");
        QCOMPARE(copied, (QStringList{"Excellent", "Excellent"}));
    }

    // Texts a server array literal must escape are stored as they were
    // typed (saves send each column as one array).
    void arrayTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("backslash") << "C:\\rules\\";
        QTest::newRow("double quotes") << "\"Gem\" 5\"";
        QTest::newRow("braces and commas") << "{52,60}";
        QTest::newRow("the text NULL") << "NULL";
        QTest::newRow("empty") << "";
        QTest::newRow("spaces and lines") << " 52 \r\n";
    }

    void arrayTexts()
    {
        QFETCH(QString, text);
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~RNDCUTSYM\r\n"), store::Engine::Server);
        const store::Scope agl{"Brilliant", "AGL"};
        const QVector<store::RangeRow> rows{{1, "Table %", text, "60", true, "Excellent", "T", false},
                                            {2, "Table %", "60", text + text, true, text, "T", false}};
        {
            const store::RuleStore rules(store::openStore("arrays", store::DataDir(dir.path()), store::StoreKind::Class),
                                         store::RuleTables::forType("Cut"));
            rules.saveRanges(agl, rows);
            QVERIFY(rules.storedRanges(agl) == rows);
        }
        store::closeDatabase("arrays");
        QCOMPARE(dir.rows("SELECT \"cMin\", \"cMax\", Class FROM CutData ORDER BY Serial"),
                 (QStringList{text + "|60|Excellent", "60|" + text + text + "|" + text}));
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
    // earlier ones back, and says so when it cannot.
    void copyToServer_data()
    {
        QTest::addColumn<QString>("reportsSql"); // run on the source's Reports.db
        QTest::addColumn<QString>("serverSql");  // run on the server before, "|" what undoes it after
        QTest::addColumn<QString>("folder");     // a folder in the source where a file is expected
        QTest::addColumn<QString>("said");       // when refused; @C, @O, @R: the schemas, @S: the server
        const QString table = "CREATE TABLE \"RND1\" (\"RID\" INTEGER, \"Table %\" REAL);\n";
        const QString badValue = table + "INSERT INTO \"RND1\" VALUES (1, 'not a number')";
        const QString refused = "orvana-class: invalid input syntax for type double precision: \"not a number\"\n";
        const QString goodValues = table + "INSERT INTO \"RND1\" VALUES (1, 57.25), (2, NULL)";
        QTest::newRow("copied") << goodValues << "" << "" << "";
        QTest::newRow("copied beside tables in public")
            << goodValues << "CREATE TABLE public.cut (x integer)|DROP TABLE public.cut" << "" << "";
        QTest::newRow("a report value the server refuses") << badValue << "" << "" << refused;
        QTest::newRow("taking back refused")
            << badValue
            << "CREATE FUNCTION public.refuse() RETURNS event_trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
               "'not now'; END $$; CREATE EVENT TRIGGER refuse ON ddl_command_start WHEN TAG IN ('DROP SCHEMA') "
               "EXECUTE FUNCTION public.refuse()|DROP EVENT TRIGGER refuse; DROP FUNCTION public.refuse()"
            << "" << refused.chopped(1) + "\nWhat was copied before could not be taken back (schema @C: not now; schema @O: "
                                          "not now); remove it by hand before copying again.\n";
        QTest::newRow("a file that cannot be copied after") << table << "" << "Instructions.txt"
            << "orvana-class: Instructions.txt could not be copied into @DIR.\nThe stores on the server were made all the "
               "same (schemas @C, @O, @R of @S): finish by hand, or drop those schemas before trying again.\n";
    }

    void copyToServer()
    {
        QFETCH(QString, reportsSql);
        QFETCH(QString, serverSql);
        QFETCH(QString, folder);
        QFETCH(QString, said);
        testsupport::TestDataDir files(QStringLiteral("Brilliant~RNDCUTSYM\r\nPear's~PERCUTSYM\r\n"), store::Engine::SQLite);
        files.exec("INSERT INTO CutLab VALUES ('Brilliant','O''Brien \"Gem\" Lab','Zürich\r\nbranch');\n"
                   "INSERT INTO Cut VALUES ('Brilliant','O''Brien \"Gem\" Lab',0,'Très bon');\n"
                   "INSERT INTO CutData VALUES ('Brilliant','O''Brien \"Gem\" Lab',1,'Table %','52',NULL,1,'Très bon','T',0);\n"
                   "INSERT INTO GIRDLE_DESC VALUES ('Brilliant','AGL',1,'Thin',0,1.5,NULL,2,0,0);\n");
        files.exec(reportsSql, "Reports.db");
        if (!folder.isEmpty())
            QVERIFY(QDir(files.path()).mkdir(folder));
        ServerFolder server;
        server.exec(serverSql.section('|', 0, 0));
        const auto undo = qScopeGuard([&] { server.exec(serverSql.section('|', 1)); });
        const auto [exit, output] = runProgram({"--data-dir", files.path(), "--copy-to-server", server.path()});
        if (!said.isEmpty()) {
            using store::StoreKind;
            said.replace("@C", server.config.schema(StoreKind::Class)).replace("@O", server.config.schema(StoreKind::Secondary))
                .replace("@R", server.config.schema(StoreKind::Reports)).replace("@S", server.config.describe())
                .replace("@DIR", server.path());
            // The rows copied, if any, follow: stdout is flushed at exit.
            QCOMPARE(output.left(said.size()), said);
            QCOMPARE(exit, 1);
            // Taken back unless taking back failed or the stores were complete.
            QCOMPARE(server.tables(StoreKind::Class).isEmpty(), !said.contains("all the same") && !said.contains("taken back"));
            return;
        }
        QCOMPARE(exit, 0);
        const QStringList lines = output.split('\n');
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
