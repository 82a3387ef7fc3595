#include "controls/GridEdits.h"

#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"

namespace controls {

GridEdits::GridEdits(FlexGrid *grid, EditHistory *history, CellNamer cellName, QObject *parent)
    : QObject(parent), m_grid(grid), m_history(history), m_cellName(std::move(cellName))
{
}

void GridEdits::setCells(const QVector<CellText> &cells, const QString &what)
{
    QVector<CellText> before, after;
    for (const CellText &cell : cells) {
        const QString old = m_grid->textMatrix(cell.row, cell.col);
        if (old == cell.text || cell.row >= m_grid->rows() || cell.col >= m_grid->cols())
            continue;
        before.append({cell.row, cell.col, old});
        after.append(cell);
    }
    if (after.isEmpty())
        return;
    m_history->push(new EditStep(
        what, [this, before] { apply(before, true); }, [this, after](bool again) { apply(after, again); }));
}

void GridEdits::apply(const QVector<CellText> &cells, bool showFirst)
{
    emit aboutToChange();
    QVector<QPoint> changed;
    changed.reserve(cells.size());
    for (const CellText &cell : cells) {
        m_grid->setTextMatrix(cell.row, cell.col, cell.text);
        changed.append(QPoint(cell.col, cell.row));
    }
    // Undo and redo show where they took effect, as typing does.
    if (showFirst) {
        m_grid->setRow(cells.first().row);
        m_grid->setCol(cells.first().col);
    }
    emit cellsChanged(changed);
}

GridEdits::Rows GridEdits::rows() const
{
    Rows rows{{}, m_grid->row()};
    for (int r = m_grid->fixedRows(); r < m_grid->rows(); ++r)
        rows.texts.append(m_grid->rowTexts(r));
    return rows;
}

void GridEdits::putRows(const Rows &rows)
{
    emit aboutToChange();
    m_grid->setRows(m_grid->fixedRows() + int(rows.texts.size()));
    for (int i = 0; i < rows.texts.size(); ++i)
        for (int c = 0; c < m_grid->cols(); ++c)
            m_grid->setTextMatrix(m_grid->fixedRows() + i, c, rows.texts[i].value(c));
    m_grid->setRow(rows.current);
    emit cellsChanged({});
}

void GridEdits::changeRows(const std::function<void()> &change, const QString &what)
{
    m_history->record([this] { return rows(); }, [this](const Rows &rows) { putRows(rows); }, change,
                      [&what] { return what; });
}

} // namespace controls
