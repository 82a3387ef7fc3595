#include "controls/FlexGrid.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "rules/FrmTryStone.h"
#include "rules/Ranges.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
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

class TestRanges : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

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
        QTest::newRow("exponent and signs") << QStringList{"-1e1", "+5", "-10", "5."} << QStringList{};
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
        const QList<QPair<QString, QString>> stone = {
            {"Table %", "57"}, {"Crown Angle", "34"}, {"Pavilion Angle", "41"}, {"Total Depth %", "61"}, {"Crown Height %", "15"}};
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
                                         "Total Depth %=Excellent", "Crown Height %=Excellent"}));
        QCOMPARE(trial->LblStone->text(), QStringLiteral("The stone: Excellent"));
        // Excellent's table Max typed below its Min, unsaved: the grid says
        // why at once, and 57 now falls to the next class.
        definer::RuleSetPanel &panel = *window.definer->panel;
        QCOMPARE(panel.msf->cellNote(2, 2), QString());
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
