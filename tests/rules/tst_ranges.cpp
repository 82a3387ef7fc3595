#include "controls/FlexGrid.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "rules/FrmTryStone.h"
#include "rules/Grading.h"
#include "rules/Ranges.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTableWidget>
#include <QTest>

using Edit = std::function<void(rules::RuleSheet &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

// Shape code XXCUTSYM: its stones are in XX1 and XX2 (D kept as text there).
const QString kReportTables = QStringLiteral(
    "CREATE TABLE XX1 (RID INTEGER, T DOUBLE PRECISION, D DOUBLE PRECISION);\n"
    "CREATE TABLE XX2 (RID INTEGER, D TEXT, C DOUBLE PRECISION);\n");

} // namespace

class TestRanges : public QObject {
    Q_OBJECT

private slots:
    LOCALE_ROWS

    // Index into the limits : the reason, for each limit that looks wrong.
    void checkLimits_data()
    {
        QTest::addColumn<QStringList>("limits");
        QTest::addColumn<QStringList>("expected");
        const QString inB = QStringLiteral("Not inside the range of B (%1).");
        QTest::newRow("widening, open ends") << QStringList{"52", "62", "50", "66", "", ""} << QStringList{};
        QTest::newRow("not a number") << QStringList{"5 mm", "6", "1", "9"} << QStringList{"0:\"5 mm\" is not a number."};
        QTest::newRow("min above max") << QStringList{"7", "6.5", "", ""}
                                       << QStringList{"0:Min is above Max.", "1:Min is above Max."};
        QTest::newRow("sticks out below") << QStringList{"49", "62", "50", "66"} << QStringList{"0:" + inB.arg("50 to 66")};
        QTest::newRow("open where the next is closed")
            << QStringList{"52", "", "50", "66"} << QStringList{"1:" + inB.arg("50 to 66")};
        QTest::newRow("exponent, signs, either separator")
            << QStringList{"-1e1", "+5", "-10", "5.", "-10,5", "5.5", "1.234,5", ""} << QStringList{"6:\"1.234,5\" is not a number."};
        QTest::newRow("min equal to max") << QStringList{"5", "5", "5", "5"} << QStringList{};
    }
    void checkLimits()
    {
        QFETCH(QStringList, limits);
        QStringList found;
        for (const rules::LimitProblem &problem : rules::checkLimits(limits, {"A", "B", "C"}))
            found << QStringLiteral("%1:%2").arg(problem.index).arg(problem.why);
        QTEST(found, "expected");
    }

    // Stones of the report tables graded by hand: "RID|class|decided by".
    // Table: A 52 to 62, B 50 to 66; Depth: A open to 61, B 58 to open;
    // Culet (not ticked): A 0 to 1.
    void grades_data()
    {
        QTest::addColumn<QString>("stones");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QStringList>("expected");
        const Edit none = [](rules::RuleSheet &) {};
        const QString boundaries = "INSERT INTO XX1 VALUES (4, 66.1, 60), (1, 52, 61), (2, 62, 40), (3, 51.9, 61.1), (14, 57, 40);\n";
        const QString twoTables = "INSERT INTO XX1 VALUES (10, 57, NULL), (12, 57, 58);\n"
                                  "INSERT INTO XX2 VALUES (10, ' 60', 5), (11, '59', 0), (12, '70', 0);\n";
        QTest::newRow("Min, Max and open limits hold")
            << boundaries << none
            << QStringList{"1|A|Table", "2|A|Table", "3|B|Table", "4|outside every class|Table", "14|A|Table"};
        QTest::newRow("missing, text, empty text; not graded before outside")
            << "INSERT INTO XX1 VALUES (5, NULL, 60), (6, 'n/a', 60), (8, 57, ''), (9, 70, NULL);\n" << none
            << QStringList{"5|not graded|Table", "6|not graded|Table", "8|not graded|Depth", "9|not graded|Depth"};
        QTest::newRow("a stone in two tables, the first value kept")
            << twoTables << none << QStringList{"10|A|Table", "11|not graded|Table", "12|A|Table"};
        QTest::newRow("Culet ticked") << twoTables << Edit([](rules::RuleSheet &s) { s.rows[2].include = true; })
                                      << QStringList{"10|outside every class|Culet", "11|not graded|Table", "12|A|Table"};
        QTest::newRow("Table not ticked")
            << boundaries << Edit([](rules::RuleSheet &s) { s.rows[0].include = false; })
            << QStringList{"1|A|Depth", "2|A|Depth", "3|B|Depth", "4|A|Depth", "14|A|Depth"};
        QTest::newRow("classes reordered")
            << boundaries << Edit([](rules::RuleSheet &s) {
                   s.classes = {"B", "A"};
                   for (rules::RuleSheet::Row &row : s.rows)
                       row.limits = row.limits.mid(2) + row.limits.mid(0, 2);
               })
            << QStringList{"1|B|Table", "2|A|Depth", "3|B|Table", "4|outside every class|Table", "14|A|Depth"};
        QTest::newRow("a limit not a number holds nothing")
            << boundaries << Edit([](rules::RuleSheet &s) { s.rows[0].limits[1] = "6x2"; })
            << QStringList{"1|B|Table", "2|B|Table", "3|B|Table", "4|outside every class|Table", "14|B|Table"};
        QTest::newRow("nothing ticked") << "INSERT INTO XX1 VALUES (1, 52, 61);\n"
                                        << Edit([](rules::RuleSheet &s) { s.rows[0].include = s.rows[1].include = false; })
                                        << QStringList{"1|not graded|"};
    }
    void grades()
    {
        QFETCH(QString, stones);
        QFETCH(Edit, edit);
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~XXCUTSYM\r\n"), store::Engine::SQLite);
        dir.exec(kReportTables + stones, "Reports.db");
        rules::RuleSheet sheet{.classes = {"A", "B"},
                               .rows = {{"Table", true, true, {"52", "62", "50", "66"}, "T"},
                                        {"Depth", true, true, {"", "61", "58", ""}, "D"},
                                        {"Culet", false, true, {"0", "1", "0", "1"}, "C"}}};
        edit(sheet);
        QStringList graded;
        {
            const store::SqlReportTables reports(store::openDatabase("grades", dir.file("Reports.db")));
            store::Stones found = *store::readStones(reports, "XXCUTSYM", {"T", "D", "C"});
            rules::readTexts(found);
            const rules::Grader grader(sheet, rules::Grader::columnsOf(sheet, found.fields));
            for (qsizetype i = 0; i < found.count(); ++i) {
                const rules::Grade grade = grader.grade(found.stone(i));
                graded << QStringLiteral("%1|%2|%3").arg(found.rids[i]).arg(grader.className(grade), grader.parameterName(grade));
            }
        }
        store::closeDatabase("grades");
        QTEST(graded, "expected");
    }

    // A value typed into the row of a parameter and ended by key is graded
    // at once; a limit holds its own value, an empty one is open.
    void tryAStoneByKeys_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("key"); // none: still typing when the window is destroyed
        QTest::addColumn<QString>("graded");
        QTest::addColumn<int>("rowAfter");
        QTest::newRow("Min, Enter") << 0 << "52" << "Return" << "A" << 1;
        QTest::newRow("open Min, last row, Enter") << 1 << "-40" << "Return" << "A" << 1;
        QTest::newRow("open Max, last row, Down") << 1 << "4" << "Down" << "B" << 1;
        QTest::newRow("Max, Up") << 1 << "3" << "Up" << "A" << 0;
        QTest::newRow("nothing typed, Enter") << 0 << "" << "Return" << "" << 1;
        QTest::newRow("still typing") << 0 << "52" << "none" << "" << 0;
    }
    void tryAStoneByKeys()
    {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, key);
        rules::FrmTryStone trial([] {
            return rules::RuleSheet{.classes = {"A", "B"},
                                    .rows = {{"Table %", true, true, {"52", "62", "50", "66"}}, {"Girdle", true, true, {"", "3", "", ""}}}};
        });
        trial.show();
        QApplication::setActiveWindow(&trial);
        trial.Grid->setCurrentCell(row, 1);
        if (!typed.isEmpty()) // else the key goes to the grid
            trial.Grid->editItem(trial.Grid->item(row, 1));
        QWidget *editor = typed.isEmpty() ? trial.Grid : trial.Grid->indexWidget(trial.Grid->currentIndex());
        QTest::keyClicks(editor, typed);
        if (key != "none")
            QTest::keyClick(editor, QKeySequence(key)[0].key());
        QTEST(trial.Grid->item(row, 2)->text(), "graded");
        QTEST(trial.Grid->currentRow(), "rowAfter");
    }

    // The demo set's published round-brilliant figures grade as its best
    // class; the window follows the grid as edited, saved or not.
    void tryAStone()
    {
        testsupport::TestDataDir dir;
        QDir(dir.path()).removeRecursively();
        store::createDataDirectory(dir.path(), true);
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        QCOMPARE(window.definer->lab(), QStringLiteral("AGL"));
        window.findChild<QAction *>("MnuTryStone")->trigger();
        auto *trial = window.findChild<rules::FrmTryStone *>();
        QVERIFY(trial && trial->isVisible());
        // Pavilion Angle typed with the separator of the other desktop.
        const QList<QPair<QString, QString>> stone = {
            {"Table %", "57"}, {"Crown Angle", "34"}, {"Pavilion Angle", QLocale().decimalPoint() == "," ? "40.7" : "40,7"},
            {"Total Depth %", "61"}, {"Crown Height %", "15"}, {"Girdle Thickness %", "3"}};
        for (const auto &[parameter, value] : stone)
            trial->setValue(parameter, value);
        auto classes = [&] {
            QStringList found;
            for (int r = 0; r < trial->Grid->rowCount(); ++r)
                if (!trial->Grid->item(r, 1)->text().isEmpty())
                    found << trial->Grid->item(r, 0)->text() + "=" + trial->Grid->item(r, 2)->text();
            return found;
        };
        QCOMPARE(classes(), (QStringList{"Table %=Excellent", "Crown Angle=Excellent", "Pavilion Angle=Excellent",
                                         "Total Depth %=Excellent", "Crown Height %=Excellent", "Girdle Thickness %=Excellent"}));
        QCOMPARE(trial->LblStone->text(), QStringLiteral("The stone: not graded (no value for Culet Size %)"));
        trial->setValue("Culet Size %", "0.4");
        QCOMPARE(trial->LblStone->text(), QStringLiteral("The stone: Excellent"));
        // Excellent's table Max typed below its Min, unsaved: the grid says
        // why at once, and 57 now falls to the next class.
        definer::RuleSetPanel &panel = *window.definer->panel;
        QStringList notes; // the demo's limits are all sound
        for (int r = 2; r < panel.msf->rows(); ++r)
            for (int c = 1; c < panel.msf->cols(); ++c)
                notes << panel.msf->cellNote(r, c);
        QCOMPARE(notes.join(QString()), QString());
        panel.msf->setRow(2);
        panel.msf->setCol(2);
        panel.editor()->tFlexFocus();
        QTest::keyClicks(panel.Txt, "51");
        QTest::keyClick(panel.Txt, Qt::Key_Return);
        QCOMPARE(panel.msf->cellNote(2, 2), QStringLiteral("Min is above Max."));
        QCOMPARE(classes().first(), QStringLiteral("Table %=Very Good"));
        QCOMPARE(trial->LblStone->text(), QStringLiteral("The stone: Very Good"));
        // Undone and redone: the note and the stone follow.
        for (const char *item : {"MnuUndo", "MnuRedo"}) {
            window.findChild<QAction *>(item)->trigger();
            const bool undone = item == QLatin1String("MnuUndo");
            QCOMPARE(panel.msf->cellNote(2, 2), undone ? QString() : QStringLiteral("Min is above Max."));
            QCOMPARE(trial->LblStone->text(), undone ? QStringLiteral("The stone: Excellent") : QStringLiteral("The stone: Very Good"));
        }
        trial->setValue("Table %", "99");
        QCOMPARE(trial->LblStone->text(), QStringLiteral("The stone: outside every class"));
    }
};

QTEST_MAIN(TestRanges)
#include "tst_ranges.moc"
