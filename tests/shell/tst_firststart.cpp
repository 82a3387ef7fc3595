// A start with no --data-dir and nothing yet in the per-user data location
// offers to make a data directory there.
#include "shell/Startup.h"
#include "store/Schema.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using controls::Choice;

class TestFirstStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::isolateSettings(); }

    // there: what the per-user location holds before the start ("" nothing,
    // "data" a whole data directory, else one file); "program folder": the
    // program's folder holds a data directory; "--data-dir": the per-user
    // location is named on the command line. made: "demo", "empty" or "".
    // status -1: the main window runs. informed: the first line of the one
    // message shown.
    void offer_data()
    {
        QTest::addColumn<QString>("there");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("made");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("informed");
        QTest::newRow("Yes: demo data") << "" << Choice::Yes << true << "demo" << -1 << "";
        QTest::newRow("No: empty tables") << "" << Choice::No << true << "empty" << -1 << "";
        QTest::newRow("Cancel: nothing, quietly") << "" << Choice::Cancel << true << "" << 1 << "";
        QTest::newRow("a file in the way") << "Shapes.txt" << Choice::Yes << true << "" << 1
                                           << "The data directory could not be made.";
        QTest::newRow("a data directory there") << "data" << Choice::Cancel << false << "" << -1 << "";
        QTest::newRow("a server connection there") << "server.ini" << Choice::Cancel << false << "" << 1
                                                   << "Orvana Class cannot start.";
        // The import offer asks instead (declined here).
        QTest::newRow("old Access file there") << "Class.mdb" << Choice::Cancel << false << "" << 1
                                               << "Orvana Class cannot start.";
        QTest::newRow("data in the program's folder") << "program folder" << Choice::Cancel << false << "" << -1 << "";
        QTest::newRow("--data-dir given") << "--data-dir" << Choice::Cancel << false << "" << 1
                                          << "Orvana Class cannot start.";
    }

    void offer()
    {
        QFETCH(QString, there);
        QFETCH(Choice, choice);
        QFETCH(bool, asked);
        QFETCH(QString, made);
        QFETCH(int, status);
        QFETCH(QString, informed);
        QTemporaryDir home, programFolder;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        const QString perUser = QDir(home.path()).filePath(QCoreApplication::applicationName());
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), perUser);
        QStringList arguments{"orvana-class"};
        if (there == "data")
            store::createDataDirectory(perUser, false);
        else if (there == "program folder")
            store::createDataDirectory(programFolder.path(), false);
        else if (there == "--data-dir")
            arguments << "--data-dir" << perUser;
        else if (!there.isEmpty()) {
            QVERIFY(QDir().mkpath(perUser));
            QFile file(QDir(perUser).filePath(there));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        testsupport::ScriptedPrompt prompt;
        prompt.choices = {choice};
        prompt.answers = {false};
        {
            Startup startup(arguments, programFolder.path());
            QCOMPARE(startup.run().value_or(-1), status);
        }
        const QString question =
            QStringLiteral("Orvana Class has no data directory yet. It can make one in\n%1\n\n"
                           "Yes: with the demo rule set, to look around.\n"
                           "No: with empty tables, for your own rules.\n"
                           "Cancel: make nothing and quit.")
                .arg(perUser);
        QCOMPARE(prompt.confirmed.value(0) == question, asked);
        QCOMPARE(prompt.confirmed.size(), asked || there == "Class.mdb" ? 1 : 0);
        QCOMPARE(prompt.informed.value(0).section(u'\n', 0, 0), informed);
        QCOMPARE(prompt.informed.size(), informed.isEmpty() ? 0 : 1);
        // The demo alone brings Instructions.txt.
        const QDir dir(perUser);
        QCOMPARE(dir.exists("Instructions.txt"), made == "demo");
        QCOMPARE(dir.exists("Class.db"), !made.isEmpty() || there == "data");
        if (there.isEmpty() && made.isEmpty())
            QVERIFY(!dir.exists());
    }
};

QTEST_MAIN(TestFirstStart)
#include "tst_firststart.moc"
