#include "DefinerFixture.h"

#include "controls/FlexGrid.h"

#include "rules/RuleFile.h"
#include "store/Database.h"
#include "store/Sql.h"

#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>

class TestClassGrid : public QObject {
    Q_OBJECT

    // Both stores of the window: the grid's Save and the class list's Apply.
    static void saveAndApplyRows()
    {
        QTest::addColumn<bool>("apply");
        QTest::newRow("save") << false;
        QTest::newRow("apply") << true;
    }

private slots:
    ENGINE_ROWS

    void labOfThreeClassesAndFourParameters()
    {
        DefinerFixture f(kThreeClassesFourParameters);
        // Labs in name order; the first is loaded.
        QCOMPARE(DefinerFixture::items(f.definer.LabList), (QStringList{"AGL", "Nordic"}));
        QCOMPARE(f.definer.lab(), QStringLiteral("AGL"));
        QCOMPARE(f.grid().rows(), 6);
        QCOMPARE(f.grid().cols(), 7);
        QCOMPARE(f.row(0) + f.row(1) + f.row(2) + f.row(3) + f.row(4) + f.row(5),
                 (QStringList{"Class Names", "Excellent", "Excellent", "Very Good", "Very Good", "Good", "Good",
                              "", "Min", "Max", "Min", "Max", "Min", "Max",
                              "Table %", "52", "62", "50", "66", "47", "69",
                              "Crown Angle", "31.5", "36.5", "", "", "22", "40",
                              "Pavilion Angle", "", "", "", "", "", "",
                              "Total Depth %", "", "", "56", "64.5", "", ""}));
        QCOMPARE(DefinerFixture::items(f.definer.panel->LCname), (QStringList{"Excellent", "Very Good", "Good"}));
        QCOMPARE(DefinerFixture::items(f.definer.panel->PList),
                 (QStringList{"Table %", "Crown Angle", "Pavilion Angle", "Total Depth %"}));
        // Include is on for Crown Angle though only its third class carries it.
        QCOMPARE(DefinerFixture::ticks(f.definer.panel->PList), (QList<bool>{false, true, false, true}));
        QCOMPARE(DefinerFixture::ticks(f.definer.panel->sList), (QList<bool>{true, false, false, false}));
        QVERIFY(f.prompt.informed.isEmpty());
        // The type switch keeps the shape and reads the Sym tables.
        f.chooseType("Sym");
        QCOMPARE(f.definer.shape(), QStringLiteral("Brilliant"));
        QCOMPARE(f.row(0) + f.row(2), (QStringList{"Class Names", "Excellent", "Excellent", "Out of Round %", "0", "0.9"}));
        QCOMPARE(DefinerFixture::ticks(f.definer.panel->PList), QList<bool>{true});
    }

    void emptyCases_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("shapes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("labs");
        QTest::addColumn<QStringList>("row0");
        const QString two = QStringLiteral("Brilliant~RNDCUTSYM\r\nOval~OVLCUTSYM\r\n");
        QTest::newRow("parameters but no lab")
            << "INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table %');\n"
               "INSERT INTO SymLab VALUES ('Brilliant','AGL','');\n"
            << two << 3 << QStringList{} << QStringList{""};
        QTest::newRow("labs but no parameters")
            << "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
               "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n"
            << two << 2 << QStringList{} << QStringList{""};
        QTest::newRow("lab without classes")
            << "INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table %');\n"
               "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
            << two << 3 << QStringList{"AGL"} << QStringList{"Class Names"};
        // No shape at all: nothing of the stored lab may show.
        QTest::newRow("empty Shapes.txt") << kThreeClassesFourParameters << "" << 2 << QStringList{} << QStringList{""};
    }

    void emptyCases()
    {
        QFETCH(QString, sql);
        QFETCH(QString, shapes);
        QFETCH(int, rows);
        DefinerFixture f(sql, shapes);
        QCOMPARE(f.grid().rows(), rows);
        QCOMPARE(f.grid().cols(), 1);
        QTEST(f.row(0), "row0");
        QTEST(DefinerFixture::items(f.definer.LabList), "labs");
        QCOMPARE(f.definer.panel->LCname->count(), 0);
        QCOMPARE(DefinerFixture::ticks(f.definer.panel->PList), QList<bool>(rows - 2, false));
        QCOMPARE(f.definer.cShape->count(), shapes.count(u'~'));
        QCOMPARE(f.module.ShapeCodes.size(), f.definer.cShape->count() + 1);
    }

    // Every cell of the lab is written, the value still in the editor too;
    // other labs and shapes stay as they were.
    void saveWritesEveryCellOfTheLab()
    {
        DefinerFixture f(kThreeClassesFourParameters
                         + "INSERT INTO CutData VALUES ('Oval','AGL',1,'Table %','5','6',1,'X','T',1);\n");
        f.chooseLab("AGL");
        // Edit through the cell editor: row 4 (Pavilion Angle), Excellent min.
        f.grid().setRow(4);
        f.grid().setCol(1);
        f.definer.panel->editor()->tFlexFocus();
        QTest::keyClicks(f.definer.panel->Txt, "40.6");
        QTest::keyClick(f.definer.panel->Txt, Qt::Key_Return);
        f.definer.panel->PList->item(2)->setCheckState(Qt::Checked);
        f.grid().setRow(2);
        f.grid().setCol(2);
        f.definer.panel->editor()->tFlexFocus();
        QTest::keyClicks(f.definer.panel->Txt, "61.5");
        f.definer.BtnSave->click();
        QVERIFY(f.prompt.informed.isEmpty());
        QVERIFY(f.definer.panel->Txt->isVisible());
        const QStringList written = f.dir.rows(
            "SELECT * FROM CutData WHERE Shape = 'Brilliant' AND Lab = 'AGL' AND cPara IN ('Pavilion Angle', 'Table %') AND serial < 3 ORDER BY rowid");
        QCOMPARE(written, (QStringList{"Brilliant|AGL|1|Table %|52|61.5|0|Excellent|TablePct|1",
                                        "Brilliant|AGL|2|Table %|50|66|0|Very Good|TablePct|1",
                                        "Brilliant|AGL|1|Pavilion Angle|40.6||1|Excellent|PavAngle|0",
                                        "Brilliant|AGL|2|Pavilion Angle|||1|Very Good|PavAngle|0"}));
        QCOMPARE(f.dir.rows("SELECT count(*) FROM CutData WHERE Lab = 'AGL' AND Shape = 'Brilliant'"),
                 QStringList{"12"});
        QCOMPARE(f.dir.rows("SELECT Lab, Shape, \"cMin\" FROM CutData WHERE Lab <> 'AGL' OR Shape <> 'Brilliant' ORDER BY rowid"),
                 (QStringList{"Nordic|Brilliant|53", "AGL|Oval|5"}));
    }

    void applyFollowsClassNumbersNotNames()
    {
        DefinerFixture f(kThreeClassesFourParameters);
        QListWidget *list = f.definer.panel->LCname;
        list->setCurrentRow(1); // Very Good
        f.definer.panel->BtnList[2]->click();
        f.definer.BtnApply_Click();
        QCOMPARE(f.dir.rows("SELECT Serial, Class FROM Cut WHERE Lab = 'AGL' ORDER BY Serial"),
                 (QStringList{"0|Very Good", "1|Excellent", "2|Good"}));
        // Class number 1 still holds the ranges stored for it.
        QCOMPARE(f.row(0).mid(0, 3), (QStringList{"Class Names", "Very Good", "Very Good"}));
        QCOMPARE(f.row(2).mid(0, 3), (QStringList{"Table %", "52", "62"}));
        f.definer.MnuSave_Click();
        QCOMPARE(f.dir.rows("SELECT serial, \"cMin\", Class FROM CutData WHERE Lab = 'AGL' AND cPara = 'Table %' ORDER BY serial"),
                 (QStringList{"1|52|Very Good", "2|50|Excellent", "3|47|Good"}));
    }

    void failedSaveChangesNothing_data() { saveAndApplyRows(); }

    void failedSaveChangesNothing()
    {
        QFETCH(bool, apply);
        DefinerFixture f(kThreeClassesFourParameters);
        for (const char *table : {"CutData", "Cut"})
            f.dir.failInserts(table, "", "database disk image is malformed");
        const QStringList before = f.dir.rows("SELECT * FROM Cut") + f.dir.rows("SELECT * FROM CutData");
        f.grid().setTextMatrix(2, 1, "99");
        f.definer.panel->TxtCName->setText("Fair");
        f.definer.panel->BtnList[0]->click();
        apply ? f.definer.BtnApply_Click() : f.definer.MnuSave_Click();
        QCOMPARE(f.prompt.informed, QStringList{"database disk image is malformed"});
        QCOMPARE(f.dir.rows("SELECT * FROM Cut") + f.dir.rows("SELECT * FROM CutData"), before);
        // What the user had on screen stays there to try again.
        QCOMPARE(f.grid().textMatrix(2, 1), QStringLiteral("99"));
        QCOMPARE(DefinerFixture::items(f.definer.panel->LCname).last(), QStringLiteral("Fair"));

        // Once the fault is gone, the same window loads and saves again.
        f.dir.allowInserts("CutData");
        f.dir.allowInserts("Cut");
        f.prompt.informed.clear();
        f.chooseLab("AGL");
        f.grid().setTextMatrix(2, 1, "98");
        f.definer.panel->LCname->item(0)->setText("Ideal");
        f.definer.MnuSave_Click();
        f.definer.BtnApply_Click();
        QVERIFY(f.prompt.informed.isEmpty());
        QCOMPARE(f.dir.rows("SELECT \"cMin\" FROM CutData WHERE Lab = 'AGL' AND cPara = 'Table %' AND serial = 1"),
                 QStringList{"98"});
        QCOMPARE(f.dir.rows("SELECT Class FROM Cut WHERE Lab = 'AGL' AND Serial = 0"), QStringList{"Ideal"});
        QCOMPARE(f.row(0).value(1), QStringLiteral("Ideal"));
    }

    void unsavedChanges_data()
    {
        QTest::addColumn<QString>("edit");   // "cell", "tick", "class" or "none"
        QTest::addColumn<QString>("action"); // what would drop the edit
        QTest::addColumn<int>("answer");     // controls::Choice
        QTest::addColumn<QString>("stored"); // AGL, Table %, class 1: min|include; then AGL's classes
        QTest::addColumn<QString>("shown");  // type|shape|lab on screen afterwards
        const int yes = int(controls::Choice::Yes), no = int(controls::Choice::No),
                  cancel = int(controls::Choice::Cancel);
        const char *kept = "52|0 Excellent,Very Good,Good";
        QTest::newRow("lab, yes") << "cell" << "lab" << yes << "99|0 Excellent,Very Good,Good" << "Cut|Brilliant|Nordic";
        QTest::newRow("lab, no") << "cell" << "lab" << no << kept << "Cut|Brilliant|Nordic";
        QTest::newRow("lab, cancel") << "cell" << "lab" << cancel << kept << "Cut|Brilliant|AGL";
        QTest::newRow("shape, yes") << "tick" << "shape" << yes << "52|1 Excellent,Very Good,Good" << "Cut|Oval|";
        QTest::newRow("shape, cancel") << "tick" << "shape" << cancel << kept << "Cut|Brilliant|AGL";
        QTest::newRow("type, yes") << "class" << "type" << yes << "52|0 Excellent,Very Good,Good,Fair" << "Sym|Brilliant|AGL";
        QTest::newRow("type, cancel") << "class" << "type" << cancel << kept << "Cut|Brilliant|AGL";
        QTest::newRow("apply, yes") << "cell" << "apply" << yes << "99|0 Excellent,Very Good,Good" << "Cut|Brilliant|AGL";
        QTest::newRow("apply, no") << "cell" << "apply" << no << kept << "Cut|Brilliant|AGL";
        QTest::newRow("apply, cancel") << "cell" << "apply" << cancel << kept << "Cut|Brilliant|AGL";
        QTest::newRow("update shapes, yes") << "cell" << "update" << yes << "99|0 Excellent,Very Good,Good" << "Cut|Brilliant|AGL";
        QTest::newRow("update shapes, cancel") << "cell" << "update" << cancel << kept << "Cut|Brilliant|AGL";
        QTest::newRow("changed back") << "cell back" << "lab" << cancel << kept << "Cut|Brilliant|Nordic";
        QTest::newRow("nothing changed") << "none" << "lab" << cancel << kept << "Cut|Brilliant|Nordic";
    }

    void unsavedChanges()
    {
        QFETCH(QString, edit);
        QFETCH(QString, action);
        QFETCH(int, answer);
        DefinerFixture f(kThreeClassesFourParameters);
        definer::RuleSetPanel &panel = *f.definer.panel;
        if (edit.startsWith(QLatin1String("cell"))) {
            f.grid().setRow(2);
            f.grid().setCol(1);
            panel.editor()->tFlexFocus();
            QTest::keyClicks(panel.Txt, "99");
            QTest::keyClick(panel.Txt, Qt::Key_Return);
            QVERIFY(f.grid().cellMarked(2, 1));
            QVERIFY(!f.grid().cellMarked(2, 2));
            if (edit == QLatin1String("cell back")) {
                QTest::keyClick(panel.Txt, Qt::Key_Return, Qt::ShiftModifier);
                QTest::keyClicks(panel.Txt, "52");
                QTest::keyClick(panel.Txt, Qt::Key_Return);
                QVERIFY(!f.grid().cellMarked(2, 1));
            }
        } else if (edit == QLatin1String("tick")) {
            panel.PList->item(0)->setCheckState(Qt::Checked);
        } else if (edit == QLatin1String("class")) {
            panel.TxtCName->setText("Fair");
            panel.BtnList[0]->click();
        }
        const bool changed = edit == QLatin1String("cell") || edit == QLatin1String("tick") || edit == QLatin1String("class");
        f.prompt.choices = {controls::Choice(answer)};
        f.prompt.answers = {false}; // Update Shapes' own question, when nothing changed
        auto choose = [](QComboBox *combo, const QString &text) {
            combo->setCurrentIndex(combo->findText(text));
            emit combo->activated(combo->currentIndex());
        };
        if (action == QLatin1String("lab"))
            choose(f.definer.LabList, "Nordic");
        else if (action == QLatin1String("shape"))
            choose(f.definer.cShape, "Oval");
        else if (action == QLatin1String("type"))
            choose(f.definer.pCut, "Sym");
        else if (action == QLatin1String("apply"))
            panel.BtnApply->click();
        else
            f.definer.MnuUpdateShapes_Click();

        QCOMPARE(f.prompt.confirmed.value(0), changed ? QStringLiteral("Save the changes to AGL (Brilliant, Cut)?")
                 : action == QLatin1String("update") ? f.prompt.confirmed.value(0) : QString());
        QVERIFY(f.prompt.informed.isEmpty());
        const QString stored =
            f.dir.rows("SELECT \"cMin\", include FROM CutData WHERE Lab = 'AGL' AND Shape = 'Brilliant' AND cPara = 'Table %' AND serial = 1").join("")
            + " " + f.dir.rows("SELECT Class FROM Cut WHERE Lab = 'AGL' AND Shape = 'Brilliant' ORDER BY Serial").join(",");
        QTEST(stored, "stored");
        QTEST(QStringList({f.definer.type(), f.definer.shape(), f.definer.lab()}).join("|"), "shown");
        // Cancel keeps the edit on screen, still marked; a save clears the mark.
        const bool cancelled = changed && answer == int(controls::Choice::Cancel);
        QCOMPARE(panel.gridChanged() || panel.classesChanged(), cancelled);
        if (cancelled && edit == QLatin1String("cell"))
            QVERIFY(f.grid().cellMarked(2, 1) && f.grid().textMatrix(2, 1) == QLatin1String("99"));
    }

    void noLabRefusesToSave_data() { saveAndApplyRows(); }

    void noLabRefusesToSave()
    {
        QFETCH(bool, apply);
        DefinerFixture f("INSERT INTO CutPara VALUES ('Brilliant',1,'T','Table %');\n");
        f.definer.panel->TxtCName->setText("Excellent");
        f.definer.panel->BtnList[0]->click();
        apply ? f.definer.BtnApply_Click() : f.definer.MnuSave_Click();
        QCOMPARE(f.prompt.informed,
                 QStringList{"No institute is selected. Choose one under INSTITUTE first; nothing was saved."});
        QCOMPARE(f.dir.rows("SELECT count(*) FROM Cut") + f.dir.rows("SELECT count(*) FROM CutData"),
                 (QStringList{"0", "0"}));
    }

    void databaseErrorInAHandlerIsReported()
    {
        DefinerFixture f(kThreeClassesFourParameters);
        f.dir.exec("DROP TABLE CutData;\n");
        f.chooseLab("Nordic");
        QCOMPARE(f.prompt.informed.join(""), f.dir.onServer() ? "relation \"cutdata\" does not exist" : "no such table: CutData");
        QVERIFY(f.definer.isVisible());
    }

    // Another workstation saves the lab between this window's load and its
    // save: through a second connection, or as a second program importing a
    // rules file. The user is asked; each answer keeps what it promises.
    void anotherWorkstationSavedFirst_data()
    {
        QTest::addColumn<bool>("apply");
        QTest::addColumn<bool>("process");
        QTest::addColumn<controls::Resolution>("answer");
        for (const bool apply : {false, true})
            for (const bool process : {false, true})
                for (const auto answer : {controls::Resolution::Reload, controls::Resolution::Overwrite, controls::Resolution::Cancel})
                    QTest::addRow("%s, %s, %d", apply ? "apply" : "save", process ? "program" : "connection", int(answer))
                        << apply << process << answer;
    }

    void anotherWorkstationSavedFirst()
    {
        QFETCH(bool, apply);
        QFETCH(bool, process);
        QFETCH(controls::Resolution, answer);
        DefinerFixture f(kThreeClassesFourParameters);
        auto typeIn = [&](const QString &text) {
            f.grid().setRow(2);
            f.grid().setCol(1);
            f.definer.panel->editor()->tFlexFocus();
            QTest::keyClicks(f.definer.panel->Txt, text);
            f.definer.MnuSave_Click();
        };
        auto addClass = [&](const QString &name) {
            f.definer.panel->TxtCName->setText(name);
            f.definer.panel->BtnList[0]->click();
            f.definer.BtnApply_Click();
        };
        const QString min = "SELECT \"cMin\" FROM CutData WHERE Lab = 'AGL' AND serial = 1 AND cPara = 'Table %'";
        const QString lab = "SELECT * FROM Cut WHERE Lab = 'AGL' ORDER BY Serial";
        typeIn("51"); // unchanged since loaded: saved unasked, twice in a row
        typeIn("50");
        addClass("Fine");
        QVERIFY(f.prompt.confirmed.isEmpty());
        QCOMPARE(f.dir.rows(min), QStringList{"50"});

        const QString theirs = "UPDATE CutData SET \"cMin\" = '49' WHERE Lab = 'AGL' AND serial = 1 AND cPara = 'Table %';\n"
                               "INSERT INTO Cut VALUES ('Brilliant','AGL',4,'Other');\n";
        if (process) { // the other workstation's lab, exported there and imported here by the program
            // Their change, exported and taken back: the program brings it in.
            QTemporaryDir exported;
            QFile file(exported.filePath("agl.csv"));
            {
                const QSqlDatabase db = store::openStore("elsewhere", store::DataDir(f.dir.path()), store::StoreKind::Class);
                store::Transaction change(db);
                for (const QString &statement : theirs.split(";\n", Qt::SkipEmptyParts))
                    store::run(db, statement);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(rules::exportRules(db, {rules::Selection::Lab, "Cut", "Brilliant", "AGL"}));
                file.close();
            }
            store::closeDatabase("elsewhere");
            QCOMPARE(testsupport::runProgram({"--data-dir", f.dir.path(), "--import", file.fileName(), "--yes"}).first, 0);
        } else {
            f.dir.exec(theirs);
        }
        const QStringList theirRows = f.dir.rows(lab) + f.dir.rows(min);
        QCOMPARE(theirRows.last(), QStringLiteral("49"));

        f.prompt.resolutions = {answer};
        apply ? addClass("Mine") : typeIn("48");
        QCOMPARE(f.prompt.confirmed, QStringList{"AGL (Brilliant, Cut) was changed on another workstation since you opened it."});
        QVERIFY(f.prompt.informed.isEmpty());
        const bool cancelled = answer == controls::Resolution::Cancel;
        const QStringList mine = QStringList{"Excellent", "Very Good", "Good", "Fine"} + (apply ? QStringList{"Mine"} : QStringList{});
        const QStringList shown = answer == controls::Resolution::Reload
            ? QStringList{"Excellent", "Very Good", "Good", "Fine", "Other"} : mine;
        QCOMPARE(DefinerFixture::items(f.definer.panel->LCname), shown);
        if (answer == controls::Resolution::Overwrite)
            QCOMPARE(apply ? f.dir.rows(lab).replaceInStrings(QRegularExpression(".*\\|"), "") : f.dir.rows(min),
                     apply ? mine : QStringList{"48"});
        else
            QCOMPARE(f.dir.rows(lab) + f.dir.rows(min), theirRows);
        // Apply reloads the lab after storing the list: the grid shows their value then too.
        QCOMPARE(f.grid().textMatrix(2, 1), QString(answer == controls::Resolution::Reload || (apply && !cancelled) ? "49"
                                                    : apply                                               ? "50"
                                                                                                          : "48"));
        QCOMPARE(f.definer.panel->gridChanged() || f.definer.panel->classesChanged(), cancelled);
    }
};

QTEST_MAIN(TestClassGrid)
#include "tst_classgrid.moc"
