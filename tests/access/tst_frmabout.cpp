#include "access/FrmAbout.h"

#include <QLabel>
#include <QTest>

class TstFrmAbout : public QObject {
    Q_OBJECT

private slots:
    // The build number is the day, then the month.
    void versionLine()
    {
        QCOMPARE(FrmAbout(QDate(2024, 12, 5)).findChild<QLabel *>("VerDetails")->text(), "Version: 1.0.512");
        QCOMPARE(FrmAbout(QDate(2025, 1, 25)).findChild<QLabel *>("VerDetails")->text(), "Version: 1.0.251");
    }

    // A key, a click on the background or one on the named child.
    void closing_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter") << "Enter" << true;
        QTest::newRow("another key") << "A" << false;
        QTest::newRow("click on background") << "background" << true;
        QTest::newRow("click on picture") << "Image1" << false;
    }
    void closing()
    {
        QFETCH(QString, input);
        FrmAbout about(QDate(2024, 12, 5));
        about.show();
        if (input == "background") // the top left corner lies outside every child
            QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(2, 2));
        else if (auto *child = about.findChild<QWidget *>(input))
            QTest::mouseClick(child, Qt::LeftButton);
        else // nothing on it takes focus
            QTest::keyClick(&about, input == "Enter" ? Qt::Key_Return : Qt::Key_A);
        QTEST(!about.isVisible(), "closes");
    }
};

QTEST_MAIN(TstFrmAbout)
#include "tst_frmabout.moc"
