#include "controls/CellEditor.h"
#include "controls/FlexGrid.h"
#include "support/TestSupport.h"

#include <QLineEdit>
#include <QLocale>
#include <QTest>

using controls::FlexGrid;

namespace {

// A grid window as the rule windows build it: grid and editor side by side
// on one host, the editor limited to seven typed characters. Data cells hold
// "row.col", a number, so moving on with a cell's own text passes.
struct Rig {
    explicit Rig(const QString &layout)
    {
        grid->setGeometry(10, 20, 600, 300);
        new controls::TypingLimit(edit, 7);
        controls::EditorPolicy policy;
        const bool girdle = layout == QLatin1String("girdle");
        grid->setFixedRows(girdle ? 1 : 2);
        grid->setRows(4);
        grid->setCols(girdle ? 9 : 5);
        if (girdle) {
            grid->setColWidth(1, 0);
            policy = {1, 2, 8, true, false};
        }
        policy.editFlagWriteBack = layout == QLatin1String("flag");
        for (int r = 0; r < grid->rows(); ++r)
            for (int c = 0; c < grid->cols(); ++c)
                grid->setTextMatrix(r, c, QStringLiteral("%1.%2").arg(r).arg(c));
        editor = new controls::CellEditor(grid, edit, policy, &host);
        host.resize(640, 360);
        host.show();
    }
    void placeOn(int row, int col)
    {
        grid->setRow(row);
        grid->setCol(col);
        editor->tFlexFocus();
    }
    void click(int row, int col)
    {
        int x = grid->colWidth(col) / 30;
        for (int c = 0; c < col; ++c)
            x += grid->colWidth(c) / 15;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(x, row * 17 + 8));
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
    FlexGrid *grid = new FlexGrid(&host);
    QLineEdit *edit = new QLineEdit(&host);
    controls::CellEditor *editor = nullptr;
};

} // namespace

class TstCellEditor : public QObject {
    Q_OBJECT

private slots:
    // The numeric test follows the user's decimal separator; pin it to ".".
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void isNumeric_data();
    void isNumeric();
    void focusShowsTheCellSelected_data();
    void focusShowsTheCellSelected();
    void typingLimit_data();
    void typingLimit();
    void keys_data();
    void keys();
    void leavingWritesBack_data();
    void leavingWritesBack();
};

void TstCellEditor::isNumeric_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("point");
    QTest::addColumn<bool>("expected");
    for (const char *text : {"1.5", "-2", "3e2", " 4 ", "+.5", "5."})
        QTest::newRow(text) << QString::fromLatin1(text) << "." << true;
    for (const char *text : {"1.2.3", "5 mm", "", "abc", "1,5", "0x1F", "$5", "1e"})
        QTest::newRow(*text ? text : "empty") << QString::fromLatin1(text) << "." << false;
    QTest::newRow("1,5 with comma") << "1,5" << "," << true;
    QTest::newRow("1.5 with comma") << "1.5" << "," << false;
}

void TstCellEditor::isNumeric()
{
    QFETCH(QString, text);
    QFETCH(QString, point);
    QTEST(controls::isNumeric(text, point), "expected");
}

void TstCellEditor::focusShowsTheCellSelected_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<QString>("stored"); // put in the last cell, which gets the editor
    QTest::addColumn<bool>("shown");

    QTest::newRow("data cell") << "default" << 4 << 5 << "3.1" << true;
    QTest::newRow("longer than typing allows") << "default" << 4 << 5 << "123.45678" << true;
    QTest::newRow("empty cell") << "default" << 3 << 2 << "" << true;
    QTest::newRow("past the hidden column") << "girdle" << 4 << 9 << "Round" << true;
    QTest::newRow("header rows only") << "flag" << 2 << 5 << "x" << false;
    QTest::newRow("name column only") << "flag" << 4 << 1 << "x" << false;
}

void TstCellEditor::focusShowsTheCellSelected()
{
    QFETCH(QString, layout);
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(QString, stored);
    QFETCH(bool, shown);
    Rig rig(layout);
    rig.grid->setRows(rows);
    rig.grid->setCols(cols);
    rig.grid->setTextMatrix(rows - 1, cols - 1, stored);
    rig.placeOn(rows - 1, cols - 1);

    QCOMPARE(rig.edit->isVisible(), shown);
    QCOMPARE(rig.edit->text(), shown ? stored : QString());
    QCOMPARE(rig.edit->selectedText(), shown ? stored : QString());
    QCOMPARE(rig.editor->editFlag(), shown && layout == QLatin1String("flag"));
    if (shown)
        QCOMPARE(rig.edit->geometry(), rig.currentCellRect());
}

void TstCellEditor::typingLimit_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("key"); // pressed before typing
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expectedEditor");

    const QString longValue = QStringLiteral("123.45678");
    QTest::newRow("typing stops at seven") << "" << 0 << "123456789" << "1234567";
    QTest::newRow("typing replaces a long value") << longValue << 0 << "5" << "5";
    QTest::newRow("long value not lengthened") << longValue << int(Qt::Key_End) << "99" << longValue;
    QTest::newRow("long value, Escape") << longValue << int(Qt::Key_Escape) << "" << "";
    QTest::newRow("long value, Down") << longValue << int(Qt::Key_Down) << "" << "3.2";
}

void TstCellEditor::typingLimit()
{
    QFETCH(QString, stored);
    QFETCH(int, key);
    QFETCH(QString, typed);
    Rig rig(QStringLiteral("default"));
    rig.grid->setTextMatrix(2, 2, stored);
    rig.placeOn(2, 2);

    if (key)
        QTest::keyClick(rig.edit, Qt::Key(key));
    QTest::keyClicks(rig.edit, typed);

    QTEST(rig.edit->text(), "expectedEditor");
    // A stored value is never cut short by being shown and left.
    QCOMPARE(rig.grid->textMatrix(2, 2), stored);
}

void TstCellEditor::keys_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QPoint>("from"); // (col, row)
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("selectedAfterRefusal"); // the test selects the 2nd character

    const QString pass;
    const int enter = Qt::Key_Return, up = Qt::Key_Up, down = Qt::Key_Down;
    const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
    auto row = [](const char *name, const char *layout, QPoint from, const char *typed, int key,
                  int modifiers, QPoint to, const QString &refusal) {
        QTest::newRow(name) << QString::fromLatin1(layout) << from << QString::fromLatin1(typed)
                            << key << modifiers << to << refusal;
    };
    row("Enter at row end", "default", {4, 2}, "7", enter, 0, {1, 3}, pass);
    row("Enter at last cell", "default", {4, 3}, "7", enter, 0, {1, 2}, pass);
    row("Enter mid row", "default", {2, 2}, "7", enter, 0, {3, 2}, pass);
    row("keypad Enter", "default", {4, 2}, "7", Qt::Key_Enter, Qt::KeypadModifier, {1, 3}, pass);
    row("Shift+Enter at row start", "default", {1, 2}, "7", enter, shift, {4, 3}, pass);
    row("Shift+Enter at first cell", "default", {1, 3}, "7", enter, shift, {4, 2}, pass);
    row("Shift+Enter mid row", "default", {3, 3}, "7", enter, shift, {2, 3}, pass);
    row("Ctrl+Enter stays", "default", {2, 2}, "7", enter, ctrl, {2, 2}, pass);
    row("Alt+Enter stays", "default", {4, 2}, "7", enter, alt, {4, 2}, pass);
    row("Ctrl+Shift+Enter stays", "default", {1, 2}, "7", enter, ctrl | shift, {1, 2}, pass);
    row("Down at last row", "default", {2, 3}, "7", down, 0, {2, 2}, pass);
    row("Down", "default", {3, 2}, "7", down, 0, {3, 3}, pass);
    row("Up at first row", "default", {3, 2}, "7", up, 0, {3, 3}, pass);
    row("Up", "default", {4, 3}, "7", up, 0, {4, 2}, pass);
    row("Shift+Down", "default", {1, 2}, "7", down, shift, {1, 3}, pass);
    row("Ctrl+Up", "default", {1, 3}, "7", up, ctrl, {1, 2}, pass);
    row("blanks round a number", "default", {2, 2}, " 4 ", enter, 0, {3, 2}, pass);
    row("negative, Down", "default", {2, 2}, "-2", down, 0, {2, 3}, pass);
    row("letters, Enter", "default", {2, 2}, "abc", enter, 0, {2, 2}, "b");
    row("letters, Down", "default", {2, 2}, "abc", down, 0, {2, 2}, "b");
    row("letters, Up", "default", {4, 2}, "abc", up, 0, {4, 2}, "b");
    row("letters, Ctrl+Enter", "default", {2, 2}, "abc", enter, ctrl, {2, 2}, "b");
    row("comma decimal", "default", {1, 2}, "1,5", enter, 0, {1, 2}, ",");
    row("unit", "default", {3, 3}, "5 mm", enter, 0, {3, 3}, " ");
    row("girdle Enter at last col", "girdle", {8, 1}, "7", enter, 0, {2, 2}, pass);
    row("girdle Enter at last cell", "girdle", {8, 3}, "7", enter, 0, {2, 1}, pass);
    row("girdle Shift+Enter at first col", "girdle", {2, 2}, "7", enter, shift, {8, 1}, pass);
    row("girdle Shift+Enter at first cell", "girdle", {2, 1}, "7", enter, shift, {8, 3}, pass);
    row("girdle Up at first row", "girdle", {5, 1}, "7", up, 0, {5, 3}, pass);
    row("girdle free text", "girdle", {8, 1}, "abc", enter, 0, {2, 2}, pass);
    row("girdle letters", "girdle", {3, 1}, "abc", enter, 0, {3, 1}, "abc");
    row("girdle letters, Down", "girdle", {3, 2}, "abc", down, 0, {3, 2}, "abc");
}

void TstCellEditor::keys()
{
    QFETCH(QString, layout);
    QFETCH(QPoint, from);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QPoint, to);
    QFETCH(QString, selectedAfterRefusal);
    testsupport::ScriptedPrompt prompt;
    Rig rig(layout);
    rig.placeOn(from.y(), from.x());
    QStringList expectedCells = rig.cells();
    QTest::keyClicks(rig.edit, typed);
    rig.edit->setSelection(1, 1);

    QTest::keyClick(rig.edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    const bool refused = !selectedAfterRefusal.isEmpty();
    QCOMPARE(prompt.informed, refused ? QStringList{"Please correct the data..."} : QStringList());
    QCOMPARE(QPoint(rig.grid->col(), rig.grid->row()), to);
    if (to == from) {
        QCOMPARE(rig.cells(), expectedCells);
        QCOMPARE(rig.edit->text(), typed);
        if (refused)
            QCOMPARE(rig.edit->selectedText(), selectedAfterRefusal);
        return;
    }
    // The typed value lands in the cell left, and nowhere else.
    expectedCells[from.y() * rig.grid->cols() + from.x()] = typed;
    QCOMPARE(rig.cells(), expectedCells);
    const QString target = rig.grid->textMatrix(to.y(), to.x());
    QVERIFY(rig.edit->isVisible());
    QCOMPARE(rig.edit->text(), target);
    QCOMPARE(rig.edit->selectedText(), target);
    QCOMPARE(rig.edit->geometry(), rig.currentCellRect());
}

void TstCellEditor::leavingWritesBack_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("typed"); // null: left as loaded; empty: erased; "=9": put in by code
    QTest::addColumn<QString>("leave"); // code, click, click same, Enter, Escape
    QTest::addColumn<QString>("expectedCell");
    QTest::addColumn<QString>("expectedEditor");
    QTest::addColumn<bool>("expectedFlag");

    // Editing (2,2), which holds "1.5"; code and Escape go on to row 3.
    QTest::newRow("typed, code") << "default" << "9" << "code" << "9" << "" << false;
    QTest::newRow("letters, click") << "default" << "abc" << "click" << "abc" << "3.2" << false;
    QTest::newRow("erased, code") << "default" << "" << "code" << "1.5" << "" << false;
    QTest::newRow("erased, click") << "default" << "" << "click" << "1.5" << "3.2" << false;
    QTest::newRow("erased, Enter") << "default" << "" << "Enter" << "1.5" << "2.3" << false;
    QTest::newRow("typed, Escape") << "default" << "9" << "Escape" << "1.5" << "" << false;
    QTest::newRow("typed, click same") << "default" << "9" << "click same" << "1.5" << "1.5" << false;
    QTest::newRow("flag, erased, click") << "flag" << "" << "click" << "" << "3.2" << true;
    QTest::newRow("flag, typed, code") << "flag" << "9" << "code" << "9" << "" << false;
    QTest::newRow("flag, as loaded, code") << "flag" << QString() << "code" << "1.5" << "" << false;
    QTest::newRow("flag, erased, Escape") << "flag" << "" << "Escape" << "1.5" << "" << false;
    QTest::newRow("flag clear, text, code") << "flag" << "=9" << "code" << "1.5" << "" << false;
}

void TstCellEditor::leavingWritesBack()
{
    QFETCH(QString, layout);
    QFETCH(QString, typed);
    QFETCH(QString, leave);
    testsupport::ScriptedPrompt prompt;
    Rig rig(layout);
    rig.grid->setTextMatrix(2, 2, QStringLiteral("1.5"));
    rig.placeOn(2, 2);
    if (typed.startsWith(u'=')) {
        // The flag is spent by leaving; text put in afterwards stays unwritten.
        rig.grid->setRow(3);
        rig.grid->setRow(2);
        rig.edit->setText(typed.mid(1));
    } else if (typed.isEmpty() && !typed.isNull()) {
        QTest::keyClick(rig.edit, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(rig.edit, typed);
    }

    if (leave == QLatin1String("click"))
        rig.click(3, 2);
    else if (leave == QLatin1String("click same"))
        rig.click(2, 2);
    else if (leave == QLatin1String("Enter") || leave == QLatin1String("Escape"))
        QTest::keyClick(rig.edit, leave == QLatin1String("Enter") ? Qt::Key_Return : Qt::Key_Escape);
    if (leave == QLatin1String("code") || leave == QLatin1String("Escape"))
        rig.grid->setRow(3);

    QCOMPARE(prompt.informed, QStringList());
    QTEST(rig.grid->textMatrix(2, 2), "expectedCell");
    QCOMPARE(rig.grid->textMatrix(3, 2), QStringLiteral("3.2"));
    QTEST(rig.edit->text(), "expectedEditor");
    QTEST(rig.editor->editFlag(), "expectedFlag");
    QCOMPARE(rig.edit->isHidden(), leave == QLatin1String("Escape"));
}

QTEST_MAIN(TstCellEditor)
#include "tst_celleditor.moc"
