#include "controls/ReportList.h"

#include <QSignalSpy>
#include <QTest>

class TestReportList : public QObject {
    Q_OBJECT

private slots:
    // Items are numbered from 1; 0 and numbers past the end name nothing.
    void numberedFromOne()
    {
        controls::ReportList list;
        list.setColumns({"Display Name", "Parameter"}, {2000, 1500});
        list.setCheckBoxes(true);
        for (const char *name : {"Table %", "Crown Angle", "Depth"})
            list.addItem(name, QString::fromLatin1(name).left(3));
        list.removeItem(2);
        list.removeItem(0);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.text(2) + "|" + list.subItem(1) + "|" + list.text(3), QStringLiteral("Depth|Tab|"));
        list.setChecked(2, true);
        QCOMPARE(QList<bool>({list.checked(1), list.checked(2)}), QList<bool>({false, true}));
        QCOMPARE(list.selectedNumber(), 0);
        list.resize(300, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy spy(&list, &controls::ReportList::itemDoubleClicked);
        const QPoint second = list.visualItemRect(list.topLevelItem(1)).center();
        // Item views see a double-click only after the press that starts it.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(list.selectedNumber(), 2);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toInt(), 2);
    }
};

QTEST_MAIN(TestReportList)
#include "tst_reportlist.moc"
