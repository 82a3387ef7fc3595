// The program's start as main() runs it, without the event loop.
#include "definer/ClassDefiner.h"
#include "shell/FrmCS.h"
#include "shell/Startup.h"
#include "store/ClassModule.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

QString cannotStart(const QString &why, const QString &dir)
{
    return QStringLiteral("Orvana Class cannot start.\n\n%1\n\nData directory: %2\n\n"
                          "A new one can be made with: orvana-class --init-demo <dir>")
        .arg(why, dir);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// What the process writes to stderr during its lifetime.
class StderrCapture {
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromLocal8Bit(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

// Tests run as root, whom file modes do not stop: for its lifetime the
// process acts as nobody (the saved id keeps the way back).
class Unprivileged {
public:
    Unprivileged()
    {
        if (geteuid() == 0)
            m_switched = setresuid(65534, 65534, 0) == 0;
    }
    ~Unprivileged()
    {
        if (m_switched)
            QVERIFY(setresuid(0, 0, 0) == 0);
    }

private:
    bool m_switched = false;
};

const char kLab[] = "INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table %');\n"
                    "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
                    "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n";

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::isolateSettings(); }

    // What is done to a fresh data directory (whose files are then named by
    // @DIR@), and the reason given in the "cannot start" message.
    void refusesUnusableDataDirectory_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such directory") << "dir:nowhere" << "The data directory @DIR@/nowhere does not exist.";
        QTest::newRow("a file, not a directory") << "dir:Shapes.txt" << "@DIR@/Shapes.txt is not a directory.";
        QTest::newRow("no Class.db") << "remove:Class.db" << "Class.db was not found in @DIR@.";
        QTest::newRow("no OMZ2006.db") << "remove:OMZ2006.db" << "OMZ2006.db was not found in @DIR@.";
        QTest::newRow("no Reports.db") << "remove:Reports.db" << "Reports.db was not found in @DIR@.";
        QTest::newRow("no Shapes.txt") << "remove:Shapes.txt" << "Shapes.txt was not found in @DIR@.";
        QTest::newRow("Reports.db not a database")
            << "write:Reports.db:not a database, only some text" << "Reports.db is not a usable database: file is not a database";
        QTest::newRow("zero-length Class.db") << "write:Class.db" << "Class.db holds no table Cut.";
        QTest::newRow("a table missing") << "sql:Class.db:DROP TABLE GIRDLE_CLASS" << "Class.db holds no table GIRDLE_CLASS.";
        QTest::newRow("a column moved")
            << "sql:Class.db:DROP TABLE SymData;\nCREATE TABLE SymData (Shape, Lab, serial, cPara, cMin, cMax, include, "
               "Class, Show, Parameters)"
            << "In Class.db column 10 of the table SymData is Parameters; Show is needed there.";
        QTest::newRow("a column short")
            << "sql:OMZ2006.db:DROP TABLE SymData;\nCREATE TABLE SymData (serial, cPara, cMin, cMax, include, Class, "
               "Parameters)"
            << "In OMZ2006.db the table SymData has 7 columns; 8 are needed.";
        QTest::newRow("a named column missing")
            << "sql:Class.db:DROP TABLE CutPara;\nCREATE TABLE CutPara (Display_Name, ID, Shape, Name)"
            << "In Class.db the table CutPara has no column Parameters.";
        QTest::newRow("cut short by 1000 bytes")
            << "cut:Class.db" << "Class.db is damaged (Fragmentation of 780 bytes reported as 0 on page 31). Restore Class.db from a backup.";
    }

    void refusesUnusableDataDirectory()
    {
        QFETCH(QString, damage);
        QFETCH(QString, reason);
        testsupport::TestDataDir dir;
        testsupport::ScriptedPrompt prompt;
        const QStringList parts = damage.split(u':');
        QString dataDir = dir.path();
        if (parts[0] == "dir") {
            dataDir = dir.file(parts[1]);
        } else if (parts[0] == "remove") {
            QVERIFY(QFile::remove(dir.file(parts[1])));
        } else if (parts[0] == "empty" || parts[0] == "write") {
            writeFile(dir.file(parts[1]), parts.value(2).toUtf8());
        } else if (parts[0] == "sql") {
            dir.exec(parts.mid(2).join(u':') + ";\n", parts[1]);
        } else if (parts[0] == "cut") {
            // Rows on the last pages, whose tail is then lost.
            dir.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                     "INSERT INTO CutData SELECT 'Brilliant', 'AGL', i % 6 + 1, 'P' || i, '52', '62', 1, 'Excellent', 'T', 0 FROM n");
            QFile file(dir.file(parts[1]));
            QVERIFY(file.resize(file.size() - 1000));
        }

        Startup startup({"orvana-class", "--data-dir", dataDir}, dir.path());
        StderrCapture stderrText;
        QCOMPARE(startup.run(), std::optional<int>(1));
        const QString message = cannotStart(QString(reason).replace("@DIR@", dir.path()), dataDir);
        QCOMPARE(prompt.informed, QStringList{message});
        QCOMPARE(stderrText.text(), "orvana-class: " + message + "\n");
        // Nothing was created in place of what is missing.
        QVERIFY(!QFile::exists(dir.file("nowhere")));
        if (parts[0] == "remove")
            QVERIFY(!QFile::exists(dir.file(parts[1])));
    }

    void dataDirOptionWins_data()
    {
        QTest::addColumn<bool>("option");
        QTest::newRow("--data-dir given") << true;
        QTest::newRow("none: the program's folder") << false;
    }

    void dataDirOptionWins()
    {
        QFETCH(bool, option);
        testsupport::TestDataDir programFolder;
        testsupport::TestDataDir chosen(QStringLiteral("Oval~OVLCUTSYM\r\n"));
        testsupport::ScriptedPrompt prompt;
        QStringList arguments{"orvana-class"};
        if (option)
            arguments << "--data-dir" << chosen.path();
        Startup startup(arguments, programFolder.path());
        QCOMPARE(startup.run(), std::nullopt);
        QCOMPARE(startup.module().dataDir().path(), option ? chosen.path() : programFolder.path());
        QCOMPARE(startup.window().definer->shape(), option ? QStringLiteral("Oval") : QStringLiteral("Brilliant"));
        QVERIFY(prompt.informed.isEmpty());
    }

    // Said once at start-up; a save then names the file that refused.
    void readOnlyDataIsSaidAtStartUp_data()
    {
        QTest::addColumn<QString>("readOnly"); // "." for the directory itself
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("directory")
            << "." << QStringList{"Changes cannot be saved: the data directory @DIR@ is read-only.",
                                  "attempt to write a readonly database (@DIR@/Class.db)"};
        QTest::newRow("Class.db")
            << "Class.db" << QStringList{"Changes cannot be saved: Class.db in the data directory @DIR@ is read-only.",
                                         "attempt to write a readonly database (@DIR@/Class.db)"};
    }

    void readOnlyDataIsSaidAtStartUp()
    {
        QFETCH(QString, readOnly);
        QFETCH(QStringList, messages);
        testsupport::TestDataDir dir;
        dir.exec(kLab);
        testsupport::ScriptedPrompt prompt;
        const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner | QFile::ExeGroup
            | QFile::ExeOther | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
            QFile::setPermissions(dir.file(name), all & ~(name == readOnly ? QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther : QFile::Permissions()));
        QFile::setPermissions(dir.path(), readOnly == "." ? all & ~(QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther) : all);
        {
            Unprivileged nobody;
            Startup startup({"orvana-class", "--data-dir", dir.path()}, dir.path());
            QCOMPARE(startup.run(), std::nullopt);
            startup.window().definer->MnuSave_Click();
        }
        QFile::setPermissions(dir.path(), all);
        QCOMPARE(prompt.informed, messages.replaceInStrings("@DIR@", dir.path()));
        QCOMPARE(dir.rows("SELECT count(*) FROM CutData"), QStringList{"0"});
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
