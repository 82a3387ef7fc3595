#include "controls/CellEditor.h"

#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"
#include "controls/Number.h"
#include "controls/GridEdits.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace controls {

CellEditor::CellEditor(GridEdits *edits, QLineEdit *editor, const EditorPolicy &policy, QObject *parent)
    : QObject(parent), m_edits(edits), m_grid(edits->grid()), m_editor(editor), m_policy(policy)
{
    m_editor->hide();
    m_editor->installEventFilter(this);
    if (m_policy.maxLength > 0) {
        // QLineEdit's own limit cuts what is typed, pasted or dropped to fit;
        // it is kept at the length of the text put in by code, so a longer
        // stored value is shown whole but cannot grow.
        m_editor->setMaxLength(m_policy.maxLength);
        connect(m_editor, &QLineEdit::textChanged, this, [this](const QString &text) {
            m_editor->setMaxLength(qMax(m_policy.maxLength, int(text.size())));
        });
    }
    connect(m_grid, &FlexGrid::clicked, this, &CellEditor::tFlexFocus);
    connect(m_grid, &FlexGrid::leaveCell, this, &CellEditor::onLeaveCell);
    connect(m_grid, &FlexGrid::currentCellChanged, this, &CellEditor::followCurrentCell);
    connect(m_grid, &FlexGrid::scrolled, this, &CellEditor::placeOverCell);
    connect(m_edits, &GridEdits::aboutToChange, this, &CellEditor::letGo);
    connect(m_edits, &GridEdits::cellsChanged, this, &CellEditor::takeUp);
    EditHistory *history = m_edits->history();
    // The window's history may outlive the editor while the window goes.
    const QPointer<CellEditor> self(this);
    history->setPending([self] { return self ? self->pendingStep() : QString(); },
                        [self] {
                            if (self)
                                self->commitPending();
                        });
    connect(m_editor, &QLineEdit::textChanged, history, &EditHistory::refresh);
}

void CellEditor::letGo()
{
    if (m_writing)
        return;
    // Emptied and without its flag it writes nothing while the cells change
    // under it; shown, it takes up its cell again afterwards.
    m_parked = m_parked || m_editor->isVisible();
    m_editFlag = false;
    m_editor->clear();
}

void CellEditor::takeUp()
{
    if (m_writing || !m_parked)
        return;
    m_parked = false;
    if (hasEditableCell())
        tFlexFocus();
    else
        hideEditor();
}

bool CellEditor::hasEditableCell() const
{
    return m_grid->row() >= m_grid->fixedRows() && m_grid->row() < m_grid->rows()
        && m_grid->col() >= m_grid->fixedCols() && m_grid->col() < m_grid->cols();
}

void CellEditor::placeOverCell()
{
    QWidget *parent = m_editor->parentWidget();
    const QPoint inGrid(twips(m_grid->cellLeft()), twips(m_grid->cellTop()));
    const QPoint topLeft = parent ? parent->mapFromGlobal(m_grid->mapToGlobal(inGrid)) : inGrid;
    m_editor->setGeometry(QRect(topLeft, QSize(twips(m_grid->cellWidth()), twips(m_grid->cellHeight()))));
}

void CellEditor::followCurrentCell()
{
    // Whatever moved the current cell (keys on the grid, code), the editor
    // never stays over a cell it does not write to.
    if (m_moving || !m_editor->isVisible())
        return;
    if (hasEditableCell())
        tFlexFocus();
    else
        hideEditor();
}

void CellEditor::setTextWhole(const QString &text)
{
    if (m_policy.maxLength > 0)
        m_editor->setMaxLength(qMax(m_policy.maxLength, int(text.size())));
    m_editor->setText(text);
}

void CellEditor::tFlexFocus()
{
    if (!hasEditableCell())
        return;
    m_editor->show();
    placeOverCell();
    setTextWhole(m_grid->textMatrix(m_grid->row(), m_grid->col()));
    if (m_policy.editFlagWriteBack)
        m_editFlag = true;
    m_editor->raise();
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->selectAll();
}

void CellEditor::hideEditor()
{
    // Whatever hides the editor (Escape, a reload) ends the edit: a set edit
    // flag must not later write the emptied box into the cell it stood on.
    m_editFlag = false;
    m_editor->clear();
    m_editor->hide();
}

bool CellEditor::wouldWrite() const
{
    return m_policy.editFlagWriteBack ? m_editFlag : !m_editor->text().isEmpty();
}

QString CellEditor::typingStep(const QString &text) const
{
    const QString cell = m_edits->cellName(m_grid->row(), m_grid->col());
    return text.isEmpty() ? QStringLiteral("emptying %1").arg(cell) : QStringLiteral("typing in %1").arg(cell);
}

bool CellEditor::writeBack()
{
    const bool write = wouldWrite();
    if (write) {
        const QString text = m_editor->text();
        m_writing = true;
        m_edits->setCells({{m_grid->row(), m_grid->col(), text}}, typingStep(text));
        m_writing = false;
    }
    return write;
}

void CellEditor::onLeaveCell()
{
    if (m_editor->text().isEmpty() && !m_editFlag)
        return;
    writeBack();
    m_editFlag = false;
    m_editor->clear();
}

bool CellEditor::hasPendingChange() const
{
    if (!m_editor->isVisible() || !hasEditableCell())
        return false;
    return wouldWrite() && m_editor->text() != m_grid->textMatrix(m_grid->row(), m_grid->col());
}

QString CellEditor::pendingStep() const
{
    return hasPendingChange() ? typingStep(m_editor->text()) : QString();
}

void CellEditor::commitPending()
{
    if (!m_writing && m_editor->isVisible() && hasEditableCell())
        writeBack();
}

void CellEditor::pasteBlock(const QString &text)
{
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // a spreadsheet ends its copy with a line break
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (lines.size() == 1 && !lines.first().contains(u'\t')) {
        m_editor->insert(lines.first()); // one value: pasted as typed
        return;
    }
    const int top = m_grid->row();
    const int left = m_grid->col();
    QVector<CellText> cells;
    for (int i = 0; i < lines.size() && top + i < m_grid->rows(); ++i) {
        const QStringList fields = lines[i].split(u'\t');
        for (int j = 0; j < fields.size() && left + j < m_grid->cols(); ++j)
            cells.append({top + i, left + j, m_policy.maxLength > 0 ? fields[j].left(m_policy.maxLength) : fields[j]});
    }
    // The paste replaces what was being typed.
    setTextWhole(m_grid->textMatrix(top, left));
    m_edits->setCells(cells, QStringLiteral("paste of %1 %2 at %3")
                                 .arg(QString::number(cells.size()), cells.size() == 1 ? "cell" : "cells",
                                      m_edits->cellName(top, left)));
    tFlexFocus();
}

int CellEditor::nextRow(int step) const
{
    const int row = m_grid->row() + step;
    if (step > 0)
        return row < m_grid->rows() ? row : m_policy.firstRow;
    return row >= m_policy.firstRow ? row : m_grid->rows() - 1;
}

void CellEditor::moveTo(int row, int col)
{
    m_moving = true;
    if (row == m_grid->row() && col == m_grid->col())
        onLeaveCell(); // a wrap onto the same cell still takes the value
    if (row != m_grid->row())
        m_grid->setRow(row);
    if (col != m_grid->col())
        m_grid->setCol(col);
    m_moving = false;
}

bool CellEditor::Txt_KeyDown(int key, int shift)
{
    if (key == Qt::Key_Escape) {
        hideEditor(); // the cell keeps its text
        return true;
    }
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!enter && key != Qt::Key_Up && key != Qt::Key_Down)
        return false;

    const QString text = m_editor->text();
    if (!text.isEmpty() && m_grid->col() != m_policy.freeTextCol && !isNumeric(text)) {
        inform(QStringLiteral("Please correct the data..."));
        if (m_policy.selectAllOnRefusal)
            m_editor->selectAll();
        return true;
    }
    if (!hasEditableCell())
        return true;

    const int row = m_grid->row();
    const int col = m_grid->col();
    if (key == Qt::Key_Down)
        moveTo(nextRow(+1), col);
    else if (key == Qt::Key_Up)
        moveTo(nextRow(-1), col);
    else if (shift == 0)
        moveTo(col + 1 < m_grid->cols() ? row : nextRow(+1), col + 1 < m_grid->cols() ? col + 1 : m_policy.firstCol);
    else if (shift == 1)
        moveTo(col - 1 >= m_policy.firstCol ? row : nextRow(-1), col - 1 >= m_policy.firstCol ? col - 1 : m_grid->cols() - 1);
    else
        return true; // Enter with Ctrl or Alt: validated, but nothing moves
    tFlexFocus();
    return true;
}

bool CellEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Paste) && hasEditableCell()) {
            pasteBlock(QGuiApplication::clipboard()->text());
            return true;
        }
        int shift = 0;
        if (key->modifiers() & Qt::ShiftModifier)
            shift |= 1;
        if (key->modifiers() & Qt::ControlModifier)
            shift |= 2;
        if (key->modifiers() & Qt::AltModifier)
            shift |= 4;
        return Txt_KeyDown(key->key(), shift);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace controls
