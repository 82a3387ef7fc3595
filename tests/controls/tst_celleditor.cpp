#include "controls/CellEditor.h"
#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"
#include "controls/Number.h"
#include "controls/GridEdits.h"
#include "support/TestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QTest>

namespace {

// A grid window as the rule windows build it: grid and editor side by side
// on one host, the editor limited to seven typed characters. Data cells hold
// "row.col", a number, so moving on with a cell's own text passes.
// Layouts: "default" (2 header rows), "single" (one data row), "flag" (the
// same, writing back by the edit flag). The girdle window's policy (other
// first row and column, free text, selection on refusal) is played through
// that window itself.
struct Rig {
    explicit Rig(const QString &layout)
    {
        grid->setGeometry(10, 20, 600, 300);
        grid->setFixedRows(2);
        grid->setRows(layout == QLatin1String("single") ? 3 : 4);
        grid->setCols(5);
        controls::EditorPolicy policy;
        policy.editFlagWriteBack = layout == QLatin1String("flag");
        policy.maxLength = 7;
        for (int r = 0; r < grid->rows(); ++r)
            for (int c = 0; c < grid->cols(); ++c)
                grid->setTextMatrix(r, c, QStringLiteral("%1.%2").arg(r).arg(c));
        editor = new controls::CellEditor(new controls::GridEdits(grid, new controls::EditHistory(&host), {}, &host),
                                          edit, policy, &host);
        host.resize(640, 360);
        host.show();
    }
    void placeOn(int row, int col)
    {
        grid->setRow(row);
        grid->setCol(col);
        editor->tFlexFocus();
    }
    QStringList cells() const
    {
        QStringList texts;
        for (int r = 0; r < grid->rows(); ++r)
            for (int c = 0; c < grid->cols(); ++c)
                texts << grid->textMatrix(r, c);
        return texts;
    }
    // Where the editor must stand: over the current cell, in host coordinates.
    QRect currentCellRect() const
    {
        return QRect(grid->pos() + QPoint(grid->cellLeft() / 15, grid->cellTop() / 15),
                     QSize(grid->cellWidth() / 15, grid->cellHeight() / 15));
    }

    QWidget host;
    controls::FlexGrid *grid = new controls::FlexGrid(&host);
    QLineEdit *edit = new QLineEdit(&host);
    controls::CellEditor *editor = nullptr;
};

} // namespace

class TstCellEditor : public QObject {
    Q_OBJECT

private slots:
    LOCALE_ROWS

    // Either separator whatever the desktop's: the value read, or "refused".
    void readNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const std::pair<const char *, const char *> cases[] = {
            {"-2", "-2"}, {"3e2", "300"}, {" 4 ", "4"}, {"+.5", "0.5"}, {"5.", "5"}, {"1,5", "1.5"}, {"-0,25E-1", "-0.025"},
            {"1.2.3", "refused"}, {"1,2.3", "refused"}, {"1.234,5", "refused"}, {"1 000", "refused"}, {"5 mm", "refused"},
            {"", "refused"}, {"0x1F", "refused"}, {"$5", "refused"}, {"1e", "refused"}, {",", "refused"}, {"-e5", "refused"},
            {"1e999", "refused"}, {"inf", "refused"}, {"\u0663", "refused"}};
        for (const auto &[text, value] : cases)
            QTest::newRow(*text ? text : "empty") << QString::fromUtf8(text) << value;
    }
    void readNumber()
    {
        QFETCH(QString, text);
        const std::optional<double> value = controls::readNumber(text);
        QTEST(value ? QString::number(*value) : QStringLiteral("refused"), "expected");
    }

    // Editing (2,2), which holds `stored`.
    void typingLimit_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("key"); // pressed first, named as QKeySequence names it
        QTest::addColumn<QString>("typed"); // typed, or pasted through the context menu's slot
        QTest::addColumn<QString>("expectedEditor");
        const QString longValue = QStringLiteral("123.45678");
        QTest::newRow("typing stops at seven") << "" << "" << "123456789" << "1234567";
        QTest::newRow("long value shown whole") << longValue << "" << "" << longValue;
        QTest::newRow("long value not lengthened") << longValue << "End" << "99" << longValue;
        QTest::newRow("typing replaces a long value") << longValue << "" << "5" << "5";
        QTest::newRow("long value left whole") << longValue << "Down" << "" << "3.2";
        QTest::newRow("paste cut to fit") << "" << "paste" << "123456789012" << "1234567";
        QTest::newRow("paste over selection") << "1234567" << "paste" << "abcdefghij" << "abcdefg";
        QTest::newRow("paste after long value") << longValue << "End" << "+paste" << longValue;
    }
    void typingLimit()
    {
        QFETCH(QString, stored);
        QFETCH(QString, key);
        QFETCH(QString, typed);
        Rig rig(QStringLiteral("default"));
        rig.grid->setTextMatrix(2, 2, stored);
        rig.placeOn(2, 2);
        QCOMPARE(rig.edit->selectedText(), stored);
        if (key == QLatin1String("paste")) {
            QGuiApplication::clipboard()->setText(typed);
            rig.edit->paste();
            typed.clear();
        } else if (!key.isEmpty()) {
            QTest::keyClick(rig.edit, QKeySequence(key)[0].key());
        }
        if (typed.startsWith(u'+')) { // pasted after the key
            QGuiApplication::clipboard()->setText(typed);
            rig.edit->paste();
        } else {
            QTest::keyClicks(rig.edit, typed);
        }
        QTEST(rig.edit->text(), "expectedEditor");
        // A stored value is never cut short by being shown and left.
        QCOMPARE(rig.grid->textMatrix(2, 2), stored);
    }

    void editing_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QPoint>("from"); // (col, row)
        QTest::addColumn<QString>("typed"); // empty: the loaded text erased
        QTest::addColumn<QString>("action"); // a key, "click" or "code" on `to`
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("expectedCell"); // the cell left
        QTest::addColumn<QString>("expectedEditor");
        QTest::addColumn<QString>("refusedSelection"); // the test selects the 2nd character
        auto row = [](const char *name, const char *layout, QPoint from, const char *typed, const char *action,
                      QPoint to, const char *cell, const char *editor, const char *refused = "") {
            QTest::newRow(name) << layout << from << typed << action << to << cell << editor << refused;
        };
        // Data rows 2 and 3, columns 1 to 4.
        row("Enter at row end", "default", {4, 2}, "7", "Return", {1, 3}, "7", "3.1");
        row("Enter at last cell", "default", {4, 3}, "7", "Return", {1, 2}, "7", "2.1");
        row("Enter mid row", "default", {2, 2}, "7", "Return", {3, 2}, "7", "2.3");
        row("keypad Enter", "default", {4, 2}, "7", "Num+Enter", {1, 3}, "7", "3.1");
        row("Shift+Enter at row start", "default", {1, 2}, "7", "Shift+Return", {4, 3}, "7", "3.4");
        row("Shift+Enter at first cell", "default", {1, 3}, "7", "Shift+Return", {4, 2}, "7", "2.4");
        row("Ctrl+Shift+Enter stays", "default", {1, 2}, "7", "Ctrl+Shift+Return", {1, 2}, "2.1", "7");
        row("Down at last row", "default", {2, 3}, "7", "Down", {2, 2}, "7", "2.2");
        row("Down", "default", {3, 2}, "7", "Down", {3, 3}, "7", "3.3");
        row("Up at first row", "default", {3, 2}, "7", "Up", {3, 3}, "7", "3.3");
        row("letters, Enter", "default", {2, 2}, "abc", "Return", {2, 2}, "2.2", "abc", "b");
        row("letters, Down", "default", {2, 2}, "abc", "Down", {2, 2}, "2.2", "abc", "b");
        row("letters, click", "default", {2, 2}, "abc", "click", {2, 3}, "abc", "3.2");
        // Whatever moves the current cell, the editor follows it.
        row("typed, code", "default", {2, 2}, "9", "code", {2, 3}, "9", "3.2");
        row("typed, Tab, Down on grid", "default", {2, 2}, "9", "grid Down", {2, 3}, "9", "3.2");
        row("typed, Tab, Right on grid", "default", {2, 2}, "9", "grid Right", {3, 2}, "9", "2.3");
        row("single row, Down", "single", {2, 2}, "55", "Down", {2, 2}, "55", "55");
        row("single row, Up", "single", {2, 2}, "55", "Up", {2, 2}, "55", "55");
        row("single row, Enter at end", "single", {4, 2}, "55", "Return", {1, 2}, "55", "2.1");
        row("erased, click", "default", {2, 2}, "", "click", {2, 3}, "2.2", "3.2");
        row("erased, Enter", "default", {2, 2}, "", "Return", {3, 2}, "2.2", "2.3");
        // Escape hides the editor; code then moves on, and nothing is written.
        row("typed, Escape", "default", {2, 2}, "9", "Esc", {2, 3}, "2.2", "");
        row("typed, click same", "default", {2, 2}, "9", "click", {2, 2}, "2.2", "2.2");
        row("flag, erased, click", "flag", {2, 2}, "", "click", {2, 3}, "", "3.2");
        row("flag, erased, Escape", "flag", {2, 2}, "", "Esc", {2, 3}, "2.2", "");
    }
    void editing()
    {
        QFETCH(QString, layout);
        QFETCH(QPoint, from);
        QFETCH(QString, typed);
        QFETCH(QString, action);
        QFETCH(QPoint, to);
        QFETCH(QString, expectedCell);
        QFETCH(QString, refusedSelection);
        testsupport::ScriptedPrompt prompt;
        Rig rig(layout);
        rig.placeOn(from.y(), from.x());
        QStringList expectedCells = rig.cells();
        if (typed.isEmpty())
            QTest::keyClick(rig.edit, Qt::Key_Backspace);
        QTest::keyClicks(rig.edit, typed);
        if (typed.size() > 1)
            rig.edit->setSelection(1, 1);

        if (action == QLatin1String("click")) { // 64 by 17 px cells
            QTest::mouseClick(rig.grid->viewport(), Qt::LeftButton, {}, QPoint(to.x() * 64 + 32, to.y() * 17 + 8));
        } else if (action.startsWith(QLatin1String("grid "))) {
            rig.grid->setFocus();
            QTest::keyClick(rig.grid, QKeySequence(action.mid(5))[0].key());
        } else if (action != QLatin1String("code")) {
            const QKeyCombination key = QKeySequence(action)[0];
            QTest::keyClick(rig.edit, key.key(), key.keyboardModifiers());
        }
        const bool hidden = action == QLatin1String("Esc");
        if (hidden || action == QLatin1String("code"))
            rig.grid->setRow(to.y());
        if (action.startsWith(QLatin1String("grid ")) || action == QLatin1String("code")) {
            // The editor has moved on: what is typed now lands in the new cell.
            QTest::keyClicks(rig.edit, "8");
            QCOMPARE(rig.edit->text(), QStringLiteral("8"));
            rig.edit->setText(rig.grid->textMatrix(to.y(), to.x()));
            rig.edit->selectAll();
        }

        const bool refused = !refusedSelection.isEmpty();
        QCOMPARE(prompt.informed, refused ? QStringList{"Please correct the data..."} : QStringList());
        // Placed on a cell again, the editor holds its text all selected.
        // A wrap onto the same cell of the single row places the editor again.
        const bool placed = !refused && !hidden
                            && (to != from || action == QLatin1String("click") || layout == QLatin1String("single"));
        QCOMPARE(rig.edit->selectedText(), refused ? refusedSelection : placed ? rig.edit->text() : QString());
        QCOMPARE(QPoint(rig.grid->col(), rig.grid->row()), to);
        // Only the cell left may change.
        expectedCells[from.y() * rig.grid->cols() + from.x()] = expectedCell;
        QCOMPARE(rig.cells(), expectedCells);
        QTEST(rig.edit->text(), "expectedEditor");
        QCOMPARE(rig.edit->isHidden(), hidden);
        if (!hidden)
            QCOMPARE(rig.edit->geometry(), rig.currentCellRect());
    }
};

QTEST_MAIN(TstCellEditor)
#include "tst_celleditor.moc"
