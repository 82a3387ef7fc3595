#include "SetupFixture.h"
#include "setup/FrmShapes.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

using setup::FrmShapes;

namespace {

// "Pear" and " Pear" (kept by a quoted field) side by side in the main window.
const QString kShapes = QStringLiteral("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\n");

} // namespace

class TstFrmShapes : public QObject {
    Q_OBJECT

private slots:
    // selected 0: added with Enter in the code box; otherwise that row is
    // double-clicked, retyped and applied (only its name changes).
    void addAndApply_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("listed"); // the rows after Brilliant
        QTest::addColumn<QString>("informed");
        const QStringList pear{"Pear|PERCUTSYM"};
        const QString exists = QStringLiteral("Already exist.");
        QTest::newRow("new shape, shared code") << 0 << "Kite" << "PERCUTSYM" << pear + QStringList{"Kite|PERCUTSYM"} << "";
        QTest::newRow("pear") << 0 << "pear" << "X" << pear << exists;
        QTest::newRow("blank-padded Pear") << 0 << "  Pear " << "X" << pear << exists;
        QTest::newRow("comma in the name") << 0 << "Kite, long" << "X" << pear << "The shape name cannot hold a comma.";
        QTest::newRow("tilde in the name") << 0 << "Ki~te" << "X" << pear << "The shape name cannot hold a \"~\".";
        QTest::newRow("code ends in a blank") << 0 << "Kite" << "KTECUTSYM " << pear
                                              << "The CutSym Table cannot begin or end with a blank.";
        QTest::newRow("rename keeps the code") << 2 << "Tear" << "NEWCUTSYM" << QStringList{"Tear|PERCUTSYM"} << "";
        QTest::newRow("rename, letter case only") << 2 << "PEAR" << "NEWCUTSYM" << pear << exists;
    }
    void addAndApply()
    {
        QFETCH(int, selected);
        QFETCH(QString, name);
        QFETCH(QString, code);
        SetupFixture f({}, {}, kShapes);
        FrmShapes window(f.module, &f.mainShapes);
        if (selected) {
            window.List->setSelectedNumber(selected);
            window.List_DblClick();
        }
        window.Txt[0]->setText(name);
        window.Txt[1]->setText(code);
        selected ? window.BtnApply_Click() : QTest::keyClick(window.Txt[1], Qt::Key_Enter);
        QTEST(SetupFixture::items(window.List).mid(1), "listed");
        QTEST(f.prompt.informed.join(u'\n'), "informed");
    }

    void saveReadsBackThroughTheLoader()
    {
        SetupFixture f({}, {}, kShapes);
        FrmShapes window(f.module, &f.mainShapes);
        window.Txt[0]->setText(QStringLiteral("Très Kite"));
        window.Txt[1]->setText(QStringLiteral("KTE~CUTSYM"));
        window.BtnPlus_Click();
        window.BtnSave_Click();
        QFile file(f.dir.file("Shapes.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QString("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\nTrès Kite~KTE~CUTSYM\r\n").toUtf8());
        QComboBox combo;
        definer::LoadShapeList(&combo, f.module);
        QCOMPARE(DefinerFixture::items(&combo), (QStringList{"Brilliant", "Pear", "Très Kite"}));
        QCOMPARE(f.module.ShapeCodes, (QStringList{"BRCUTSYM", "PERCUTSYM", "KTE~CUTSYM", ""}));
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
        const QString said = f.prompt.informed.join(u'\n');
        QVERIFY2(said.startsWith("Shapes.txt cannot be written: ") && !said.contains(u'\n'), qPrintable(said));
    }

    void anotherWorkstationSavedFirst_data() { testsupport::resolutionRows(); }

    void anotherWorkstationSavedFirst()
    {
        QFETCH(controls::Resolution, answer);
        SetupFixture f({}, {}, kShapes);
        store::Fingerprint seen; // the main window's, as its shape list read the file
        definer::LoadShapeList(&f.mainShapes, f.module, &seen);
        FrmShapes window(f.module, &f.mainShapes, nullptr, &seen);
        window.BtnSave_Click();
        window.BtnSave_Click(); // unchanged since read: no question
        const QByteArray theirs = "Brilliant~BRCUTSYM\r\nOval~OVL\r\n";
        QFile file(f.dir.file("Shapes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(theirs);
        file.close();
        window.Txt[0]->setText("Kite");
        window.Txt[1]->setText("KTE");
        window.BtnPlus_Click();
        f.prompt.resolutions = {answer};
        window.BtnSave_Click();
        QCOMPARE(f.prompt.confirmed, QStringList{"Shapes.txt was changed on another workstation since you opened it."});
        const bool overwritten = answer == controls::Resolution::Overwrite;
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stored = file.readAll();
        QCOMPARE(stored, overwritten ? QByteArray("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\nKite~KTE\r\n") : theirs);
        QCOMPARE(SetupFixture::items(window.List),
                 answer == controls::Resolution::Reload
                     ? (QStringList{"Brilliant|BRCUTSYM", "Oval|OVL"})
                     : (QStringList{"Brilliant|BRCUTSYM", "Pear|PERCUTSYM", "Kite|KTE"}));
        if (answer != controls::Resolution::Cancel)
            QCOMPARE(seen, store::Fingerprint::ofBytes(stored)); // the next save compares with this
    }
};

QTEST_MAIN(TstFrmShapes)
#include "tst_frmshapes.moc"
