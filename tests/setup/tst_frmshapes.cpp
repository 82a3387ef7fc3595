#include "SetupFixture.h"
#include "setup/FrmShapes.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

using setup::FrmShapes;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// "Pear" and " Pear" (kept by a quoted field) side by side in the main window.
const QString kShapes = QStringLiteral("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\n");
const QString kBlankPear = QStringLiteral("Brilliant~BRCUTSYM\r\n\" Pear~PERCUTSYM\"\r\n");

} // namespace

class TstFrmShapes : public QObject {
    Q_OBJECT

private slots:
    // selected 0: added with Enter in the code box; otherwise that row is
    // double-clicked, retyped and applied (only its name changes).
    void addAndApply_data()
    {
        QTest::addColumn<QString>("shapes");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("listed"); // the rows after Brilliant
        QTest::addColumn<QStringList>("informed");
        const QStringList pear{"Pear|PERCUTSYM"};
        const QStringList none, exists{"Already exist."};
        QTest::newRow("new shape, shared code") << kShapes << 0 << "Kite" << "PERCUTSYM"
                                                << pear + QStringList{"Kite|PERCUTSYM"} << none;
        QTest::newRow("pear") << kShapes << 0 << "pear" << "X" << pear << exists;
        QTest::newRow("blank-padded Pear") << kShapes << 0 << "  Pear " << "X" << pear << exists;
        QTest::newRow("Pear beside a row \" Pear\"")
            << kBlankPear << 0 << "Pear" << "PR2CUTSYM" << QStringList{" Pear|PERCUTSYM", "Pear|PR2CUTSYM"} << none;
        QTest::newRow("blank name") << kShapes << 0 << "   " << "X" << pear << none;
        QTest::newRow("comma in the name") << kShapes << 0 << "Kite, long" << "X" << pear
                                           << QStringList{"The shape name cannot hold a comma."};
        QTest::newRow("tilde in the name") << kShapes << 0 << "Ki~te" << "X" << pear
                                           << QStringList{"The shape name cannot hold a \"~\"."};
        QTest::newRow("blank after the code") << kShapes << 0 << "Kite" << "KTECUTSYM " << pear
                                              << QStringList{"The CutSym Table cannot begin or end with a blank."};
        QTest::newRow("rename keeps the code") << kShapes << 2 << "Tear" << "NEWCUTSYM" << QStringList{"Tear|PERCUTSYM"}
                                               << none;
        QTest::newRow("rename, letter case only") << kShapes << 2 << "PEAR" << "NEWCUTSYM" << pear << exists;
    }
    void addAndApply()
    {
        QFETCH(QString, shapes);
        QFETCH(int, selected);
        QFETCH(QString, name);
        QFETCH(QString, code);
        SetupFixture f({}, {}, shapes);
        FrmShapes window(f.module, &f.mainShapes);
        if (selected) {
            window.List->setSelectedNumber(selected);
            window.List_DblClick();
            QCOMPARE(window.Txt[1]->text(), QStringLiteral("PERCUTSYM"));
        }
        window.Txt[0]->setText(name);
        window.Txt[1]->setText(code);
        if (selected)
            window.BtnApply_Click();
        else
            QTest::keyClick(window.Txt[1], Qt::Key_Enter);
        QTEST(SetupFixture::items(window.List).mid(1), "listed");
        QTEST(f.prompt.informed, "informed");
    }

    void saveReadsBackThroughTheLoader()
    {
        SetupFixture f({}, {}, kShapes);
        FrmShapes window(f.module, &f.mainShapes);
        window.Txt[0]->setText(QStringLiteral("Très Kite"));
        window.Txt[1]->setText(QStringLiteral("KTE~CUTSYM"));
        window.BtnPlus_Click();
        window.BtnSave_Click();
        QCOMPARE(fileBytes(f.dir.file("Shapes.txt")),
                 QString("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\nTrès Kite~KTE~CUTSYM\r\n").toUtf8());
        QComboBox combo;
        definer::LoadShapeList(&combo, f.module);
        QCOMPARE(SetupFixture::items(&combo), (QStringList{"Brilliant", "Pear", "Très Kite"}));
        QCOMPARE(f.module.ShapeCodes, (QStringList{"BRCUTSYM", "PERCUTSYM", "KTE~CUTSYM", ""}));
        QCOMPARE(QDir(f.dir.path()).entryList({"Shapes*"}, QDir::Files | QDir::Hidden), QStringList{"Shapes.txt"});

        for (int i = 0; i < 3; ++i) {
            window.List->setSelectedNumber(1);
            window.BtnMinus_Click();
        }
        window.BtnSave_Click();
        QCOMPARE(fileBytes(f.dir.file("Shapes.txt")), QByteArray());
        QCOMPARE(f.prompt.informed, QStringList{});
    }

    void failedSaveIsReported()
    {
        SetupFixture f({}, {}, kShapes);
        FrmShapes window(f.module, &f.mainShapes);
        // A folder in the file's place: nothing can be renamed over it.
        QVERIFY(QFile::remove(f.dir.file("Shapes.txt")));
        QVERIFY(QDir(f.dir.path()).mkdir("Shapes.txt"));
        window.BtnSave_Click();
        QCOMPARE(f.prompt.informed.size(), 1);
        QVERIFY2(f.prompt.informed.first().startsWith("Shapes.txt cannot be written: "),
                 qPrintable(f.prompt.informed.first()));
        QCOMPARE(SetupFixture::items(window.List).size(), 2);
    }
};

QTEST_MAIN(TstFrmShapes)
#include "tst_frmshapes.moc"
