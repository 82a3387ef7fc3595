#include "controls/ReportList.h"

#include <QSignalSpy>
#include <QTest>

class TestReportList : public QObject {
    Q_OBJECT

private slots:
    // Items are numbered from 1; 0 and numbers past the end name nothing.
    void numbering()
    {
        controls::ReportList list;
        list.setColumns({"Display Name", "Parameter"}, {2000, 1500});
        list.setCheckBoxes(true);
        QCOMPARE(list.addItem("Table %", "TablePct"), 1);
        QCOMPARE(list.addItem("Crown Angle", "CrownAngle"), 2);
        QCOMPARE(list.addItem("Depth", "Depth"), 3);
        list.removeItem(2);
        list.removeItem(0);
        list.removeItem(9);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.text(2), QStringLiteral("Depth"));
        QCOMPARE(list.subItem(1), QStringLiteral("TablePct"));
        QCOMPARE(list.text(3), QString());
        list.setSubItem(2, "TotalDepth");
        QCOMPARE(list.subItem(2), QStringLiteral("TotalDepth"));
        QCOMPARE(list.selectedNumber(), 0);
        list.setSelectedNumber(2);
        QCOMPARE(list.selectedNumber(), 2);
        QVERIFY(!list.checked(1));
        list.setChecked(1, true);
        QVERIFY(list.checked(1));
        QVERIFY(!list.checked(2));
    }

    void doubleClickNamesTheItem()
    {
        controls::ReportList list;
        list.setColumns({"Name", "Code"}, {1500, 1500});
        list.addItem("Brilliant", "RNDCUTSYM");
        list.addItem("Oval", "OVLCUTSYM");
        list.resize(300, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy spy(&list, &controls::ReportList::itemDoubleClicked);
        const QRect second = list.visualItemRect(list.topLevelItem(1));
        // Item views see a double-click only after the press that starts it.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toInt(), 2);
    }
};

QTEST_MAIN(TestReportList)
#include "tst_reportlist.moc"
