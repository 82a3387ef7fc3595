#include "SetupFixture.h"
#include "setup/FrmMultiData.h"
#include "setup/FrmPara.h"
#include "store/ReportTables.h"

#include <QLineEdit>
#include <QPushButton>

using setup::FrmPara;
using Step = std::function<void(FrmPara &)>;
Q_DECLARE_METATYPE(Step)

namespace {

// Brilliant has three cut parameters (stored out of ID order, one under
// the shape name in capitals) and one symmetry parameter; Oval one of each.
const QString kParameters = QStringLiteral(
    "INSERT INTO CutPara VALUES ('Brilliant',2,'CrownAngle','Crown'), "
    "('Brilliant',1,'TablePct','Table %'), ('BRILLIANT',3,'Depth','Depth'), "
    "('Oval',1,'LWRatio','Ratio');\n"
    "INSERT INTO SymPara VALUES ('Brilliant',1,'OutOfRound','Round'), ('Oval',1,'Sym1','Oval sym');\n");

// Report tables around the prefix BR: only BR1, BR2 and BRX belong to
// BRCUTSYM (br3 differs in case only).
const QString kReports = QStringLiteral(
    "CREATE TABLE BRX (Rid INTEGER, X1 REAL);\n"
    "CREATE TABLE BR1 (RID INTEGER, A1 REAL, Dup REAL);\n"
    "CREATE TABLE BR (RID INTEGER, NotMine1 REAL);\n"
    "CREATE TABLE BR10 (RID INTEGER, NotMine2 REAL);\n"
    "CREATE TABLE BRCUTSYM (RID INTEGER, NotMine3 REAL);\n"
    "CREATE TABLE br3 (RID INTEGER, NotMine4 REAL);\n"
    "CREATE TABLE BR2 (rid INTEGER, Dup REAL, \"It's\" REAL);\n"
    "CREATE TABLE OVL1 (RID INTEGER, LWRatio REAL);\n");

const QString kStored = QStringLiteral("SELECT Shape, ID, Parameters, Display_Name FROM CutPara ORDER BY Shape, ID");

void select(FrmPara &window, int number)
{
    window.List->setSelectedNumber(number);
}

void rename(FrmPara &window, int number, const QString &name)
{
    select(window, number);
    window.List_DblClick();
    window.Txt[0]->setText(name);
    window.BtnPlus_Click();
}

void choose(QComboBox *combo, const QString &text)
{
    combo->setCurrentIndex(combo->findText(text));
}

} // namespace

class TstFrmPara : public QObject {
    Q_OBJECT

private slots:
    void editAndSave_data()
    {
        QTest::addColumn<Step>("edit");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("asked");
        const QString oval = QStringLiteral("Oval|1|LWRatio|Ratio");
        QTest::newRow("rename, field name box ignored")
            << Step([](FrmPara &w) {
                   select(w, 2);
                   w.List_DblClick();
                   QCOMPARE(w.Txt[1]->text(), QStringLiteral("CrownAngle"));
                   w.Txt[0]->setText(QStringLiteral(" Crown Angle "));
                   w.Txt[1]->setText(QStringLiteral("Other"));
                   w.BtnPlus_Click();
               })
            << QStringList{"Brilliant|1|TablePct|Table %", "Brilliant|2|CrownAngle| Crown Angle ",
                           "Brilliant|3|Depth|Depth", oval}
            << QStringList{};
        QTest::newRow("remove the second: IDs close up")
            << Step([](FrmPara &w) { select(w, 2); w.BtnMinus_Click(); })
            << QStringList{"Brilliant|1|TablePct|Table %", "Brilliant|2|Depth|Depth", oval}
            << QStringList{"You want to remove the item?"};
        QTest::newRow("Enter in the field name box renames")
            << Step([](FrmPara &w) {
                   select(w, 3);
                   w.List_DblClick();
                   w.Txt[0]->setText(QStringLiteral("Total depth"));
                   QTest::keyClick(w.Txt[1], Qt::Key_Return);
               })
            << QStringList{"Brilliant|1|TablePct|Table %", "Brilliant|2|CrownAngle|Crown",
                           "Brilliant|3|Depth|Total depth", oval}
            << QStringList{};
        QTest::newRow("saved under the shape chosen since, without Show")
            << Step([](FrmPara &w) { choose(w.cShape, QStringLiteral("Oval")); })
            << QStringList{"Brilliant|1|TablePct|Table %", "Brilliant|2|CrownAngle|Crown", "BRILLIANT|3|Depth|Depth",
                           "Oval|1|TablePct|Table %", "Oval|2|CrownAngle|Crown", "Oval|3|Depth|Depth"}
            << QStringList{};
    }
    void editAndSave()
    {
        QFETCH(Step, edit);
        SetupFixture f(kParameters);
        FrmPara window(f.module, &f.mainShapes);
        edit(window);
        window.BtnSave_Click();
        QTEST(f.rows(kStored), "stored");
        QTEST(f.prompt.confirmed, "asked");
        QCOMPARE(f.prompt.informed, QStringList{});
        QCOMPARE(f.rows("SELECT Shape, ID, Parameters, Display_Name FROM SymPara ORDER BY Shape"),
                 (QStringList{"Brilliant|1|OutOfRound|Round", "Oval|1|Sym1|Oval sym"}));
    }

    // A failing store changes no row and keeps the unsaved rename on screen.
    void transfer_data()
    {
        QTest::addColumn<QString>("target"); // empty: none chosen
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<bool>("saving");    // Save data instead of Transfer data
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("informed");
        const QStringList brilliant{"Brilliant|1|TablePct|Table %", "Brilliant|2|CrownAngle|Crown",
                                    "BRILLIANT|3|Depth|Depth"};
        const QStringList unchanged = brilliant + QStringList{"Oval|1|LWRatio|Ratio"};
        QTest::newRow("to Oval, with an unsaved rename")
            << "Oval" << false << false
            << brilliant + QStringList{"Oval|1|TablePct|Table angle", "Oval|2|CrownAngle|Crown", "Oval|3|Depth|Depth"}
            << QStringList{"Parameters were transferred from Brilliant to Oval"};
        QTest::newRow("to the shape itself") << "Brilliant" << false << false << unchanged << QStringList{};
        QTest::newRow("no target chosen") << "" << false << false << unchanged
                                          << QStringList{"Choose the shape to transfer the parameters to."};
        QTest::newRow("disk full, Transfer data") << "Oval" << true << false << unchanged << QStringList{"disk is full"};
        QTest::newRow("disk full, Save data") << "Oval" << true << true << unchanged << QStringList{"disk is full"};
    }
    void transfer()
    {
        QFETCH(QString, target);
        QFETCH(bool, diskFull);
        QFETCH(bool, saving);
        SetupFixture f(kParameters);
        FrmPara window(f.module, &f.mainShapes);
        QCOMPARE(window.pmShapes->currentIndex(), -1);
        QCOMPARE(SetupFixture::items(window.List), (QStringList{"Table %|TablePct", "Crown|CrownAngle", "Depth|Depth"}));
        if (diskFull)
            f.dir.exec("CREATE TRIGGER full BEFORE INSERT ON CutPara WHEN NEW.ID = 2 "
                       "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        rename(window, 1, QStringLiteral("Table angle"));
        if (!target.isEmpty())
            choose(window.pmShapes, target);
        saving ? window.BtnSave_Click() : window.BtnTrans_Click();
        QTEST(f.rows(kStored), "stored");
        QTEST(f.prompt.informed, "informed");
        QCOMPARE(SetupFixture::items(window.List).first(), QStringLiteral("Table angle|TablePct"));
        QCOMPARE(f.rows("SELECT Shape, Display_Name FROM SymPara ORDER BY Shape"),
                 (QStringList{"Brilliant|Round", "Oval|Oval sym"}));
    }

    void fieldsOfTheShape_data()
    {
        QTest::addColumn<QString>("shapes");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("prefix BR: BR1, BR2, BRX; RID exact")
            << "Brilliant~BRCUTSYM\r\n" << QStringList{"A1", "Dup", "rid", "Dup", "It's", "Rid", "X1"};
        QTest::newRow("second shape's code") << "Brilliant~BRCUTSYM\r\nOval~OVLCUTSYM\r\n" << QStringList{"LWRatio"};
        QTest::newRow("code shorter than six") << "Brilliant~BR1UT\r\n" << QStringList{};
    }
    void fieldsOfTheShape()
    {
        QFETCH(QString, shapes);
        SetupFixture f({}, kReports, shapes);
        FrmPara window(f.module, &f.mainShapes);
        window.cShape->setCurrentIndex(window.cShape->count() - 1);
        window.BtnView_Click();
        QTEST(SetupFixture::items(window.List2), "fields");
        QCOMPARE(window.List2->tag(), QString::number(window.cShape->count() - 1));
    }

    void repeatedShowKeepsTicksAndReadsNothing()
    {
        SetupFixture f({}, kReports);
        store::SqlReportTables reports(f.module.reportDb());
        store::CountingReportTables counting(reports);
        FrmPara window(f.module, &f.mainShapes, nullptr, &counting);
        QCOMPARE(counting.reads(), 4); // the catalogue, then BR1, BR2, BRX
        window.List2->setChecked(2, true);
        choose(window.pCut, QStringLiteral("Sym"));
        window.BtnView_Click();
        QCOMPARE(counting.reads(), 4);
        QCOMPARE(SetupFixture::ticks(window.List2), (QList<bool>{false, true, false, false, false, false, false}));

        choose(window.cShape, QStringLiteral("Oval"));
        window.BtnView_Click();
        choose(window.cShape, QStringLiteral("Brilliant"));
        window.BtnView_Click();
        QCOMPARE(SetupFixture::ticks(window.List2), QList<bool>(7, false));
    }

    void applyAppendsTickedFieldsNotYetPresent()
    {
        SetupFixture f("INSERT INTO CutPara VALUES ('Brilliant',1,'A1','Renamed A1');\n", kReports);
        FrmPara window(f.module, &f.mainShapes);
        // A1, Dup, rid, Dup, It's, Rid, X1
        for (int row : {1, 2, 4, 7})
            window.List2->setChecked(row, true);
        window.BtnApply_Click();
        QCOMPARE(SetupFixture::items(window.List), (QStringList{"Renamed A1|A1", "Dup|Dup", "X1|X1"}));
        QCOMPARE(SetupFixture::ticks(window.List2), (QList<bool>{true, false, false, true, false, false, false}));
        QCOMPARE(f.rows(kStored), QStringList{"Brilliant|1|A1|Renamed A1"});
    }

    // The pairing window used to rebuild ShapeCodes from a reordered file,
    // and the field browser then offered the other shape's fields.
    void codesStayWithTheMainWindowsShapes()
    {
        SetupFixture f({}, kReports);
        QFile file(f.dir.file("Shapes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("Oval~OVLCUTSYM\r\nBrilliant~BRCUTSYM\r\n");
        file.close();
        { setup::FrmMultiData pairing(f.module); }
        FrmPara window(f.module, &f.mainShapes);
        QCOMPARE(window.cShape->currentText(), QStringLiteral("Brilliant"));
        QCOMPARE(SetupFixture::items(window.List2).last(), QStringLiteral("X1"));
    }

};

QTEST_MAIN(TstFrmPara)
#include "tst_frmpara.moc"
