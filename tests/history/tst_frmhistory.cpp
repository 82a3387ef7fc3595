// The History windows: a lab's saves shown in the main window's grid layout
// with what each changed marked, compared with now and with another lab,
// restored, and refused when someone saved first; the history of all rules
// narrowed to one user.
#include "definer/DefinerFixture.h"
#include "history/FrmHistory.h"
#include "history/FrmHistoryAll.h"
#include "store/ParameterStore.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

namespace {

const store::RuleTables kCut = store::RuleTables::forType("Cut");

// "kind|changes" of the listed entries; "cell note" of the grid cells marked.
QStringList listed(const QTableView *list)
{
    QStringList rows;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        rows.append(list->model()->index(r, 3).data().toString() + u'|' + list->model()->index(r, 4).data().toString());
    return rows;
}

QStringList marks(const controls::FlexGrid &grid)
{
    QStringList found;
    for (int r = 2; r < grid.rows(); ++r) {
        for (int c = 1; c < grid.cols(); ++c) {
            if (grid.cellMarked(r, c))
                found.append(QStringLiteral("%1,%2 %3").arg(r).arg(c).arg(grid.cellNote(r, c)));
        }
    }
    return found;
}

} // namespace

class TestFrmHistory : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void cleanup() { store::HistoryAuthor::set(std::nullopt); }

    void labHistory()
    {
        DefinerFixture f(kThreeClassesFourParameters);
        f.chooseLab("AGL");
        for (const QString &typed : {"53", "54"}) {
            f.grid().setTextMatrix(2, 1, typed);
            f.definer.MnuSave_Click();
        }
        history::FrmHistory window(f.module.mainDb(), store::HistoryScope::ofLab(kCut, {"Brilliant", "AGL"}));
        QCOMPARE(listed(window.List), (QStringList{"save|1", "save|12", "as first found|12"}));
        // Each save as it left the lab, what it changed marked with the value
        // before: a typed limit; the first save also dropped the ranges of a
        // parameter the grid does not show.
        QCOMPARE(marks(*window.panel->msf), QStringList{"2,1 Before: 53"});
        window.List->selectRow(1);
        QCOMPARE(marks(*window.panel->msf), (QStringList{"2,1 Before: 52", "6,1 Before: 1", "6,2 Before: 2"}));
        window.List->selectRow(2);
        window.BtnNow_Click();
        QCOMPARE(marks(*window.panel->msf).first(), "2,1 Now: 54");
        testsupport::ScriptedModal modal;
        modal.onOpen = [](QDialog &choice) { choice.accept(); }; // the first other lab: Nordic
        window.BtnLab_Click();
        QCOMPARE(marks(*window.panel->msf),
                 (QStringList{"2,1 Nordic: 53", "2,2 Nordic: 60", "2,3 Nordic: (empty)", "2,4 Nordic: (empty)", "2,5 Nordic: (empty)",
                              "2,6 Nordic: (empty)", "3,1 Nordic: (empty)", "3,2 Nordic: (empty)", "3,5 Nordic: (empty)",
                              "3,6 Nordic: (empty)", "5,3 Nordic: (empty)", "5,4 Nordic: (empty)"}));
        QCOMPARE(window.panel->PList->item(0)->toolTip(), "Nordic: ticked");

        // Restored: stored as a new save, recorded, and the lab shown afresh.
        window.List->selectRow(2);
        QSignalSpy restored(&window, &history::FrmHistory::restored);
        window.BtnRestore_Click();
        QCOMPARE(restored.count(), 1);
        QCOMPARE(f.dir.rows("SELECT \"cMin\" FROM CutData WHERE Lab = 'AGL' AND serial = 1 AND cPara = 'Table %'"),
                 QStringList{"52"});
        QCOMPARE(listed(window.List).first(), "restore (entry 1)|12");
        QCOMPARE(window.List->model()->rowCount(), 4);
        window.List->selectRow(0); // what is stored now: nothing to ask, nothing recorded
        window.BtnRestore_Click();
        QVERIFY(f.prompt.informed.last().startsWith("AGL (Brilliant, Cut) is stored as entry 4 (restore, "));
        QVERIFY(f.prompt.informed.last().endsWith(") left it; there is nothing to restore."));
        QCOMPARE(window.List->model()->rowCount(), 4);
        // Someone saves the lab meanwhile: the restore asks, and Cancel writes nothing.
        f.dir.exec("UPDATE CutData SET \"cMin\" = '1' WHERE Lab = 'AGL'");
        window.List->selectRow(1);
        window.BtnRestore_Click();
        QCOMPARE(f.prompt.confirmed.last(), "AGL (Brilliant, Cut) was changed on another workstation since you opened it.");
        QCOMPARE(f.dir.rows("SELECT DISTINCT \"cMin\" FROM CutData WHERE Lab = 'AGL'"), QStringList{"1"});
        QCOMPARE(restored.count(), 1);
    }

    void allRules()
    {
        DefinerFixture f(kThreeClassesFourParameters);
        store::HistoryAuthor::set(store::HistoryAuthor{"anna", "ws-a"});
        f.chooseLab("Nordic");
        f.grid().setTextMatrix(2, 1, "54");
        f.definer.MnuSave_Click();
        store::HistoryAuthor::set(store::HistoryAuthor{"ben", "ws-b"});
        store::saveParameters(f.module.mainDb(), kCut, "Brilliant", {{"Table %", "TablePct"}, {"Depth", "Depth"}});
        history::FrmHistoryAll window(f.module.mainDb(), {}, f.dir.file("Shapes.txt"));
        QCOMPARE(window.List->model()->rowCount(), 4); // the parameters and the lab, each found and saved
        window.Users->setCurrentIndex(window.Users->findText("ben"));
        window.applyFilter();
        QCOMPARE(listed(window.List), QStringList{"parameters|6"});
        const auto *rows = qobject_cast<QTableWidget *>(window.Tables->widget(0));
        // Rows as stored, in stored order: the ID 2 row took another name.
        QCOMPARE(window.Tables->tabText(0), "parameters (Before: 3 rows more)");
        QCOMPARE(rows->item(1, 3)->text(), "Depth");
        QCOMPARE(rows->item(1, 3)->toolTip(), "Before: Crown Angle");
    }
};

QTEST_MAIN(TestFrmHistory)
#include "tst_frmhistory.moc"
