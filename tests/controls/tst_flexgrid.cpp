#include "controls/FlexGrid.h"

#include <QTest>

using controls::FlexGrid;

namespace {

// A grid laid out like the class grids (two header rows, one name column),
// shown, every cell holding "row,col" so a stray move or write shows.
struct Grid : FlexGrid {
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
        connect(this, &FlexGrid::clicked, this, [this] { log << QStringLiteral("clicked %1,%2").arg(row()).arg(col()); });
    }
    QStringList rowTexts(int row) const
    {
        QStringList texts;
        for (int c = 0; c < cols(); ++c)
            texts << textMatrix(row, c);
        return texts;
    }
    // Clicks the middle of a cell, found from the widths alone (rows are 17 px).
    void clickCell(int row, int col)
    {
        int x = colWidth(col) / 30;
        for (int c = 0; c < col; ++c)
            x += colWidth(c) / 15;
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(x, row * 17 + 8));
    }
    QStringList log;
};

} // namespace

class TstFlexGrid : public QObject {
    Q_OBJECT

private slots:
    void movingTheCurrentCell_data();
    void movingTheCurrentCell();
    void reportedCellMatchesWhereClicksLand_data();
    void reportedCellMatchesWhereClicksLand();
    void formatStringSetsHeadersAndAlignment();
    void addingAndRemovingRows_data();
    void addingAndRemovingRows();
    void clearKeepsTheLayout();
};

void TstFlexGrid::movingTheCurrentCell_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QStringList>("expectedLog");
    QTest::addColumn<QPoint>("expectedCell"); // (col, row)

    // The grid starts on (2,1); row 4 lies below the last row.
    const QStringList none;
    QTest::newRow("setRow") << "setRow" << 3 << 0 << QStringList{"leave 2,1"} << QPoint(1, 3);
    QTest::newRow("setCol") << "setCol" << 0 << 4 << QStringList{"leave 2,1"} << QPoint(4, 2);
    QTest::newRow("setRow same") << "setRow" << 2 << 0 << none << QPoint(1, 2);
    QTest::newRow("setCol same") << "setCol" << 0 << 1 << none << QPoint(1, 2);
    QTest::newRow("setRow past the end") << "setRow" << 4 << 0 << none << QPoint(1, 2);
    QTest::newRow("setCol negative") << "setCol" << 0 << -1 << none << QPoint(1, 2);
    QTest::newRow("click other row and col") << "click" << 3 << 2 << QStringList{"leave 2,1", "clicked 3,2"} << QPoint(2, 3);
    QTest::newRow("click same row") << "click" << 2 << 4 << QStringList{"leave 2,1", "clicked 2,4"} << QPoint(4, 2);
    QTest::newRow("click current cell") << "click" << 2 << 1 << QStringList{"clicked 2,1"} << QPoint(1, 2);
    QTest::newRow("click header row") << "click" << 0 << 2 << none << QPoint(1, 2);
    QTest::newRow("click second header row") << "click" << 1 << 3 << none << QPoint(1, 2);
    QTest::newRow("click name column") << "click" << 3 << 0 << none << QPoint(1, 2);
    QTest::newRow("click below the rows") << "click" << 4 << 2 << none << QPoint(1, 2);
}

void TstFlexGrid::movingTheCurrentCell()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(int, col);
    Grid grid(4, 5);
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setRow(2);
    grid.setCol(1);
    grid.log.clear();

    if (how == QLatin1String("setRow"))
        grid.setRow(row);
    else if (how == QLatin1String("setCol"))
        grid.setCol(col);
    else
        grid.clickCell(row, col);

    QTEST(grid.log, "expectedLog");
    QTEST(QPoint(grid.col(), grid.row()), "expectedCell");
}

void TstFlexGrid::reportedCellMatchesWhereClicksLand_data()
{
    QTest::addColumn<QList<int>>("widths"); // twips
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("expectedLeft"); // viewport pixels; -1: scrolled into view

    QTest::newRow("default widths") << QList<int>(5, 960) << 2 << 1 << 64;
    QTest::newRow("after a hidden column") << QList<int>{1200, 0, 900, 600} << 3 << 2 << 80;
    QTest::newRow("hidden column itself") << QList<int>{1200, 0, 900, 600} << 3 << 1 << 80;
    QTest::newRow("last of many columns") << QList<int>(20, 1500) << 3 << 19 << -1;
}

void TstFlexGrid::reportedCellMatchesWhereClicksLand()
{
    QFETCH(QList<int>, widths);
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(int, expectedLeft);
    Grid grid(4, int(widths.size()), widths);
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setRow(row);
    grid.setCol(col);

    const QPoint frame = grid.viewport()->pos();
    const int left = grid.cellLeft() / 15 - frame.x();
    const int width = widths[col] / 15;
    QCOMPARE(grid.cellLeft() % 15, 0);
    QCOMPARE(grid.cellTop(), (frame.y() + row * 17) * 15);
    QCOMPARE(grid.cellWidth(), widths[col]);
    QCOMPARE(grid.cellHeight(), 255);
    if (expectedLeft >= 0)
        QCOMPARE(left, expectedLeft);
    else // scrolled so the whole cell shows beside the fixed column
        QVERIFY2(left >= widths[0] / 15 && left + width <= grid.viewport()->width(), qPrintable(QString::number(left)));
    if (width == 0)
        return; // nothing to click on

    // A click where the grid says the cell is lands on that very cell.
    grid.log.clear();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(left + width / 2, row * 17 + 8));
    QCOMPARE(grid.log, QStringList{QStringLiteral("clicked %1,%2").arg(row).arg(col)});
}

void TstFlexGrid::formatStringSetsHeadersAndAlignment()
{
    Grid grid(4, 5);
    grid.setFormatString(QStringLiteral(">Class Names|^A|^A"));

    QCOMPARE(grid.cols(), 3);
    QCOMPARE(grid.rowTexts(0), (QStringList{"Class Names", "A", "A"}));
    QCOMPARE(grid.rowTexts(1), (QStringList{"1,0", "1,1", "1,2"}));
    QCOMPARE(grid.colAlignment(0) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(grid.colAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(grid.colAlignment(2) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    grid.setFormatString(QStringLiteral("<Shape|Depth"));
    QCOMPARE(grid.rowTexts(0), (QStringList{"Shape", "Depth"}));
    QCOMPARE(grid.colAlignment(0) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

void TstFlexGrid::addingAndRemovingRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("added"); // null: remove the row at index instead
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("expectedResult");
    QTest::addColumn<QStringList>("expectedRows"); // each row's cells joined by "/"

    const QString remove;
    const QString r0 = "0,0/0,1/0,2", r1 = "1,0/1,1/1,2", r2 = "2,0/2,1/2,2", r3 = "3,0/3,1/3,2";
    QTest::newRow("remove one of two data rows") << 4 << remove << 2 << true << QStringList{r0, r1, r3};
    QTest::newRow("remove last data row") << 4 << remove << 3 << true << QStringList{r0, r1, r2};
    QTest::newRow("remove only data row") << 3 << remove << 2 << false << QStringList{r0, r1, r2};
    QTest::newRow("remove past the end") << 4 << remove << 4 << false << QStringList{r0, r1, r2, r3};
    QTest::newRow("remove negative") << 4 << remove << -1 << false << QStringList{r0, r1, r2, r3};
    QTest::newRow("add one text per column") << 3 << "a\tb\tc" << 2 << true << QStringList{r0, r1, "a/b/c", r2};
    QTest::newRow("add fewer texts, at the end") << 3 << "a\tb" << 3 << true << QStringList{r0, r1, r2, "a/b/"};
    QTest::newRow("add more texts than columns") << 3 << "a\tb\tc\td" << 1 << true << QStringList{r0, "a/b/c", r1, r2};
    QTest::newRow("add empty cells") << 3 << "\t\t9" << 2 << true << QStringList{r0, r1, "//9", r2};
}

void TstFlexGrid::addingAndRemovingRows()
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
    QStringList texts;
    for (int r = 0; r < grid.rows(); ++r)
        texts << grid.rowTexts(r).join(u'/');
    QTEST(texts, "expectedRows");
}

void TstFlexGrid::clearKeepsTheLayout()
{
    Grid grid(4, 5, {960, 1500, 0});
    grid.clear();
    QCOMPARE(QPoint(grid.cols(), grid.rows()), QPoint(5, 4));
    QCOMPARE(grid.fixedRows(), 2);
    QCOMPARE(QPoint(grid.colWidth(1), grid.colWidth(2)), QPoint(1500, 0));
    for (int r = 0; r < 4; ++r)
        QCOMPARE(grid.rowTexts(r), QStringList(5, QString()));
}

QTEST_MAIN(TstFlexGrid)
#include "tst_flexgrid.moc"
