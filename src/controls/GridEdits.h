#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QVector>
#include <functional>

namespace controls {

class EditHistory;
class FlexGrid;

struct CellText {
    int row;
    int col;
    QString text;
};

// Every change of a grid's texts goes through here as a step of the
// window's history, so that undo and redo find the grid as it was. Around
// each change the window's editors let go of their cell (aboutToChange) and
// the window follows what changed (cellsChanged): marks, notes, whatever
// reads the grid.
class GridEdits : public QObject {
    Q_OBJECT

public:
    using CellNamer = std::function<QString(int row, int col)>;
    GridEdits(FlexGrid *grid, EditHistory *history, CellNamer cellName, QObject *parent = nullptr);

    FlexGrid *grid() const { return m_grid; }
    EditHistory *history() const { return m_history; }
    // How a step names the cell, e.g. "Table % / Excellent Min".
    QString cellName(int row, int col) const { return m_cellName ? m_cellName(row, col) : QString(); }

    // The texts as one step named what; nothing is kept when every cell
    // holds its text already. Undo and redo make the first cell current.
    void setCells(const QVector<CellText> &cells, const QString &what);
    // Rows that change() adds or removes, as one step.
    void changeRows(const std::function<void()> &change, const QString &what);

signals:
    void aboutToChange();
    void cellsChanged(const QVector<QPoint> &cells);

private:
    void apply(const QVector<CellText> &cells, bool showFirst);

    struct Rows {
        QVector<QStringList> texts; // the rows below the fixed ones
        int current;
        bool operator==(const Rows &other) const { return texts == other.texts && current == other.current; }
    };
    Rows rows() const;
    void putRows(const Rows &rows);

    FlexGrid *m_grid;
    EditHistory *m_history;
    CellNamer m_cellName;
};

} // namespace controls
