#include "controls/FlexGrid.h"

#include <QScrollBar>
#include <QTest>

namespace {

// A grid laid out like the class grids (two header rows, one name column),
// shown, every cell holding "row,col" so a stray move or write shows.
struct Grid : controls::FlexGrid {
    Grid(int rows, int cols, const QList<int> &widths = {})
    {
        setFixedRows(2);
        setRows(rows);
        setCols(cols);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                setTextMatrix(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
        for (int c = 0; c < widths.size(); ++c)
            setColWidth(c, widths[c]);
        resize(600, 300);
        show();
        // Signals in order, with the cell named while raising them: LeaveCell
        // handlers write into that cell.
        connect(this, &FlexGrid::leaveCell, this, [this] { log << QStringLiteral("leave %1,%2").arg(row()).arg(col()); });
        connect(this, &FlexGrid::currentCellChanged, this, [this] { log << QStringLiteral("moved %1,%2").arg(row()).arg(col()); });
        connect(this, &FlexGrid::clicked, this, [this] { log << QStringLiteral("clicked %1,%2").arg(row()).arg(col()); });
    }
    QStringList rowTexts() const // each row's cells joined by "/"
    {
        QStringList texts;
        for (int r = 0; r < rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < cols(); ++c)
                cells << textMatrix(r, c);
            texts << cells.join(u'/');
        }
        return texts;
    }
    QStringList log;
};

} // namespace

class TstFlexGrid : public QObject {
    Q_OBJECT

private slots:
    void movingTheCurrentCell_data()
    {
        QTest::addColumn<QString>("how"); // "code" (setRow, then setCol), "click", or a key on the grid
        QTest::addColumn<int>("scrolled"); // rows scrolled out of view above, in a grid of 40 rows
        QTest::addColumn<QPoint>("to");   // (col, row) on screen
        QTest::addColumn<QStringList>("expectedLog");
        QTest::addColumn<QPoint>("expectedCell");
        // The grid starts on (col 1, row 2); row 4 lies below the last row.
        const QStringList none;
        auto row = [](const char *name, const char *how, QPoint to, QStringList log, QPoint cell, int scrolled = 0) {
            QTest::newRow(name) << how << scrolled << to << log << cell;
        };
        row("row by code", "code", {1, 3}, {"leave 2,1", "moved 3,1"}, {1, 3});
        row("row and col by code", "code", {4, 3}, {"leave 2,1", "moved 3,1", "leave 3,1", "moved 3,4"}, {4, 3});
        row("same cell by code", "code", {1, 2}, none, {1, 2});
        row("row past the end", "code", {1, 4}, none, {1, 2});
        row("col past the end", "code", {5, 2}, none, {1, 2});
        row("click other row and col", "click", {2, 3}, {"leave 2,1", "moved 3,2", "clicked 3,2"}, {2, 3});
        row("click current cell", "click", {1, 2}, {"clicked 2,1"}, {1, 2});
        row("click header row", "click", {2, 0}, none, {1, 2});
        row("click name column", "click", {0, 3}, none, {1, 2});
        row("click below the rows", "click", {2, 4}, none, {1, 2});
        row("click scrolled down", "click", {2, 3}, {"leave 2,1", "moved 13,2", "clicked 13,2"}, {2, 13}, 10);
        row("Down key", "Down", {}, {"leave 2,1", "moved 3,1"}, {1, 3});
        row("Right key", "Right", {}, {"leave 2,1", "moved 2,2"}, {2, 2});
        row("Up key into the header", "Up", {}, none, {1, 2});
        row("Left key into the names", "Left", {}, none, {1, 2});
    }
    void movingTheCurrentCell()
    {
        QFETCH(QString, how);
        QFETCH(int, scrolled);
        QFETCH(QPoint, to);
        Grid grid(scrolled ? 40 : 4, 5); // default widths: 64 px a column, rows 17 px
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setRow(2);
        grid.setCol(1);
        grid.verticalScrollBar()->setValue(scrolled * 17);
        grid.log.clear();

        if (how == QLatin1String("click")) {
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(to.x() * 64 + 32, to.y() * 17 + 8));
        } else if (how == QLatin1String("code")) {
            grid.setRow(to.y());
            grid.setCol(to.x());
        } else {
            grid.setFocus();
            QTest::keyClick(&grid, QKeySequence(how)[0].key());
        }

        QTEST(grid.log, "expectedLog");
        QTEST(QPoint(grid.col(), grid.row()), "expectedCell");
    }

    void reportedCellMatchesWhereClicksLand_data()
    {
        QTest::addColumn<QList<int>>("widths"); // twips
        QTest::addColumn<QPoint>("cell");       // (col, row)
        QTest::addColumn<int>("expectedLeft");  // viewport pixels; -1: scrolled into view
        QTest::newRow("default widths") << QList<int>(5, 960) << QPoint(1, 2) << 64;
        QTest::newRow("after a hidden column") << QList<int>{1200, 0, 900, 600} << QPoint(2, 3) << 80;
        QTest::newRow("hidden column itself") << QList<int>{1200, 0, 900, 600} << QPoint(1, 3) << 80;
        QTest::newRow("last of many columns") << QList<int>(20, 1500) << QPoint(19, 3) << -1;
    }
    void reportedCellMatchesWhereClicksLand()
    {
        QFETCH(QList<int>, widths);
        QFETCH(QPoint, cell);
        QFETCH(int, expectedLeft);
        Grid grid(4, int(widths.size()), widths);
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setRow(cell.y());
        grid.setCol(cell.x());

        // All four in twips, 15 to the pixel.
        const QPoint frame = grid.viewport()->pos();
        const int left = grid.cellLeft() / 15 - frame.x();
        const int width = widths[cell.x()] / 15;
        QCOMPARE(grid.cellLeft() % 15, 0);
        QCOMPARE(grid.cellTop(), (frame.y() + cell.y() * 17) * 15);
        QCOMPARE(grid.cellWidth(), widths[cell.x()]);
        QCOMPARE(grid.cellHeight(), 255);
        if (expectedLeft >= 0)
            QCOMPARE(left, expectedLeft);
        else // scrolled so the whole cell shows beside the fixed column
            QVERIFY2(left >= widths[0] / 15 && left + width <= grid.viewport()->width(), qPrintable(QString::number(left)));
        if (width == 0)
            return; // nothing to click on

        // A click where the grid says the cell is lands on that very cell.
        grid.log.clear();
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(left + width / 2, cell.y() * 17 + 8));
        QCOMPARE(grid.log, QStringList{QStringLiteral("clicked %1,%2").arg(cell.y()).arg(cell.x())});
    }

    void formatStringSetsHeadersAndAlignment()
    {
        Grid grid(4, 5);
        grid.setFormatString(QStringLiteral(">Class Names|^A|^A"));
        QCOMPARE(grid.rowTexts().mid(0, 2), (QStringList{"Class Names/A/A", "1,0/1,1/1,2"}));
        QList<Qt::Alignment> alignments;
        for (int c = 0; c < grid.cols(); ++c)
            alignments << (grid.colAlignment(c) & Qt::AlignHorizontal_Mask);
        QCOMPARE(alignments, (QList<Qt::Alignment>{Qt::AlignRight, Qt::AlignHCenter, Qt::AlignHCenter}));
        grid.setFormatString(QStringLiteral("<Shape"));
        QCOMPARE(grid.colAlignment(0) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    }

    void addingAndRemovingRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("added"); // null: remove the row at index instead
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("expectedResult");
        QTest::addColumn<QStringList>("expectedRows");
        const QString remove, r0 = "0,0/0,1/0,2", r1 = "1,0/1,1/1,2", r2 = "2,0/2,1/2,2", r3 = "3,0/3,1/3,2";
        QTest::newRow("remove one of two data rows") << 4 << remove << 2 << true << QStringList{r0, r1, r3};
        QTest::newRow("remove only data row") << 3 << remove << 2 << false << QStringList{r0, r1, r2};
        QTest::newRow("remove past the end") << 4 << remove << 4 << false << QStringList{r0, r1, r2, r3};
        QTest::newRow("add one text per column") << 3 << "a\tb\tc" << 2 << true << QStringList{r0, r1, "a/b/c", r2};
        QTest::newRow("add fewer texts, at the end") << 3 << "\tb" << 3 << true << QStringList{r0, r1, r2, "/b/"};
        QTest::newRow("add more texts than columns") << 3 << "a\tb\tc\td" << 1 << true << QStringList{r0, "a/b/c", r1, r2};
    }
    void addingAndRemovingRows()
    {
        QFETCH(int, rows);
        QFETCH(QString, added);
        QFETCH(int, index);
        Grid grid(rows, 3);
        if (added.isNull())
            QTEST(grid.removeItem(index), "expectedResult");
        else
            grid.addItem(added, index);
        QCOMPARE(grid.cols(), 3);
        QTEST(grid.rowTexts(), "expectedRows");
    }

    void clearKeepsTheLayout()
    {
        Grid grid(4, 5, {960, 1500, 0});
        grid.clear();
        QCOMPARE(QPoint(grid.cols(), grid.rows()), QPoint(5, 4));
        QCOMPARE(grid.fixedRows(), 2);
        QCOMPARE(QPoint(grid.colWidth(1), grid.colWidth(2)), QPoint(1500, 0));
        QCOMPARE(grid.rowTexts(), QStringList(4, "////"));
    }
};

QTEST_MAIN(TstFlexGrid)
#include "tst_flexgrid.moc"
