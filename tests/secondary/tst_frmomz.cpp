#include "controls/CellEditor.h"
#include "controls/FlexGrid.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "secondary/FrmOMZ.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

const QString kOmz = QStringLiteral("OMZ2006.db");

// Three parameters (read back in ID order) and two classes; Girdle has no ranges.
const QString kRules = QStringLiteral(
    "INSERT INTO SYMPARA VALUES (2,'Crown Angle','CrownAngle'), (1,'Table %','TablePct'), (3,'Girdle','GirdlePct');\n"
    "INSERT INTO Class VALUES ('Good',1), ('Excellent',0);\n"
    "INSERT INTO SymData VALUES (1,'Table %','52','62',1,'Excellent','TablePct',0);\n"
    "INSERT INTO SymData VALUES (2,'table %','50','66',0,'Good','TablePct',1);\n"
    "INSERT INTO SymData VALUES (2,'Crown Angle','1.5','2',0,'Good','CrownAngle',0);\n");

// Steps: "r,c" places the editor on that cell as a click does, "'text"
// types, "-" empties the editor, "tick" ticks Include of the first
// parameter, "pick1" picks class 1, "Yes"/"No"/"Cancel" answer the next
// question, "reload"/"overwrite"/"cancel" the next one after another
// workstation saved, "theirs" ("theirclass") is that other workstation's
// save of a range (of the class list), "close"
// closes the window, a control's or menu item's name clicks it; anything
// else is a key.
void play(QWidget &window, definer::RuleSetPanel &panel, testsupport::ScriptedPrompt &prompt, const QString &steps,
          const testsupport::TestDataDir *dir = nullptr)
{
    const QStringList answers{"Yes", "No", "Cancel"}, resolutions{"reload", "overwrite", "cancel"};
    for (const QString &step : steps.split(' ')) {
        const QStringList at = step.split(',');
        if (step == "theirs")
            dir->exec("UPDATE SymData SET \"cMin\" = '49' WHERE serial = 1 AND cPara = 'Table %'", kOmz);
        else if (step == "theirclass")
            dir->exec("UPDATE Class SET Class = 'Fine' WHERE Serial = 1", kOmz);
        else if (resolutions.contains(step))
            prompt.resolutions << controls::Resolution(resolutions.indexOf(step));
        else if (step.startsWith('\''))
            QTest::keyClicks(panel.Txt, step.mid(1));
        else if (step == "-")
            QTest::keyClick(panel.Txt, Qt::Key_Backspace);
        else if (at.size() == 2)
            panel.msf->setRow(at[0].toInt()), panel.msf->setCol(at[1].toInt()), panel.editor()->tFlexFocus();
        else if (step == "tick")
            panel.PList->item(0)->setCheckState(Qt::Checked);
        else if (step.startsWith("pick"))
            panel.LCname->setCurrentRow(step.mid(4).toInt());
        else if (answers.contains(step))
            prompt.choices << controls::Choice(answers.indexOf(step));
        else if (step == "close")
            window.close();
        else if (auto *button = window.findChild<QAbstractButton *>(step))
            button->click();
        else if (auto *item = window.findChild<QAction *>(step))
            item->trigger();
        else
            QTest::keyClick(panel.Txt, QKeySequence(step)[0].key(), QKeySequence(step)[0].keyboardModifiers());
    }
}

} // namespace

class TstFrmOMZ : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void steps_data()
    {
        QTest::addColumn<QString>("sql"); // run on the store before the window opens
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("query"); // on the file afterwards
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("messages"); // then the text selected in the editor; "closed"
        const QString tableMin = QStringLiteral("SELECT \"cMin\" FROM SymData WHERE serial = 1 AND cPara = 'Table %'");
        const QString failing = QStringLiteral("fail %1"); // every insert into the table fails
        const QString ask = QStringLiteral("Save the changes to the OMZ symmetry rules?");
        QTest::newRow("emptied editor empties its cell") << "" << "2,1 - MnuSave" << tableMin << QStringList{""} << QStringList{};
        QTest::newRow("refused text is selected") << "" << "3,2 'abc Return" << tableMin << QStringList{"52"}
                                                  << QStringList{"Please correct the data...", "[abc]"};
        // The 9 is still in the editor when saving: saved too.
        QTest::newRow("save") << "" << "tick 3,3 '9 MnuSave" << "SELECT * FROM SymData"
                              << QStringList{"1|Table %|52|62|1|Excellent|TablePct|1", "2|Table %|50|66|1|Good|TablePct|1",
                                             "1|Crown Angle|||0|Excellent|CrownAngle|0", "2|Crown Angle|9|2|0|Good|CrownAngle|0",
                                             "1|Girdle|||0|Excellent|GirdlePct|0", "2|Girdle|||0|Good|GirdlePct|0"}
                              << QStringList{};
        QTest::newRow("save fails") << failing.arg("SymData") << "tick 3,3 '9 MnuSave" << "SELECT * FROM SymData"
                                    << QStringList{"1|Table %|52|62|1|Excellent|TablePct|0", "2|table %|50|66|0|Good|TablePct|1",
                                                   "2|Crown Angle|1.5|2|0|Good|CrownAngle|0"}
                                    << QStringList{"SymData is locked"};
        const QString counts = QStringLiteral("SELECT count(*) FROM Class UNION ALL SELECT count(*) FROM SymData");
        QTest::newRow("save, no parameters") << "DELETE FROM SYMPARA;\n" << "MnuSave" << counts << QStringList{"2", "0"}
                                             << QStringList{};
        // The reload after it shows no class column: the save then writes no range.
        QTest::newRow("apply, no classes") << "" << "pick0 BtnList1 pick0 BtnList1 BtnApply MnuSave" << counts
                                           << QStringList{"0", "0"} << QStringList{};
        QTest::newRow("apply, moved") << "" << "pick1 BtnList2 BtnApply" << "SELECT * FROM Class ORDER BY Serial"
                                      << QStringList{"Good|0", "Excellent|1"} << QStringList{};
        QTest::newRow("apply fails") << failing.arg("Class") << "pick1 BtnList2 BtnApply" << "SELECT * FROM Class ORDER BY Serial"
                                     << QStringList{"Excellent|0", "Good|1"} << QStringList{"Class is locked"};
        // Ctrl+Z takes back the box's own typing first, then the window's
        // steps; the editor stands on the cell undone, its text selected.
        QTest::newRow("undo, redo: emptied") << "" << "2,1 - Return Ctrl+Z Ctrl+Y MnuSave" << tableMin << QStringList{""} << QStringList{};
        QTest::newRow("undo: typing, then the cell") << "" << "2,1 '7 Return 2,1 '8 Ctrl+Z Ctrl+Z MnuSave" << tableMin
                                                    << QStringList{"52"} << QStringList{"[52]"};
        QTest::newRow("undone: closes unasked") << "" << "2,1 '7 Down Ctrl+Z close" << tableMin << QStringList{"52"}
                                               << QStringList{"[52]", "closed"};
        QTest::newRow("exit, yes") << "" << "2,1 '7 Yes MnuExit" << tableMin << QStringList{"7"} << QStringList{ask, "closed"};
        QTest::newRow("close box, cancel") << "" << "2,1 '7 Cancel close" << tableMin << QStringList{"52"} << QStringList{ask};
        QTest::newRow("apply, no") << "" << "2,1 '7 No BtnApply" << tableMin << QStringList{"52"} << QStringList{ask};
        // A reload ends the edit of a cell nothing was typed into: leaving it later writes nothing.
        QTest::newRow("apply, then another cell") << "" << "2,1 BtnApply 3,1 MnuSave" << tableMin << QStringList{"52"}
                                                  << QStringList{};
        // Another workstation saved since the window loaded; unchanged, it saves unasked.
        const QString changed = QStringLiteral("The OMZ symmetry rules were changed on another workstation since you opened them.");
        QTest::newRow("changed elsewhere, reload shows theirs")
            << "" << "MnuSave MnuSave theirs reload 2,1 '7 MnuSave MnuSave" << tableMin << QStringList{"49"} << QStringList{changed};
        // Grid and list go together: their list changed, so neither is stored.
        for (const char *last : {"close", "BtnApply"})
            QTest::addRow("yes, list changed elsewhere, %s", last)
                << "" << QStringLiteral("2,1 '7 pick1 BtnList2 theirclass Yes cancel %1").arg(last) << tableMin
                << QStringList{"52"} << QStringList{ask, changed};
        QTest::newRow("changed elsewhere, overwrite") << "" << "theirs overwrite 2,1 '7 MnuSave MnuSave" << tableMin
                                                      << QStringList{"7"} << QStringList{changed};
        QTest::newRow("changed elsewhere, cancel keeps mine on screen")
            << "" << "theirs cancel 2,1 '7 MnuSave" << tableMin << QStringList{"49"} << QStringList{changed};
        QTest::newRow("changed elsewhere, cancel, then overwrite") << "" << "theirs cancel overwrite 2,1 '7 MnuSave MnuSave"
                                                                   << tableMin << QStringList{"7"}
                                                                   << QStringList{changed, changed};
    }

    void steps()
    {
        QFETCH(QString, sql);
        QFETCH(QString, steps);
        QFETCH(QString, query);
        testsupport::ScriptedPrompt prompt;
        testsupport::TestDataDir dir;
        dir.exec(kRules, kOmz);
        if (sql.startsWith("fail "))
            dir.failInserts(sql.mid(5), "", sql.mid(5) + " is locked", kOmz);
        else if (!sql.isEmpty())
            dir.exec(sql, kOmz);
        store::ClassModule module{store::DataDir(dir.path())};
        secondary::FrmOMZ window{module};
        window.Form_Load();
        window.show();
        play(window, *window.panel, prompt, steps, &dir);
        QTEST(dir.rows(query, kOmz), "stored");
        QStringList messages = prompt.informed + prompt.confirmed;
        if (window.panel->Txt->hasSelectedText())
            messages << '[' + window.panel->Txt->selectedText() + ']';
        QTEST(window.isVisible() ? messages : messages << "closed", "messages");
    }

    // Opened from the main window: its own connection, or a message and no
    // window; the main window still reads and writes Class.db.
    void fromTheMainWindow_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("informed");
        QTest::newRow("opens") << QString() << QString();
        QTest::newRow("no file") << "remove" << "OMZ2006.db was not found in @DIR@. The OMZ Symmetry Definer cannot be opened.";
        QTest::newRow("no table") << "DROP TABLE Class;\n" << "OMZ2006.db holds no table Class. The OMZ Symmetry Definer cannot be opened.";
        QTest::newRow("a column short") << "ALTER TABLE SymData DROP COLUMN Show;\n" << "In OMZ2006.db the table SymData has 7 columns; 8 are needed. The OMZ Symmetry Definer cannot be opened.";
    }

    void fromTheMainWindow()
    {
        QFETCH(QString, damage);
        QFETCH(QString, informed);
        testsupport::TestDataDir dir;
        if (dir.onServer() && !damage.isEmpty())
            QSKIP("damage is found by the same check on both engines; tried on the files");
        dir.exec("INSERT INTO CutPara VALUES ('Brilliant',1,'TablePct','Table %');\nINSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
                 "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
        dir.exec(kRules + (damage == QLatin1String("remove") ? QString() : damage), kOmz);
        QVERIFY(damage != QLatin1String("remove") || QFile::remove(dir.file(kOmz)));
        testsupport::ScriptedPrompt prompt;
        testsupport::ScriptedModal modal;
        modal.onOpen = [&prompt](QDialog &dialog) {
            play(dialog, *static_cast<secondary::FrmOMZ &>(dialog).panel, prompt, "2,2 '63 MnuSave");
        };
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        window.show();
        window.MnuOMZsym->trigger();
        play(window, *window.definer->panel, prompt, "2,1 '55 MnuSave");
        QCOMPARE(modal.opened, informed.isEmpty() ? QStringList{"OMZ Symmetry Definer"} : QStringList());
        QCOMPARE(prompt.informed, informed.isEmpty() ? QStringList() : QStringList{QString(informed).replace("@DIR@", dir.path())});
        QCOMPARE(dir.rows("SELECT Lab, cPara, \"cMin\" FROM CutData"), QStringList{"AGL|Table %|55"});
        if (informed.isEmpty())
            QCOMPARE(dir.rows("SELECT \"cMax\" FROM SymData WHERE serial = 1 AND cPara = 'Table %'", kOmz), QStringList{"63"});
    }
};

QTEST_MAIN(TstFrmOMZ)
#include "tst_frmomz.moc"
