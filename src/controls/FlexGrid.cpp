#include "controls/FlexGrid.h"

#include "controls/Twips.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace controls {

namespace {
constexpr int kTextPadding = 3; // pixels between a cell's edge and its text
const QColor kFixedLine(0x80, 0x80, 0x80);
} // namespace

FlexGrid::FlexGrid(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // paintEvent covers the whole viewport: no background fill before it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(twips(m_rowHeight));
    setRows(2);
    setCols(2);
}

void FlexGrid::setRows(int rows)
{
    rows = qMax(0, rows);
    const int old = this->rows();
    m_cells.resize(rows);
    for (int r = old; r < rows; ++r)
        m_cells[r] = QStringList(QList<QString>(m_cols));
    m_mergeRows.resize(rows);
    if (rows < old)
        m_marks.clear();
    m_notes.clear();
    clampCurrent();
    updateScrollBars();
    viewport()->update();
}

void FlexGrid::setCols(int cols)
{
    cols = qMax(0, cols);
    for (QStringList &row : m_cells)
        row.resize(cols);
    m_colWidths.resize(cols, -1);
    m_alignments.resize(cols, Qt::AlignLeft | Qt::AlignVCenter);
    m_cols = cols;
    m_marks.clear();
    m_notes.clear();
    clampCurrent();
    updateScrollBars();
    viewport()->update();
}

void FlexGrid::setFixedRows(int count)
{
    m_fixedRows = qMax(0, count);
    clampCurrent();
    viewport()->update();
}

void FlexGrid::setFixedCols(int count)
{
    m_fixedCols = qMax(0, count);
    clampCurrent();
    viewport()->update();
}

QString FlexGrid::textMatrix(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return QString();
    return m_cells[row][col];
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return;
    m_cells[row][col] = text;
    if (m_redraw)
        viewport()->update();
}

void FlexGrid::setRow(int row)
{
    if (row < 0 || row >= rows() || row == m_row)
        return;
    emit leaveCell();
    m_row = row;
    ensureCurrentVisible();
    viewport()->update();
    emit currentCellChanged();
}

void FlexGrid::setCol(int col)
{
    if (col < 0 || col >= m_cols || col == m_col)
        return;
    emit leaveCell();
    m_col = col;
    ensureCurrentVisible();
    viewport()->update();
    emit currentCellChanged();
}

void FlexGrid::moveTo(int row, int col)
{
    if (row == m_row && col == m_col)
        return;
    emit leaveCell();
    m_row = row;
    m_col = col;
    ensureCurrentVisible();
    viewport()->update();
    emit currentCellChanged();
}

int FlexGrid::colWidth(int col) const
{
    if (col < 0 || col >= m_cols)
        return 0;
    return m_colWidths[col] < 0 ? m_defaultColWidth : m_colWidths[col];
}

void FlexGrid::setColWidth(int col, int twipsWidth)
{
    if (col < 0 || col >= m_cols)
        return;
    m_colWidths[col] = qMax(0, twipsWidth);
    updateScrollBars();
    viewport()->update();
}

void FlexGrid::setMergeRow(int row, bool merge)
{
    if (row >= 0 && row < rows())
        m_mergeRows[row] = merge;
}

bool FlexGrid::mergeRow(int row) const
{
    return row >= 0 && row < rows() && m_mergeRows[row];
}

void FlexGrid::setFormatString(const QString &format)
{
    const QStringList columns = format.split(u'|');
    setCols(int(columns.size()));
    for (int c = 0; c < columns.size(); ++c) {
        QString column = columns[c];
        Qt::Alignment alignment = Qt::AlignLeft;
        if (column.startsWith(u'^')) {
            alignment = Qt::AlignHCenter;
            column.remove(0, 1);
        } else if (column.startsWith(u'>')) {
            alignment = Qt::AlignRight;
            column.remove(0, 1);
        } else if (column.startsWith(u'<')) {
            column.remove(0, 1);
        }
        m_alignments[c] = alignment | Qt::AlignVCenter;
        if (rows() > 0)
            m_cells[0][c] = column;
    }
    viewport()->update();
}

Qt::Alignment FlexGrid::colAlignment(int col) const
{
    return col >= 0 && col < m_cols ? m_alignments[col] : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void FlexGrid::setRedraw(bool on)
{
    m_redraw = on;
    viewport()->setUpdatesEnabled(on);
    if (on)
        viewport()->update();
}

void FlexGrid::clear()
{
    for (QStringList &row : m_cells)
        for (QString &cell : row)
            cell.clear();
    m_marks.clear();
    m_notes.clear();
    viewport()->update();
}

void FlexGrid::addItem(const QString &text, int index)
{
    index = qBound(0, index, rows());
    QStringList row = text.split(u'\t');
    row.resize(m_cols);
    m_cells.insert(index, row);
    m_mergeRows.insert(index, false);
    m_marks.clear();
    m_notes.clear();
    clampCurrent();
    updateScrollBars();
    viewport()->update();
}

bool FlexGrid::removeItem(int index)
{
    if (index < m_fixedRows || index >= rows() || rows() - m_fixedRows <= 1)
        return false;
    m_cells.removeAt(index);
    m_mergeRows.removeAt(index);
    m_marks.clear();
    m_notes.clear();
    clampCurrent();
    updateScrollBars();
    viewport()->update();
    return true;
}

int FlexGrid::cellLeft() const
{
    return toTwips(viewport()->x() + colX(m_col));
}

int FlexGrid::cellTop() const
{
    return toTwips(viewport()->y() + rowY(m_row));
}

int FlexGrid::cellWidth() const
{
    return toTwips(colPixels(m_col));
}

int FlexGrid::cellHeight() const
{
    return toTwips(rowPixels());
}

void FlexGrid::setFixedColor(const QColor &color)
{
    m_fixedColor = color;
    viewport()->update();
}

void FlexGrid::setCellMarked(int row, int col, bool marked)
{
    const quint64 key = quint64(row) << 32 | quint32(col);
    if (marked == m_marks.contains(key))
        return;
    if (marked)
        m_marks.insert(key);
    else
        m_marks.remove(key);
    if (m_redraw)
        viewport()->update();
}

bool FlexGrid::cellMarked(int row, int col) const
{
    return !m_marks.isEmpty() && m_marks.contains(quint64(row) << 32 | quint32(col));
}

void FlexGrid::clearMarks()
{
    if (m_marks.isEmpty())
        return;
    m_marks.clear();
    viewport()->update();
}

void FlexGrid::refreshNotes(int row)
{
    if (row < 0)
        m_notes.clear();
    else
        m_notes.remove(row);
    if (m_redraw)
        viewport()->update();
}

const FlexGrid::CellNote *FlexGrid::findNote(int row, int col) const
{
    if (!m_noteProvider || row < m_fixedRows || row >= rows())
        return nullptr;
    auto notes = m_notes.constFind(row);
    if (notes == m_notes.cend())
        notes = m_notes.insert(row, m_noteProvider(row));
    for (const CellNote &note : *notes)
        if (note.col == col)
            return &note;
    return nullptr;
}

QString FlexGrid::cellNote(int row, int col) const
{
    const CellNote *note = findNote(row, col);
    return note ? note->text : QString();
}

bool FlexGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString note = cellNote(hitRow(help->pos().y()), hitCol(help->pos().x()));
        if (note.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), note, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

int FlexGrid::colPixels(int col) const
{
    return twips(colWidth(col));
}

int FlexGrid::rowPixels() const
{
    return twips(m_rowHeight);
}

int FlexGrid::colX(int col) const
{
    int x = 0;
    for (int c = 0; c < col && c < m_cols; ++c)
        x += colPixels(c);
    if (col >= m_fixedCols)
        x -= horizontalScrollBar()->value();
    return x;
}

int FlexGrid::rowY(int row) const
{
    int y = row * rowPixels();
    if (row >= m_fixedRows)
        y -= verticalScrollBar()->value();
    return y;
}

int FlexGrid::hitCol(int x) const
{
    int fixedWidth = 0;
    for (int c = 0; c < m_fixedCols && c < m_cols; ++c) {
        if (x < fixedWidth + colPixels(c))
            return c;
        fixedWidth += colPixels(c);
    }
    int left = fixedWidth - horizontalScrollBar()->value();
    for (int c = m_fixedCols; c < m_cols; ++c) {
        const int width = colPixels(c);
        if (width > 0 && x >= left && x < left + width && x >= fixedWidth)
            return c;
        left += width;
    }
    return -1;
}

int FlexGrid::hitRow(int y) const
{
    const int height = rowPixels();
    if (y < m_fixedRows * height)
        return qMin(y / height, rows() - 1);
    const int row = (y + verticalScrollBar()->value()) / height;
    return row < rows() ? row : -1;
}

void FlexGrid::clampCurrent()
{
    const int maxRow = rows() - 1;
    const int maxCol = m_cols - 1;
    if (m_row > maxRow)
        m_row = qMax(0, maxRow);
    if (m_row < m_fixedRows && maxRow >= m_fixedRows)
        m_row = m_fixedRows;
    if (m_col > maxCol)
        m_col = qMax(0, maxCol);
    if (m_col < m_fixedCols && maxCol >= m_fixedCols)
        m_col = m_fixedCols;
}

void FlexGrid::ensureCurrentVisible()
{
    if (m_row >= m_fixedRows) {
        const int height = rowPixels();
        const int visibleTop = verticalScrollBar()->value();
        const int area = viewport()->height() - m_fixedRows * height;
        const int top = (m_row - m_fixedRows) * height;
        if (top < visibleTop)
            verticalScrollBar()->setValue(top);
        else if (top + height > visibleTop + area)
            verticalScrollBar()->setValue(top + height - area);
    }
    if (m_col >= m_fixedCols) {
        int fixedWidth = 0;
        for (int c = 0; c < m_fixedCols; ++c)
            fixedWidth += colPixels(c);
        int left = 0;
        for (int c = m_fixedCols; c < m_col; ++c)
            left += colPixels(c);
        const int width = colPixels(m_col);
        const int visibleLeft = horizontalScrollBar()->value();
        const int area = viewport()->width() - fixedWidth;
        if (left < visibleLeft)
            horizontalScrollBar()->setValue(left);
        else if (left + width > visibleLeft + area)
            horizontalScrollBar()->setValue(left + width - area);
    }
}

void FlexGrid::updateScrollBars()
{
    int fixedWidth = 0;
    int scrollWidth = 0;
    for (int c = 0; c < m_cols; ++c)
        (c < m_fixedCols ? fixedWidth : scrollWidth) += colPixels(c);
    const int height = rowPixels();
    const int scrollHeight = qMax(0, rows() - m_fixedRows) * height;
    const int areaWidth = viewport()->width() - fixedWidth;
    const int areaHeight = viewport()->height() - m_fixedRows * height;
    horizontalScrollBar()->setRange(0, qMax(0, scrollWidth - areaWidth));
    horizontalScrollBar()->setPageStep(qMax(1, areaWidth));
    verticalScrollBar()->setRange(0, qMax(0, scrollHeight - areaHeight));
    verticalScrollBar()->setPageStep(qMax(height, areaHeight - areaHeight % qMax(1, height)));
}

void FlexGrid::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void FlexGrid::scrollContentsBy(int, int)
{
    viewport()->update();
    emit scrolled();
}

void FlexGrid::drawCell(QPainter &p, int row, int col, const QRect &rect, const QString &text) const
{
    const bool fixed = row < m_fixedRows || col < m_fixedCols;
    const bool marked = !fixed && cellMarked(row, col);
    QColor background = fixed ? m_fixedColor : QColor(Qt::white);
    if (!fixed)
        if (const CellNote *note = findNote(row, col))
            background = note->tint;
    p.fillRect(rect, background);
    p.setPen(fixed ? kFixedLine : m_fixedColor);
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
    if (marked) {
        // A small triangle in the top right corner, as spreadsheets mark notes.
        const QPoint corner = rect.topRight();
        const QPolygon triangle({corner + QPoint(-6, 0), corner, corner + QPoint(0, 6)});
        p.setBrush(kChangedColor);
        p.setPen(Qt::NoPen);
        p.drawPolygon(triangle);
        p.setBrush(Qt::NoBrush);
    }
    if (text.isEmpty())
        return;
    const QStaticText &laid = laidOut(text);
    const QSizeF size = laid.size();
    const QRect room = rect.adjusted(kTextPadding, 0, -kTextPadding, 0);
    const Qt::Alignment alignment = m_alignments[col];
    qreal x = room.left();
    if (alignment & Qt::AlignRight)
        x = room.right() + 1 - size.width();
    else if (alignment & Qt::AlignHCenter)
        x = room.left() + (room.width() - size.width()) / 2;
    const qreal y = rect.top() + (rect.height() - size.height()) / 2;
    p.setPen(marked ? kChangedColor : palette().color(QPalette::Text));
    const bool overflows = size.width() > room.width();
    if (overflows) {
        p.save();
        p.setClipRect(room, Qt::IntersectClip);
        x = alignment & Qt::AlignRight ? room.right() + 1 - size.width() : room.left();
    }
    p.drawStaticText(QPointF(x, y), laid);
    if (overflows)
        p.restore();
}

const QStaticText &FlexGrid::laidOut(const QString &text) const
{
    auto it = m_laidOut.constFind(text);
    if (it == m_laidOut.cend()) {
        if (m_laidOut.size() > 8192)
            m_laidOut.clear(); // a bound, not a policy: any text is laid out again on demand
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.setPerformanceHint(QStaticText::AggressiveCaching);
        laid.prepare(QTransform(), font());
        it = m_laidOut.insert(text, laid);
    }
    return it.value();
}

void FlexGrid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_laidOut.clear();
    QAbstractScrollArea::changeEvent(event);
}

void FlexGrid::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.setFont(font());
    p.fillRect(viewport()->rect(), m_fixedColor);
    if (m_cols == 0 || rows() == 0)
        return;

    const int height = rowPixels();
    int fixedWidth = 0;
    for (int c = 0; c < m_fixedCols && c < m_cols; ++c)
        fixedWidth += colPixels(c);
    const int fixedHeight = qMin(m_fixedRows, rows()) * height;
    const int firstRow = m_fixedRows + verticalScrollBar()->value() / height;
    const int lastRow = qMin(rows() - 1, m_fixedRows + (verticalScrollBar()->value() + viewport()->height()) / height);

    // Columns visible to the right of the fixed ones, with their left edges.
    QVector<QPair<int, int>> columns; // (col, x)
    for (int c = m_fixedCols, x = colX(m_fixedCols); c < m_cols && x < viewport()->width(); ++c) {
        const int w = colPixels(c);
        if (w > 0 && x + w > fixedWidth)
            columns.append({c, x});
        x += w;
    }

    // Scrolling cells first, clipped to the area beside and below the headers.
    p.save();
    p.setClipRect(QRect(fixedWidth, fixedHeight, viewport()->width(), viewport()->height()));
    for (int r = firstRow; r <= lastRow; ++r)
        for (const auto &[c, x] : columns)
            drawCell(p, r, c, QRect(x, rowY(r), colPixels(c), height), m_cells[r][c]);
    if (m_row >= m_fixedRows && m_col >= m_fixedCols && m_row < rows() && m_col < m_cols && hasFocus()) {
        const QRect current(colX(m_col), rowY(m_row), colPixels(m_col), height);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(current.adjusted(1, 1, -2, -2));
    }
    p.restore();

    // Fixed rows: their scrolling columns move sideways; mergeable rows show
    // equal neighbours as one cell.
    p.save();
    p.setClipRect(QRect(fixedWidth, 0, viewport()->width(), fixedHeight));
    for (int r = 0; r < m_fixedRows && r < rows(); ++r) {
        for (int i = 0; i < columns.size(); ++i) {
            auto [c, x] = columns[i];
            int width = colPixels(c);
            const QString &text = m_cells[r][c];
            while (m_mergeRows[r] && !text.isEmpty() && i + 1 < columns.size()
                   && m_cells[r][columns[i + 1].first] == text) {
                ++i;
                width += colPixels(columns[i].first);
            }
            drawCell(p, r, c, QRect(x, r * height, width, height), text);
        }
    }
    p.restore();

    // Fixed columns, and the corner where they meet the fixed rows.
    p.save();
    p.setClipRect(QRect(0, 0, fixedWidth, viewport()->height()));
    for (int c = 0, x = 0; c < m_fixedCols && c < m_cols; ++c) {
        const int w = colPixels(c);
        for (int r = 0; r < m_fixedRows && r < rows(); ++r)
            drawCell(p, r, c, QRect(x, r * height, w, height), m_cells[r][c]);
        p.save();
        p.setClipRect(QRect(0, fixedHeight, fixedWidth, viewport()->height()));
        for (int r = firstRow; r <= lastRow; ++r)
            drawCell(p, r, c, QRect(x, rowY(r), w, height), m_cells[r][c]);
        p.restore();
        x += w;
    }
    p.restore();
}

void FlexGrid::mousePressEvent(QMouseEvent *event)
{
    // Events reach us from the viewport, in its coordinates.
    const QPoint pos = event->position().toPoint();
    const int row = hitRow(pos.y());
    const int col = hitCol(pos.x());
    setFocus(Qt::MouseFocusReason);
    if (row < m_fixedRows || col < m_fixedCols)
        return;
    moveTo(row, col);
    emit clicked();
}

void FlexGrid::mouseReleaseEvent(QMouseEvent *event)
{
    // The press did the work; taking the release keeps it from wandering up.
    event->accept();
}

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    int row = m_row;
    int col = m_col;
    switch (event->key()) {
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (row >= m_fixedRows && row < rows() && col >= m_fixedCols && col < m_cols)
        moveTo(row, col);
}

} // namespace controls
