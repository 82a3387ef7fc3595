// The program's start as main() runs it, without the event loop.
#include "definer/ClassDefiner.h"
#include "shell/FrmCS.h"
#include "shell/Startup.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

using testsupport::cannotStart;

namespace {

// Tests run as root, whom file modes do not stop: for its lifetime the
// process acts as nobody (the saved id keeps the way back).
struct Unprivileged {
    const bool switched = geteuid() == 0 && setresuid(65534, 65534, 0) == 0;
    ~Unprivileged()
    {
        if (switched)
            QVERIFY(setresuid(0, 0, 0) == 0);
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::isolateSettings(); }

    // damage: "action:file[:text]" done to a fresh data directory with one
    // lab; "@DIR@" is its path. status -1: the window runs, and a save of the
    // lab is tried. Every run names that directory with --data-dir while the
    // program's own folder holds another data directory: the option wins.
    void startUp_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QStringList>("messages");
        auto refused = [](const char *row, const QString &damage, const QString &why) {
            QTest::newRow(row) << damage << QStringList{cannotStart(why)};
        };
        QTest::newRow("usable") << "" << QStringList{};
        refused("no such directory", "dir:nowhere", "The data directory @DIR@ does not exist.");
        refused("a file, not a directory", "dir:Shapes.txt", "@DIR@ is not a directory.");
        refused("no Class.db", "remove:Class.db", "Class.db was not found in @DIR@.");
        refused("no Reports.db", "remove:Reports.db", "Reports.db was not found in @DIR@.");
        // Its own window says so when opened; the rest works without it.
        QTest::newRow("no OMZ2006.db") << "remove:OMZ2006.db" << QStringList{};
        refused("no Shapes.txt", "remove:Shapes.txt", "Shapes.txt was not found in @DIR@.");
        refused("Reports.db not a database", "write:Reports.db:only some text, no database",
                "Reports.db is not a usable database: file is not a database");
        refused("zero-length Class.db", "write:Class.db", "Class.db holds no table Cut.");
        refused("a table missing", "sql:Class.db:DROP TABLE GIRDLE_CLASS", "Class.db holds no table GIRDLE_CLASS.");
        refused("a column moved",
                "sql:Class.db:DROP TABLE SymData;\nCREATE TABLE SymData (Shape, Lab, serial, cPara, cMin, cMax, "
                "include, Class, Show, Parameters)",
                "In Class.db column 10 of the table SymData is Parameters; Show is needed there.");
        refused("a named column missing", "sql:Class.db:DROP TABLE CutPara;\nCREATE TABLE CutPara (Display_Name, ID, Shape, Name)",
                "In Class.db the table CutPara has no column Parameters.");
        refused("cut short by 1000 bytes", "cut:Class.db",
                "Class.db is damaged (Fragmentation of 780 bytes reported as 0 on page 36). "
                "Restore Class.db from a backup.");
        // Said once at start-up; the save then names the file that refused.
        QTest::newRow("read-only directory") << "readonly:."
            << QStringList{"Changes cannot be saved: the data directory @DIR@ is read-only.",
                           "attempt to write a readonly database (@DIR@/Class.db)"};
        QTest::newRow("read-only Class.db") << "readonly:Class.db"
            << QStringList{"Changes cannot be saved: Class.db in the data directory @DIR@ is read-only.",
                           "attempt to write a readonly database (@DIR@/Class.db)"};
        QTest::newRow("read-only Shapes.txt") << "readonly:Shapes.txt"
            << QStringList{"Changes cannot be saved: Shapes.txt in the data directory @DIR@ is read-only."};
    }

    void startUp()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, messages);
        const int status = messages.value(0).startsWith("Orvana Class cannot start.") ? 1 : -1; // -1: it runs
        testsupport::TestDataDir programFolder(QStringLiteral("Oval~OVLCUTSYM\r\n"));
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table %');\nINSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
                 "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
        const QString action = damage.section(u':', 0, 0), file = damage.section(u':', 1, 1),
                      text = damage.section(u':', 2);
        const QString dataDir = action == "dir" ? dir.file(file) : dir.path();
        QFile damaged(dir.file(file));
        if (action == "remove")
            QVERIFY(damaged.remove());
        if (action == "write")
            QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(text.toUtf8()) >= 0 && damaged.flush());
        if (action == "sql")
            dir.exec(text + ";\n", file);
        if (action == "cut") // rows on the last pages, whose tail is then lost
            dir.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) INSERT INTO "
                     "CutData SELECT 'Brilliant', 'AGL', i % 6 + 1, 'P' || i, '52', '62', 1, 'Excellent', 'T', 0 FROM n");
        QVERIFY(action != "cut" || damaged.resize(damaged.size() - 1000));
        // Everything writable for nobody but what the row makes read-only.
        const auto all = QFile::Permissions(0x7777), write = QFile::Permissions(0x2222);
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files) + QStringList{"."})
            QFile::setPermissions(dir.file(name), action == "readonly" && name == file ? all & ~write : all);
        QFile::setPermissions(programFolder.path(), all);
        testsupport::ScriptedPrompt prompt;
        {
            Unprivileged nobody;
            Startup startup({"orvana-class", "--data-dir", dataDir}, programFolder.path());
            QCOMPARE(startup.run().value_or(-1), status);
            if (status < 0) {
                QCOMPARE(startup.window().definer->shape(), QStringLiteral("Brilliant"));
                startup.window().definer->MnuSave_Click();
            }
        }
        QCOMPARE(prompt.informed, messages.replaceInStrings("@DIR@", dataDir));
        if (status < 0)
            QCOMPARE(dir.rows("SELECT count(*) FROM CutData"), QStringList{messages.size() < 2 ? "1" : "0"});
        // Nothing was created in place of what is missing.
        QVERIFY(!QFile::exists(dir.file("nowhere")) && (action != "remove" || !QFile::exists(dir.file(file))));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
