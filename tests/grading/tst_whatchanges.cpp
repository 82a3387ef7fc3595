// The office's stones graded by the stored rules and by the rules on screen,
// in the window, in Try a stone and from the command line, on both engines.
#include "controls/FlexGrid.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "grading/FrmWhatChanges.h"
#include "rules/FrmTryStone.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QThread>

namespace {

// Lab AGL of Brilliant: Table A 52 to 62, B 50 to 66; Depth A open to 61,
// B 58 to open. Stones (RID: Table, Depth): 1: 57, 60 from XX2; 2: 61.5,
// 61; 3: 62, 60; 4: 70, 59; 5: no Table.
const QString kRules = QStringLiteral(
    "INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table'), ('Brilliant',2,'D','Depth');\n"
    "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
    "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'A'), ('Brilliant','AGL',1,'B');\n"
    "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table','52','62',1,'A','T',1), "
    "('Brilliant','AGL',2,'Table','50','66',1,'B','T',1), ('Brilliant','AGL',1,'Depth','','61',1,'A','D',1), "
    "('Brilliant','AGL',2,'Depth','58','',1,'B','D',1);\n");
const QString kTables = QStringLiteral(
    "CREATE TABLE \"XX1\" (\"RID\" INTEGER, \"T\" DOUBLE PRECISION, \"D\" DOUBLE PRECISION);\n"
    "CREATE TABLE \"XX2\" (\"RID\" INTEGER, \"D\" DOUBLE PRECISION);\n");
const QString kStones = QStringLiteral("INSERT INTO \"XX1\" VALUES (3, 62, 60), (1, 57, NULL), (2, 61.5, 61), (4, 70, 59);\n"
                                       "INSERT INTO \"XX2\" VALUES (1, 60), (5, 59);\n");

QStringList tableTexts(const QAbstractItemModel &model)
{
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace

class TestWhatChanges : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void initTestCase() { testsupport::isolateSettings(); }

    // Table's A Max 62 -> 61.5, unsaved: stone 3 goes to B (61.5 itself
    // stays A); saved, nothing changes any more. Try a stone and --grade
    // read the same stones.
    void editOneLimit()
    {
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~XXCUTSYM\r\n"));
        dir.exec(kRules);
        dir.exec(kTables + kStones, "Reports.db");
        testsupport::ScriptedPrompt prompt;
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        window.findChild<QAction *>("MnuWhatChanges")->trigger();
        auto *changes = window.findChild<grading::FrmWhatChanges *>();
        QThread::msleep(500); // read by now, but not yet told
        changes->BtnRead_Click(); // Cancel: what it read is dropped
        QTest::qWait(100);
        QCOMPARE(changes->LblRules->text(), QStringLiteral("Reading was cancelled; nothing is graded."));
        changes->BtnRead_Click();
        QTRY_COMPARE(changes->LblChanges->text(), QStringLiteral("No stone would change class."));
        QCOMPARE(changes->LblRules->text(), QStringLiteral("Brilliant, Cut, AGL: 5 stones in XX1, XX2, graded by the stored "
                                                           "rules (before) and by the rules on screen (after)."));

        definer::RuleSetPanel &panel = *window.definer->panel;
        panel.msf->setRow(2);
        panel.msf->setCol(2);
        panel.editor()->tFlexFocus();
        QTest::keyClicks(panel.Txt, "61.5");
        QTest::keyClick(panel.Txt, Qt::Key_Return);
        QCOMPARE(tableTexts(*changes->Counts->model()),
                 (QStringList{"A|3|2|-1", "B|0|1|+1", "outside every class|1|1|", "not graded|1|1|"}));
        QCOMPARE(tableTexts(*changes->Changes->model()), QStringList{"3|A|B|Table"});
        QCOMPARE(changes->LblChanges->text(), QStringLiteral("1 stone would change class:"));

        prompt.files = QStringList{dir.file("changes")};
        changes->BtnExport_Click();
        QFile csv(dir.file("changes.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), QByteArray("\xEF\xBB\xBFRID,Before,After,Decided by\r\n3,A,B,Table\r\n"));
        QCOMPARE(prompt.informed, QStringList{"The list was exported to " + QDir::toNativeSeparators(dir.file("changes.csv")) + "."});

        window.definer->MnuSave_Click();
        QCOMPARE(changes->LblChanges->text(), QStringLiteral("No stone would change class."));
        QCOMPARE(tableTexts(*changes->Counts->model()).first(), QStringLiteral("A|2|2|"));

        window.findChild<QAction *>("MnuTryStone")->trigger();
        auto *trial = window.findChild<rules::FrmTryStone *>();
        const QList<QPair<QString, QString>> typed = {{"abc", "\"abc\" is not a report number.|"},
                                                      {"99", "No stone of Brilliant has the report number 99.|"},
                                                      {"3", "The values of report 3.|The stone: B"},
                                                      {"5", "The values of report 5.|The stone: not graded (no value for Table)"}};
        for (const auto &[rid, said] : typed) {
            trial->TxtRid->setText(rid);
            QTest::keyClick(trial->TxtRid, Qt::Key_Return);
            QCOMPARE(trial->LblReport->text() + u'|' + (said.endsWith(u'|') ? QString() : trial->LblStone->text()), said);
        }
        QCOMPARE(trial->Grid->item(0, 1)->text() + u'|' + trial->Grid->item(1, 1)->text(), QStringLiteral("|59"));

        const auto [status, output] = testsupport::runProgram(
            {"--data-dir", dir.path(), "--grade", "--shape", "brilliant", "--type", "Cut", "--lab", "agl"});
        QCOMPARE(status, 0);
        QCOMPARE(output, QStringLiteral("RID,Class,Decided by\r\n1,A,Table\r\n2,A,Table\r\n3,B,Table\r\n"
                                        "4,outside every class,Table\r\n5,not graded,Table\r\n"));
    }

    // What the window says when there is nothing to grade, and what the
    // command line refuses.
    void nothingToGrade_data()
    {
        QTest::addColumn<QString>("reports");
        QTest::addColumn<QStringList>("grade"); // --shape, --type, --lab; none: the window
        QTest::addColumn<QString>("said");
        QTest::newRow("no report tables") << QString() << QStringList{}
                                          << "Brilliant, Cut, AGL: no report table holds a field of its parameters, so "
                                             "there are no stones to grade.";
        QTest::newRow("empty report tables") << kTables << QStringList{}
                                             << "Brilliant, Cut, AGL: the report tables XX1, XX2 hold no stones.";
        QTest::newRow("unknown shape") << kTables << QStringList{"Round", "Cut", "AGL"}
                                       << "orvana-class: There is no shape \"Round\" in Shapes.txt.\n";
        QTest::newRow("unknown type") << kTables << QStringList{"Brilliant", "cut", "AGL"}
                                      << "orvana-class: Unknown class type \"cut\"; the types are Cut and Sym.\n";
        QTest::newRow("unknown lab") << kTables << QStringList{"Brilliant", "Sym", "AGL"}
                                     << "orvana-class: Brilliant (Sym) has no lab \"AGL\".\n";
    }
    void nothingToGrade()
    {
        QFETCH(QString, reports);
        QFETCH(QStringList, grade);
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~XXCUTSYM\r\n"));
        dir.exec(kRules);
        dir.exec(reports, "Reports.db");
        if (grade.isEmpty()) {
            store::ClassModule module{store::DataDir(dir.path())};
            FrmCS window(module);
            window.Form_Load();
            window.findChild<QAction *>("MnuWhatChanges")->trigger();
            auto *changes = window.findChild<grading::FrmWhatChanges *>();
            QFETCH(QString, said);
            QTRY_COMPARE(changes->LblRules->text(), said);
            return;
        }
        const auto [status, output] = testsupport::runProgram(
            {"--data-dir", dir.path(), "--grade", "--shape", grade[0], "--type", grade[1], "--lab", grade[2]});
        QCOMPARE(status, 1);
        QTEST(output, "said");
    }
};

QTEST_MAIN(TestWhatChanges)
#include "tst_whatchanges.moc"
