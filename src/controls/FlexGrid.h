#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QHash>
#include <QSet>
#include <QStaticText>
#include <functional>
#include <QStringList>
#include <QVector>

namespace controls {

// The grid the windows rely on: text cells addressed by row and column,
// fixed header rows and columns that stay in view when the rest scrolls, a
// current cell that code, a mouse click or the arrow keys move. LeaveCell is
// raised before every change of the current cell, while Row and Col still
// name the cell being left; currentCellChanged after it. The user never
// types into the grid.
// Text colour of a value changed and not yet saved.
inline const QColor kChangedColor(0xC0, 0x00, 0x00);

class FlexGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit FlexGrid(QWidget *parent = nullptr);

    int rows() const { return int(m_cells.size()); }
    void setRows(int rows);
    int cols() const { return m_cols; }
    void setCols(int cols);
    int fixedRows() const { return m_fixedRows; }
    void setFixedRows(int count);
    int fixedCols() const { return m_fixedCols; }
    void setFixedCols(int count);

    QString textMatrix(int row, int col) const;
    QStringList rowTexts(int row) const { return m_cells.value(row); }
    void setTextMatrix(int row, int col, const QString &text);

    int row() const { return m_row; }
    int col() const { return m_col; }
    // Each raises LeaveCell first when it changes the current cell.
    void setRow(int row);
    void setCol(int col);

    // Column width in twips; 0 hides the column.
    int colWidth(int col) const;
    void setColWidth(int col, int twips);
    int rowHeight() const { return m_rowHeight; } // twips

    void setMergeRow(int row, bool merge);
    bool mergeRow(int row) const;

    // "|"-separated column specifications: a leading "^" centres the column,
    // ">" right-aligns it, the rest is its text in row 0. Sets Cols.
    void setFormatString(const QString &format);
    Qt::Alignment colAlignment(int col) const;

    void setRedraw(bool on);

    // Empties every cell; rows, columns and widths stay.
    void clear();
    // Inserts a row at index; tabs in text separate the cells.
    void addItem(const QString &text, int index);
    // Removes a non-fixed row; refuses (returns false) to remove the last one.
    bool removeItem(int index);

    // The current cell's place inside the grid, in twips.
    int cellLeft() const;
    int cellTop() const;
    int cellWidth() const;
    int cellHeight() const;

    // Colours of the fixed cells, of the empty background and of the lines.
    void setFixedColor(const QColor &color);

    // A marked cell is drawn in another colour with a corner mark (a value
    // changed since it was loaded). Marks go when rows or columns change.
    void setCellMarked(int row, int col, bool marked);
    bool cellMarked(int row, int col) const;
    void clearMarks();

    // Notes on data cells: the background tinted and a tool tip saying why.
    // The provider gives a row's notes when the row is first drawn or asked
    // about, so a large grid costs only the rows in view; refreshNotes()
    // says a row (or, with -1, every row) must be asked again.
    struct CellNote {
        int col;
        QColor tint;
        QString text;
    };
    using NoteProvider = std::function<QVector<CellNote>(int row)>;
    void setNoteProvider(NoteProvider provider) { m_noteProvider = std::move(provider); }
    void refreshNotes(int row = -1);
    QString cellNote(int row, int col) const;

signals:
    void leaveCell();
    // The current cell has changed (after leaveCell).
    void currentCellChanged();
    void clicked();
    // The cells moved under a fixed point (scrolling); a floating editor follows.
    void scrolled();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    int colPixels(int col) const;
    int rowPixels() const;
    // Left edge of a column / top of a row, in viewport pixels, scrolling applied.
    int colX(int col) const;
    int rowY(int row) const;
    int hitCol(int x) const;
    int hitRow(int y) const;
    void moveTo(int row, int col); // one LeaveCell for a change of both
    void updateScrollBars();
    void clampCurrent();
    void ensureCurrentVisible();
    void drawCell(class QPainter &p, int row, int col, const QRect &rect, const QString &text) const;
    // Cell texts laid out once: a grid shows few distinct texts many times.
    const QStaticText &laidOut(const QString &text) const;

    QVector<QStringList> m_cells;
    int m_cols = 0;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
    int m_row = 1;
    int m_col = 1;
    QVector<int> m_colWidths; // twips, -1 = default
    QVector<Qt::Alignment> m_alignments;
    QVector<bool> m_mergeRows;
    int m_rowHeight = 255;
    int m_defaultColWidth = 960;
    bool m_redraw = true;
    QColor m_fixedColor = QColor(0xC0, 0xC0, 0xC0);
    QSet<quint64> m_marks; // row << 32 | col
    mutable QHash<QString, QStaticText> m_laidOut;
    const CellNote *findNote(int row, int col) const;
    NoteProvider m_noteProvider;
    mutable QHash<int, QVector<CellNote>> m_notes; // rows asked so far
};

} // namespace controls
