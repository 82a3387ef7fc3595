#include "SetupFixture.h"
#include "setup/FrmShapes.h"

#include <QDir>
#include <QLineEdit>

#include <csignal>
#include <sys/resource.h>

using setup::FrmShapes;

namespace {

// "Pear", and " Oval" kept by a quoted field, in the main window.
const QString kShapes = QStringLiteral("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\n\" Oval~OVLCUTSYM\"\r\n");
const QStringList kKept{"Pear|PERCUTSYM", " Oval|OVLCUTSYM"}; // the rows after Brilliant

} // namespace

class TstFrmShapes : public QObject {
    Q_OBJECT

private slots:
    // selected 0: added with Enter in the code box; otherwise that row is
    // double-clicked, retyped and applied (only its name changes). Then the
    // close box: a changed list is not saved, on No after an Add, on Cancel
    // after an Apply (the window stays open).
    void addAndApply_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("listed"); // the rows after Brilliant
        QTest::addColumn<QString>("informed");
        const QStringList kept = kKept;
        const QString exists = QStringLiteral("Already exist."), control = QStringLiteral("cannot hold a line break or another control character.");
        QTest::newRow("new shape, shared code") << 0 << "Kite" << "PERCUTSYM" << kept + QStringList{"Kite|PERCUTSYM"} << "";
        QTest::newRow("Oval beside \" Oval\"") << 0 << "Oval" << "OVL" << kept + QStringList{"Oval|OVL"} << "";
        QTest::newRow("pear") << 0 << "pear" << "X" << kept << exists;
        QTest::newRow("blank-padded Pear") << 0 << "  Pear " << "X" << kept << exists;
        QTest::newRow("blanks only, silently") << 0 << "   " << "X" << kept << "";
        QTest::newRow("no code, silently") << 0 << "Kite" << "" << kept << "";
        QTest::newRow("comma in the name") << 0 << "Kite, long" << "X" << kept << "The shape name cannot hold a comma.";
        QTest::newRow("quote in the name") << 0 << "Kite \"A\"" << "X" << kept << "The shape name cannot hold a double quote.";
        QTest::newRow("line break in the name") << 0 << "Kite\nlong" << "X" << kept << "The shape name " + control;
        QTest::newRow("tilde in the name") << 0 << "Ki~te" << "X" << kept << "The shape name cannot hold a \"~\".";
        QTest::newRow("name begins with a blank") << 0 << " Kite" << "X" << kept << "The shape name cannot begin or end with a blank.";
        QTest::newRow("code ends in a blank") << 0 << "Kite" << "KTECUTSYM " << kept
                                              << "The CutSym Table cannot begin or end with a blank.";
        QTest::newRow("tab in the code") << 0 << "Kite" << "KTE\tCUTSYM" << kept << "The CutSym Table " + control;
        QTest::newRow("rename keeps the code") << 2 << "Tear" << "NEWCUTSYM" << QStringList{"Tear|PERCUTSYM", kept[1]} << "";
        QTest::newRow("rename, letter case only") << 2 << "PEAR" << "NEWCUTSYM" << kept << exists;
    }
    void addAndApply()
    {
        QFETCH(int, selected);
        QFETCH(QString, name);
        QFETCH(QString, code);
        SetupFixture f({}, {}, kShapes);
        FrmShapes window(f.module, &f.mainShapes);
        if (selected) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const QPoint row = window.List->visualItemRect(window.List->topLevelItem(selected - 1)).center();
            QTest::mouseClick(window.List->viewport(), Qt::LeftButton, {}, row);
            QTest::mouseDClick(window.List->viewport(), Qt::LeftButton, {}, row);
            QCOMPARE(window.Txt[0]->text() + u'|' + window.Txt[1]->text(), SetupFixture::items(window.List)[selected - 1]);
        }
        window.Txt[0]->setText(name);
        window.Txt[1]->setText(code);
        selected ? window.BtnApply_Click() : QTest::keyClick(window.Txt[1], Qt::Key_Enter);
        QTEST(SetupFixture::items(window.List).mid(1), "listed");
        QTEST(f.prompt.informed.join(u'\n'), "informed");
        QFETCH(QStringList, listed);
        f.prompt.choices = {selected ? controls::Choice::Cancel : controls::Choice::No};
        window.show();
        window.close();
        QCOMPARE(f.prompt.confirmed, listed == kKept ? QStringList{} : QStringList{"Save the changes to the shapes?"});
        QCOMPARE(window.isVisible(), listed != kKept && selected);
        QCOMPARE(f.shapesFile(), kShapes.toUtf8());
    }

    // Shapes left as they were keep their bytes (Windows-1252 among UTF-8,
    // quotes around a comma); a renamed one is written in UTF-8; the byte
    // order mark goes.
    void saveKeepsUnchangedShapesAsTheyWere()
    {
        SetupFixture f;
        f.writeShapesFile("\xEF\xBB\xBF""Caf\xc3\xa9~CAF\r\nP\xe9""ar~PERCUTSYM\r\n\"Cush, Mod~CSH\"\r\nCr\xe8me~CRM\r\n");
        definer::LoadShapeList(&f.mainShapes, f.module);
        FrmShapes window(f.module, &f.mainShapes);
        QCOMPARE(SetupFixture::items(window.List),
                 (QStringList{"Café|CAF", "Péar|PERCUTSYM", "Cush, Mod|CSH", "Crème|CRM"}));
        window.List->setSelectedNumber(4);
        window.Txt[0]->setText(QStringLiteral("Crème brûlée"));
        window.Txt[1]->setText(QStringLiteral("X"));
        window.BtnApply_Click();
        window.BtnSave_Click();
        QCOMPARE(f.shapesFile(), QByteArray("Caf\xc3\xa9~CAF\r\nP\xe9""ar~PERCUTSYM\r\n\"Cush, Mod~CSH\"\r\n"
                                            "Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9""e~CRM\r\n"));
        QComboBox combo;
        definer::LoadShapeList(&combo, f.module);
        QCOMPARE(DefinerFixture::items(&combo), (QStringList{"Café", "Péar", "Cush, Mod", "Crème brûlée"}));
        QCOMPARE(f.module.ShapeCodes, (QStringList{"CAF", "PERCUTSYM", "CSH", "CRM", ""}));
        QCOMPARE(f.prompt.informed, QStringList{});
    }

    // The disk takes only part of the new file: the old one stays whole and
    // no temporary file is left behind.
    void failedSaveKeepsTheFile()
    {
        SetupFixture f({}, {}, kShapes);
        FrmShapes window(f.module, &f.mainShapes);
        const QStringList files = QDir(f.dir.path()).entryList(QDir::Files);
        rlimit unlimited{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
        const rlimit limited{8, unlimited.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
        window.BtnSave_Click();
        QVERIFY(setrlimit(RLIMIT_FSIZE, &unlimited) == 0);
        QCOMPARE(f.prompt.informed, QStringList{"Shapes.txt cannot be written: File too large"});
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), files);
        QCOMPARE(f.shapesFile(), kShapes.toUtf8());
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
        f.writeShapesFile(theirs);
        window.Txt[0]->setText("Kite");
        window.Txt[1]->setText("KTE");
        window.BtnPlus_Click();
        f.prompt.resolutions = {answer};
        window.BtnSave_Click();
        QCOMPARE(f.prompt.confirmed, QStringList{"Shapes.txt was changed on another workstation since you opened it."});
        const QByteArray stored = f.shapesFile();
        QCOMPARE(stored, answer == controls::Resolution::Overwrite
                             ? QByteArray("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\n\" Oval~OVLCUTSYM\"\r\nKite~KTE\r\n")
                             : theirs);
        QCOMPARE(SetupFixture::items(window.List),
                 answer == controls::Resolution::Reload
                     ? (QStringList{"Brilliant|BRCUTSYM", "Oval|OVL"})
                     : (QStringList{"Brilliant|BRCUTSYM", "Pear|PERCUTSYM", " Oval|OVLCUTSYM", "Kite|KTE"}));
        // Reopened, the window shows the main window's list again: its save asks.
        FrmShapes reopened(f.module, &f.mainShapes, nullptr, &seen);
        reopened.BtnSave_Click();
        QCOMPARE(f.prompt.confirmed.size(), 2);
        QCOMPARE(f.shapesFile(), stored);
    }
};

QTEST_MAIN(TstFrmShapes)
#include "tst_frmshapes.moc"
