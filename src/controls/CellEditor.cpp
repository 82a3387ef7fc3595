#include "controls/CellEditor.h"

#include "controls/FlexGrid.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

namespace controls {

bool isNumeric(const QString &text, const QString &decimalPoint)
{
    const QString point = QRegularExpression::escape(decimalPoint);
    const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+(%1\\d*)?|%1\\d+)([eE][+-]?\\d+)?$").arg(point));
    return number.match(text.trimmed()).hasMatch();
}

bool isNumeric(const QString &text)
{
    return isNumeric(text, QLocale().decimalPoint());
}

TypingLimit::TypingLimit(QLineEdit *edit, int maxLength) : QObject(edit), m_edit(edit), m_max(maxLength)
{
    edit->installEventFilter(this);
}

bool TypingLimit::wouldExceed(qsizetype inserted) const
{
    const qsizetype after = m_edit->text().size() - m_edit->selectedText().size() + inserted;
    return inserted > 0 && after > m_max;
}

bool TypingLimit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit)
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Paste)) {
            const QClipboard *clipboard = QGuiApplication::clipboard();
            return clipboard && wouldExceed(clipboard->text().size());
        }
        const QString text = key->text();
        const bool printable = !text.isEmpty() && text.at(0).isPrint();
        return printable && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && wouldExceed(text.size());
    }
    if (event->type() == QEvent::InputMethod)
        return wouldExceed(static_cast<QInputMethodEvent *>(event)->commitString().size());
    return false;
}

CellEditor::CellEditor(FlexGrid *grid, QLineEdit *editor, const EditorPolicy &policy, QObject *parent)
    : QObject(parent), m_grid(grid), m_editor(editor), m_policy(policy)
{
    m_editor->hide();
    m_editor->installEventFilter(this);
    connect(m_grid, &FlexGrid::clicked, this, &CellEditor::tFlexFocus);
    connect(m_grid, &FlexGrid::leaveCell, this, &CellEditor::onLeaveCell);
    connect(m_grid, &FlexGrid::scrolled, this, &CellEditor::followCell);
}

bool CellEditor::hasEditableCell() const
{
    return m_grid->row() >= m_grid->fixedRows() && m_grid->row() < m_grid->rows()
        && m_grid->col() >= m_grid->fixedCols() && m_grid->col() < m_grid->cols();
}

void CellEditor::followCell()
{
    QWidget *parent = m_editor->parentWidget();
    const QPoint inGrid(twips(m_grid->cellLeft()), twips(m_grid->cellTop()));
    const QPoint topLeft = parent ? parent->mapFromGlobal(m_grid->mapToGlobal(inGrid)) : inGrid;
    m_editor->setGeometry(QRect(topLeft, QSize(twips(m_grid->cellWidth()), twips(m_grid->cellHeight()))));
}

void CellEditor::tFlexFocus()
{
    if (!hasEditableCell())
        return;
    m_editor->show();
    followCell();
    m_editor->setText(m_grid->textMatrix(m_grid->row(), m_grid->col()));
    if (m_policy.editFlagWriteBack)
        m_editFlag = true;
    m_editor->raise();
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->selectAll();
}

void CellEditor::hideEditor()
{
    m_editor->clear();
    m_editor->hide();
}

bool CellEditor::writeBack()
{
    const QString text = m_editor->text();
    const bool write = m_policy.editFlagWriteBack ? m_editFlag : !text.isEmpty();
    if (write)
        m_grid->setTextMatrix(m_grid->row(), m_grid->col(), text);
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

void CellEditor::commitPending()
{
    if (m_editor->isVisible() && hasEditableCell())
        writeBack();
}

void CellEditor::moveRow(int step)
{
    const int row = m_grid->row() + step;
    if (step > 0)
        m_grid->setRow(row < m_grid->rows() ? row : m_policy.firstRow);
    else
        m_grid->setRow(row >= m_policy.firstRow ? row : m_grid->rows() - 1);
}

bool CellEditor::Txt_KeyDown(int key, int shift)
{
    if (key == Qt::Key_Escape) {
        // Escape cancels the edit: the cell keeps its text, and a set edit
        // flag must not later write the emptied box into it.
        m_editFlag = false;
        hideEditor();
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

    if (key == Qt::Key_Down) {
        moveRow(+1);
    } else if (key == Qt::Key_Up) {
        moveRow(-1);
    } else if (shift == 0) {
        if (m_grid->col() + 1 < m_grid->cols()) {
            m_grid->setCol(m_grid->col() + 1);
        } else {
            moveRow(+1);
            m_grid->setCol(m_policy.firstCol);
        }
    } else if (shift == 1) {
        if (m_grid->col() - 1 >= m_policy.firstCol) {
            m_grid->setCol(m_grid->col() - 1);
        } else {
            moveRow(-1);
            m_grid->setCol(m_grid->cols() - 1);
        }
    } else {
        return true; // Enter with Ctrl or Alt: validated, but nothing moves
    }
    tFlexFocus();
    return true;
}

bool CellEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
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
