#include "controls/CellEditor.h"
#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "secondary/FrmOMZ.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

const QString kOmz = QStringLiteral("OMZ2006.db");

// Three parameters (read back in ID order) and two classes; Girdle has no ranges.
const QString kRules = QStringLiteral(
    "INSERT INTO SYMPARA VALUES (2,'Crown Angle','CrownAngle');\n"
    "INSERT INTO SYMPARA VALUES (1,'Table %','TablePct');\n"
    "INSERT INTO SYMPARA VALUES (3,'Girdle','GirdlePct');\n"
    "INSERT INTO Class VALUES ('Good',1);\n"
    "INSERT INTO Class VALUES ('Excellent',0);\n"
    "INSERT INTO SymData VALUES (1,'Table %','52','62',1,'Excellent','TablePct',0);\n"
    "INSERT INTO SymData VALUES (2,'table %','50','66',0,'Good','TablePct',1);\n"
    "INSERT INTO SymData VALUES (2,'Crown Angle','1.5','2',0,'Good','CrownAngle',0);\n");

// Places the editor on a cell, as a click does, and types there.
void edit(definer::RuleSetPanel &panel, int row, int col, const QString &text = {})
{
    panel.msf->setRow(row);
    panel.msf->setCol(col);
    panel.editor()->tFlexFocus();
    QTest::keyClicks(panel.Txt, text);
}

struct Fixture {
    explicit Fixture(const QString &sql = kRules)
    {
        dir.exec(sql, kOmz);
        window.Form_Load();
        window.show();
    }
    controls::FlexGrid &grid() { return *window.panel->msf; }
    // Data rows as "a,b,c/d,e,f", then where the current cell stands.
    QString cells()
    {
        QStringList rows;
        for (int r = 2; r < grid().rows(); ++r)
            rows << grid().rowTexts(r).mid(1, grid().cols() - 1).join(',');
        return rows.join('/') + QStringLiteral(" at %1,%2").arg(grid().row()).arg(grid().col());
    }

    testsupport::ScriptedPrompt prompt;
    testsupport::TestDataDir dir;
    store::ClassModule module{store::DataDir(dir.path())};
    secondary::FrmOMZ window{module};
};

} // namespace

class TstFrmOMZ : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Steps: "r,c" places the editor there, "=r,c" moves the grid there as a
    // click does, "'text" types, "-" empties the editor, anything else is a key.
    void editing_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("outcome"); // cells, current cell, [text selected in the editor], messages
        QTest::newRow("emptied editor empties its cell") << "2,1 - =3,1" << ",62,50,66/,,1.5,2/,,, at 3,1 []";
        QTest::newRow("Esc: the next cell change writes nothing") << "2,2 '7 Esc =3,3" << "52,62,50,66/,,1.5,2/,,, at 3,3 []";
        QTest::newRow("Down from the last row") << "4,3 '2 Down" << "52,62,50,66/,,1.5,2/,,2, at 2,3 [50]";
        QTest::newRow("Shift+Enter from column 1 of row 2") << "2,1 Shift+Return" << "52,62,50,66/,,1.5,2/,,, at 4,4 []";
        QTest::newRow("refused text is selected") << "3,2 'abc Return"
                                                  << "52,62,50,66/,,1.5,2/,,, at 3,2 [abc] Please correct the data...";
    }

    void editing()
    {
        QFETCH(QString, steps);
        Fixture f;
        QLineEdit *txt = f.window.panel->Txt;
        for (const QString &step : steps.split(' ')) {
            const QStringList at = step.mid(step.startsWith('=')).split(',');
            if (step.startsWith('\''))
                QTest::keyClicks(txt, step.mid(1));
            else if (step == QLatin1String("-"))
                QTest::keyClick(txt, Qt::Key_Backspace);
            else if (step.startsWith('='))
                f.grid().setRow(at[0].toInt()), f.grid().setCol(at[1].toInt());
            else if (at.size() == 2)
                edit(*f.window.panel, at[0].toInt(), at[1].toInt());
            else
                QTest::keyClick(txt, QKeySequence(step)[0].key(), QKeySequence(step)[0].keyboardModifiers());
        }
        QStringList outcome{f.cells(), QStringLiteral("[%1]").arg(txt->selectedText())};
        QTEST((outcome + f.prompt.informed).join(' '), "outcome");
    }

    void saving_data()
    {
        QTest::addColumn<QString>("sql");    // run on the file before the window opens
        QTest::addColumn<QString>("action"); // "save", "apply" or "move up and apply"
        QTest::addColumn<QStringList>("ranges");
        QTest::addColumn<QStringList>("classes");
        QTest::addColumn<QStringList>("informed");
        const QStringList seededRanges{"1|Table %|52|62|1|Excellent|TablePct|0", "2|table %|50|66|0|Good|TablePct|1",
                                       "2|Crown Angle|1.5|2|0|Good|CrownAngle|0"};
        const QStringList seededClasses{"Excellent|0", "Good|1"};
        const QString failing = QStringLiteral("CREATE TRIGGER no%1 BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT,'%1 is locked'); END;\n");
        QTest::newRow("save") << QString() << "save"
                              << QStringList{"1|Table %|52|62|1|Excellent|TablePct|1", "2|Table %|50|66|1|Good|TablePct|1",
                                             "1|Crown Angle|||0|Excellent|CrownAngle|0", "2|Crown Angle|9|2|0|Good|CrownAngle|0",
                                             "1|Girdle|||0|Excellent|GirdlePct|0", "2|Girdle|||0|Good|GirdlePct|0"}
                              << seededClasses << QStringList{};
        QTest::newRow("save, no parameter rows") << "DELETE FROM SYMPARA;\n" << "save" << QStringList{} << seededClasses << QStringList{};
        QTest::newRow("save fails") << failing.arg("SymData") << "save" << seededRanges << seededClasses
                                    << QStringList{"SymData is locked"};
        QTest::newRow("apply, empty list") << QString() << "apply" << seededRanges << QStringList{} << QStringList{};
        QTest::newRow("apply, moved") << QString() << "move up and apply" << seededRanges
                                      << QStringList{"Good|0", "Excellent|1"} << QStringList{};
        QTest::newRow("apply fails") << failing.arg("Class") << "move up and apply" << seededRanges << seededClasses
                                     << QStringList{"Class is locked"};
    }

    void saving()
    {
        QFETCH(QString, sql);
        QFETCH(QString, action);
        Fixture f(kRules + sql);
        definer::RuleSetPanel &panel = *f.window.panel;
        if (action == QLatin1String("save")) {
            if (f.grid().rows() > 2) {
                panel.PList->item(0)->setCheckState(Qt::Checked);
                edit(panel, 3, 3, "9"); // still in the editor: saved too
            }
            f.window.MnuSave->trigger();
        } else {
            if (action == QLatin1String("apply"))
                panel.LCname->selectAll();
            else
                panel.LCname->setCurrentRow(1);
            panel.BtnList[action == QLatin1String("apply") ? 1 : 2]->click();
            panel.BtnApply->click();
        }
        QTEST(f.dir.rows("SELECT * FROM SymData", kOmz), "ranges");
        QTEST(f.dir.rows("SELECT * FROM Class ORDER BY Serial", kOmz), "classes");
        QTEST(f.prompt.informed, "informed");
        QVERIFY(f.prompt.confirmed.isEmpty());
        QCOMPARE(f.grid().cols(), 1 + 2 * int(f.window.panel->classNames().size())); // reloaded after Apply
    }

    void unsavedChanges_data()
    {
        QTest::addColumn<QString>("action"); // "exit", "close" or "apply"
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored"); // Table % / Excellent: cMin; and the window still open
        QTest::newRow("exit, yes") << "exit" << int(controls::Choice::Yes) << "7 closed";
        QTest::newRow("close box, cancel") << "close" << int(controls::Choice::Cancel) << "52 open";
        QTest::newRow("apply, no") << "apply" << int(controls::Choice::No) << "52 open";
    }

    void unsavedChanges()
    {
        QFETCH(QString, action);
        QFETCH(int, answer);
        Fixture f;
        f.prompt.choices = {controls::Choice(answer)};
        edit(*f.window.panel, 2, 1, "7");
        if (action == QLatin1String("exit"))
            f.window.MnuExit->trigger();
        else if (action == QLatin1String("close"))
            f.window.close();
        else
            f.window.panel->BtnApply->click();
        QCOMPARE(f.prompt.confirmed, QStringList{"Save the changes to the OMZ symmetry rules?"});
        const QString stored = f.dir.rows("SELECT cMin FROM SymData WHERE serial = 1 AND cPara = 'Table %'", kOmz).join(',');
        QTEST(stored + (f.window.isVisible() ? " open" : " closed"), "stored");
    }

    // Opened from the main window: its own connection, or a message and no window.
    void fromTheMainWindow_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("informed");
        QTest::newRow("opens") << QString() << QString();
        QTest::newRow("no file") << "remove" << "OMZ2006.db was not found in @DIR@. The OMZ Symmetry Definer cannot be opened.";
        QTest::newRow("no table") << "DROP TABLE SymData;\n" << "OMZ2006.db holds no table SymData. The OMZ Symmetry Definer cannot be opened.";
    }

    void fromTheMainWindow()
    {
        QFETCH(QString, damage);
        QFETCH(QString, informed);
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutPara VALUES ('Brilliant',1,'TablePct','Table %');\n"
                 "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
                 "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
        dir.exec(kRules, kOmz);
        if (damage == QLatin1String("remove"))
            QVERIFY(QFile::remove(dir.file(kOmz)));
        else if (!damage.isEmpty())
            dir.exec(damage, kOmz);
        testsupport::ScriptedPrompt prompt;
        testsupport::ScriptedModal modal;
        modal.onOpen = [](QDialog &dialog) {
            auto &omz = static_cast<secondary::FrmOMZ &>(dialog);
            edit(*omz.panel, 2, 2, "63");
            omz.MnuSave_Click();
        };
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        window.show();
        window.MnuOMZsym->trigger();
        QCOMPARE(modal.opened, informed.isEmpty() ? QStringList{"OMZ Symmetry Definer"} : QStringList());
        QCOMPARE(prompt.informed, informed.isEmpty() ? QStringList() : QStringList{QString(informed).replace("@DIR@", dir.path())});

        // The main window still reads and writes Class.db.
        edit(*window.definer->panel, 2, 1, "55");
        window.MnuSave->trigger();
        QCOMPARE(dir.rows("SELECT Lab, cPara, cMin FROM CutData"), QStringList{"AGL|Table %|55"});
        if (informed.isEmpty())
            QCOMPARE(dir.rows("SELECT cMax FROM SymData WHERE serial = 1 AND cPara = 'Table %'", kOmz), QStringList{"63"});
    }
};

QTEST_MAIN(TstFrmOMZ)
#include "tst_frmomz.moc"
