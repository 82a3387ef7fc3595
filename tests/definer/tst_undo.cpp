#include "DefinerFixture.h"

#include "controls/CellEditor.h"
#include "controls/EditHistory.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRandomGenerator>

namespace {

// One user action on the class definer, as words: "type R C TEXT" (and
// Enter; "pending R C TEXT" without), "paste R C BLOCK", "tick P|s I",
// "add NAME", "delete I", "up I", "down I".
void act(DefinerFixture &f, const QStringList &a)
{
    definer::RuleSetPanel &panel = *f.definer.panel;
    if (a[0] == "type" || a[0] == "pending" || a[0] == "paste") {
        f.grid().setRow(a[1].toInt());
        f.grid().setCol(a[2].toInt());
        panel.editor()->tFlexFocus();
        if (a[0] == "paste")
            QGuiApplication::clipboard()->setText(a[3]);
        else
            QTest::keyClicks(panel.Txt, a.value(3));
        if (a[0] != "pending")
            QTest::keyClick(panel.Txt, a[0] == "type" ? Qt::Key_Return : Qt::Key_V, a[0] == "type" ? Qt::NoModifier : Qt::ControlModifier);
    } else if (a[0] == "tick") {
        QListWidgetItem *item = (a[1] == "P" ? panel.PList : panel.sList)->item(a[2].toInt());
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    } else if (a[0] == "add") {
        panel.TxtCName->setText(a[1]);
        panel.BtnList[0]->click();
    } else {
        panel.LCname->clearSelection();
        panel.LCname->setCurrentRow(a[1].toInt()); // the one selected
        panel.BtnList[QStringList{"", "delete", "up", "down"}.indexOf(a[0])]->click();
    }
}

QStringList randomAction(QRandomGenerator &random, DefinerFixture &f)
{
    auto number = [&] { return QString::number(random.bounded(100) / 4.0); };
    const QString row = QString::number(2 + random.bounded(4));
    const QString col = QString::number(1 + random.bounded(6));
    const int classes = f.definer.panel->LCname->count();
    switch (random.bounded(classes ? 6 : 4)) {
    case 0:
    case 1: // an empty editor writes nothing: no step
        return {"type", row, col, random.bounded(6) ? number() : QString()};
    case 2: // may reach past the last row or column
        return {"paste", row, col, number() + '\t' + number() + '\n' + number() + "\t\n"};
    case 3:
        return random.bounded(2) ? QStringList{"tick", random.bounded(2) ? "P" : "s", QString::number(random.bounded(4))}
                                 : QStringList{"add", QStringLiteral("C%1").arg(random.bounded(3))};
    default:
        return {QStringList{"delete", "up", "down"}[random.bounded(3)], QString::number(random.bounded(classes))};
    }
}

// Every cell with its unsaved mark, the ticks and the class list.
QStringList state(DefinerFixture &f)
{
    QStringList shown;
    for (int r = 0; r < f.grid().rows(); ++r)
        for (int c = 0; c < f.grid().cols(); ++c)
            shown << f.grid().textMatrix(r, c) + (f.grid().cellMarked(r, c) ? "*" : "");
    for (const QListWidget *list : {f.definer.panel->PList, f.definer.panel->sList})
        for (const bool on : DefinerFixture::ticks(list))
            shown << (on ? "+" : "-");
    return shown << DefinerFixture::items(f.definer.panel->LCname);
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

private slots:
    // Random edits, undos and redos; the window must end as the same edits
    // without the undone ones leave a fresh window.
    void randomEditsUndoAndRedo_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 6; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void randomEditsUndoAndRedo()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        DefinerFixture f(kThreeClassesFourParameters);
        const QStringList loaded = state(f);
        controls::EditHistory &history = *f.definer.panel->history();
        QList<QStringList> done, undone; // the action behind each step
        for (int i = 0; i < 40; ++i) {
            const int roll = random.bounded(10);
            if (roll < 2 && !done.isEmpty()) {
                history.undoAction()->trigger();
                undone.append(done.takeLast());
            } else if (roll < 3 && !undone.isEmpty()) {
                history.redoAction()->trigger();
                done.append(undone.takeLast());
            } else {
                const QStringList action = randomAction(random, f);
                const int before = history.stack().index();
                act(f, action);
                QVERIFY2(history.stack().index() - before <= 1, qPrintable(action.join(' ')));
                if (history.stack().index() > before)
                    done.append(action), undone.clear();
            }
        }
        DefinerFixture replay(kThreeClassesFourParameters);
        for (const QStringList &action : done)
            act(replay, action);
        QCOMPARE(state(f), state(replay));

        while (history.undoAction()->isEnabled())
            history.undoAction()->trigger();
        QCOMPARE(state(f), loaded);
        QVERIFY(!f.definer.panel->gridChanged() && !f.definer.panel->classesChanged());
        // A new edit ends what could be redone.
        QCOMPARE(history.redoAction()->isEnabled(), !done.isEmpty());
        act(f, {"type", "2", "1", "33"});
        QVERIFY(!history.redoAction()->isEnabled());
        // Back as stored: another lab is shown unasked, and the history ends.
        history.undoAction()->trigger();
        f.definer.LabList->setCurrentIndex(1);
        emit f.definer.LabList->activated(1);
        QCOMPARE(f.prompt.confirmed, QStringList());
        QCOMPARE(f.definer.lab(), QStringLiteral("Nordic"));
        QVERIFY(!history.redoAction()->isEnabled());
    }

    // The menu items name the step they take back and bring again.
    void stepNames_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("undo");
        QTest::newRow("typed") << "type 2 1 99" << "typing in Table % / Excellent Min";
        QTest::newRow("still typing") << "pending 3 2 5" << "typing in Crown Angle / Excellent Max";
        QTest::newRow("paste, cut at the edge") << "paste 5 5 1\t2\n3\t4" << "paste of 2 cells at Total Depth % / Good Min";
        QTest::newRow("tick") << "tick P 0" << "ticking Table % in INCLUDE";
        QTest::newRow("untick") << "tick s 0" << "unticking Table % in SHOW";
        QTest::newRow("class added") << "add Fair" << "adding class Fair";
        QTest::newRow("class deleted") << "delete 1" << "deleting class Very Good";
        QTest::newRow("class moved") << "up 1" << "moving class Very Good up";
    }

    void stepNames()
    {
        QFETCH(QString, action);
        QFETCH(QString, undo);
        DefinerFixture f(kThreeClassesFourParameters);
        const QStringList loaded = state(f);
        const controls::EditHistory &history = *f.definer.panel->history();
        act(f, action.split(' '));
        auto names = [&] { return history.undoAction()->text() + '|' + history.redoAction()->text(); };
        QCOMPARE(names(), "Undo " + undo + "|Redo");
        history.undoAction()->trigger();
        QCOMPARE(names(), "Undo|Redo " + undo);
        QCOMPARE(state(f), loaded);
        history.redoAction()->trigger();
        QCOMPARE(names(), "Undo " + undo + "|Redo");
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
