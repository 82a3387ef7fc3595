#include "access/FrmAbout.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QTest>

class TstFrmAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::isolateSettings(); }

    void versionLine_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("line");
        QTest::newRow("5 December") << QDate(2024, 12, 5) << "Version: 1.0.512";
        QTest::newRow("25 January") << QDate(2025, 1, 25) << "Version: 1.0.251";
    }
    void versionLine()
    {
        QFETCH(QDate, today);
        FrmAbout about(today);
        QTEST(about.findChild<QLabel *>(QStringLiteral("VerDetails"))->text(), "line");
    }

    void closing_data()
    {
        QTest::addColumn<QString>("target"); // empty: the background
        QTest::addColumn<int>("key");        // 0: a click instead
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter") << "" << int(Qt::Key_Return) << true;
        QTest::newRow("Esc") << "" << int(Qt::Key_Escape) << true;
        QTest::newRow("another key") << "" << int(Qt::Key_A) << false;
        QTest::newRow("click on background") << "" << 0 << true;
        QTest::newRow("click on picture") << "Image1" << 0 << false;
    }
    void closing()
    {
        QFETCH(QString, target);
        QFETCH(int, key);
        FrmAbout about(QDate(2024, 12, 5));
        about.show();
        QWidget *widget = target.isEmpty() ? &about : about.findChild<QWidget *>(target);
        QVERIFY(widget);
        if (key != 0)
            QTest::keyClick(&about, Qt::Key(key)); // nothing on it takes focus
        else // the top left corner lies outside every child
            QTest::mouseClick(widget, Qt::LeftButton, {}, target.isEmpty() ? QPoint(2, 2) : widget->rect().center());
        QTEST(!about.isVisible(), "closes");
    }
};

QTEST_MAIN(TstFrmAbout)
#include "tst_frmabout.moc"
