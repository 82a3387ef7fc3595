#include "SetupFixture.h"
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
    "INSERT INTO CutPara VALUES ('Brilliant',2,'CrownAngle','Crown'), ('Brilliant',1,'TablePct','Table %'), "
    "('BRILLIANT',3,'Depth','Depth'), ('Oval',1,'LWRatio','Ratio');\n"
    "INSERT INTO SymPara VALUES ('Brilliant',1,'OutOfRound','Round'), ('Oval',1,'Sym1','Oval sym');\n");

// Report tables around the prefix BR: only BR1, BR2 and BRX belong to
// BRCUTSYM (br3 differs in case only).
const QString kReports = QStringLiteral(
    "CREATE TABLE \"BRX\" (\"Rid\" INTEGER, \"X1\" REAL);\nCREATE TABLE \"BR1\" (\"RID\" INTEGER, \"A1\" REAL, \"Dup\" REAL);\n"
    "CREATE TABLE \"BR\" (\"RID\" INTEGER, \"NotMine1\" REAL);\nCREATE TABLE \"BR10\" (\"RID\" INTEGER, \"NotMine2\" REAL);\n"
    "CREATE TABLE \"BRCUTSYM\" (\"RID\" INTEGER, \"NotMine3\" REAL);\nCREATE TABLE \"br3\" (\"RID\" INTEGER, \"NotMine4\" REAL);\n"
    "CREATE TABLE \"BR2\" (\"rid\" INTEGER, \"Dup\" REAL, \"It's\" REAL);\nCREATE TABLE \"OVL1\" (\"RID\" INTEGER, \"LWRatio\" REAL);\n");

const QString kStored = QStringLiteral("SELECT Shape, ID, Parameters, Display_Name FROM %1Para ORDER BY Shape, ID");

void choose(QComboBox *combo, const QString &text)
{
    combo->setCurrentIndex(combo->findText(text));
}

// Renames the first parameter without saving, chooses the target and
// transfers (or saves); the rename stays on screen whatever happened.
Step transferTo(const QString &target, bool saving = false)
{
    return [=](FrmPara &w) {
        w.List->setSelectedNumber(1);
        w.List_DblClick();
        w.Txt[0]->setText(QStringLiteral("Table angle"));
        w.BtnPlus_Click();
        choose(w.pmShapes, target);
        saving ? w.BtnSave_Click() : w.BtnTrans_Click();
        QCOMPARE(SetupFixture::items(w.List).first(), QStringLiteral("Table angle|TablePct"));
    };
}

// Esc, the answer to a question being Yes.
void escape(FrmPara &w)
{
    w.show();
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
}

} // namespace

class TstFrmPara : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    // Each edit ends in Save data or Transfer data; a failing store (a
    // trigger on ID 2) changes no row.
    void edits_data()
    {
        QTest::addColumn<Step>("edit");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("said"); // asked, then informed; "disk is full" also fails the store
        const QStringList brilliant{"Brilliant|1|TablePct|Table %", "Brilliant|2|CrownAngle|Crown",
                                    "BRILLIANT|3|Depth|Depth"};
        const QStringList sym{"Sym:", "Brilliant|1|OutOfRound|Round", "Oval|1|Sym1|Oval sym"};
        const QStringList unchanged = brilliant + QStringList{"Oval|1|LWRatio|Ratio"} + sym;
        QTest::newRow("remove the second: IDs close up")
            << Step([](FrmPara &w) { w.List->setSelectedNumber(2); w.BtnMinus_Click(); w.BtnSave_Click(); })
            << QStringList{brilliant[0], "Brilliant|2|Depth|Depth", unchanged[3]} + sym << "You want to remove the item?";
        QTest::newRow("Enter in the field name box renames, its text ignored")
            << Step([](FrmPara &w) {
                   w.List->setSelectedNumber(3);
                   w.List_DblClick();
                   w.Txt[0]->setText(QStringLiteral(" Total depth "));
                   w.Txt[1]->setText(QStringLiteral("Other"));
                   QTest::keyClick(w.Txt[1], Qt::Key_Return);
                   w.BtnSave_Click();
                   escape(w); // saved: no question
               })
            << QStringList{brilliant[0], brilliant[1], "Brilliant|3|Depth| Total depth ", unchanged[3]} + sym << "";
        // Ctrl+Z in a text box takes back its own typing first, then the list's last change.
        QTest::newRow("renamed, removed; Ctrl+Z twice in the name box: the typing, then the removal")
            << Step([](FrmPara &w) {
                   w.List->setSelectedNumber(1);
                   w.List_DblClick();
                   QTest::keyClicks(w.Txt[0], "Angle");
                   QTest::keyClick(w.Txt[0], Qt::Key_Return);
                   w.List->setSelectedNumber(2);
                   w.BtnMinus_Click();
                   QTest::keyClicks(w.Txt[0], "x");
                   QTest::keyClick(w.Txt[0], Qt::Key_Z, Qt::ControlModifier);
                   QTest::keyClick(w.Txt[0], Qt::Key_Z, Qt::ControlModifier);
                   w.BtnSave_Click();
               })
            << QStringList{"Brilliant|1|TablePct|Table %Angle", brilliant[1], "Brilliant|3|Depth|Depth", unchanged[3]} + sym
            << "You want to remove the item?";
        QTest::newRow("saved under the shape chosen since, without Show")
            << Step([](FrmPara &w) { choose(w.cShape, QStringLiteral("Oval")); w.BtnSave_Click(); })
            << brilliant + QStringList{"Oval|1|TablePct|Table %", "Oval|2|CrownAngle|Crown", "Oval|3|Depth|Depth"} + sym << "";
        QTest::newRow("saved as the type chosen since, without Show")
            << Step([](FrmPara &w) { choose(w.pCut, QStringLiteral("Sym")); w.BtnSave_Click(); })
            << unchanged.mid(0, 5) + QStringList{"Brilliant|1|TablePct|Table %", "Brilliant|2|CrownAngle|Crown",
                                                  "Brilliant|3|Depth|Depth", sym[2]} << "";
        QTest::newRow("to Oval, with an unsaved rename")
            << transferTo("Oval")
            << brilliant + QStringList{"Oval|1|TablePct|Table angle", "Oval|2|CrownAngle|Crown", "Oval|3|Depth|Depth"} + sym
            << "Parameters were transferred from Brilliant to Oval";
        QTest::newRow("closed unsaved, another shape chosen: Yes stores the one shown")
            << Step([](FrmPara &w) { transferTo("")(w); choose(w.cShape, QStringLiteral("Oval")); escape(w); })
            << QStringList{"Brilliant|1|TablePct|Table angle", brilliant[1], "Brilliant|3|Depth|Depth"} + unchanged.mid(3)
            << "Save the changes to the parameters of Brilliant (Cut)?\nChoose the shape to transfer the parameters to.";
        QTest::newRow("to the shape itself") << transferTo("Brilliant") << unchanged << "";
        QTest::newRow("no target chosen") << transferTo("") << unchanged << "Choose the shape to transfer the parameters to.";
        QTest::newRow("disk full, Transfer data") << transferTo("Oval") << unchanged << "disk is full";
        QTest::newRow("disk full, Save data") << transferTo("Oval", true) << unchanged << "disk is full";
    }
    void edits()
    {
        QFETCH(Step, edit);
        QFETCH(QString, said);
        SetupFixture f(kParameters);
        if (said == "disk is full")
            f.dir.failInserts("CutPara", "NEW.ID = 2", "disk is full");
        FrmPara window(f.module, &f.mainShapes);
        edit(window);
        QTEST(f.rows(kStored.arg("Cut")) + QStringList{"Sym:"} + f.rows(kStored.arg("Sym")), "stored");
        QCOMPARE((f.prompt.confirmed + f.prompt.informed).join(u'\n'), said);
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
    }

    void repeatedShowKeepsTicksAndReadsNothing()
    {
        SetupFixture f({}, kReports);
        store::SqlReportTables reports(f.module.reportDb());
        store::CountingReportTables counting(reports);
        FrmPara window(f.module, &f.mainShapes, nullptr, &counting);
        window.List2->setChecked(2, true);
        choose(window.pCut, QStringLiteral("Sym"));
        window.BtnView_Click();
        QCOMPARE(counting.reads(), 4); // the catalogue, then BR1, BR2, BRX, all when the window opened
        QCOMPARE(SetupFixture::items(window.List2), (QStringList{"A1", "+Dup", "rid", "Dup", "It's", "Rid", "X1"}));
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
        QCOMPARE(SetupFixture::items(window.List2), (QStringList{"+A1", "Dup", "rid", "+Dup", "It's", "Rid", "X1"}));
        QCOMPARE(f.rows(kStored.arg("Cut")), QStringList{"Brilliant|1|A1|Renamed A1"});
    }

    // Saving the shape shown, and transferring to another: both replace
    // stored parameters the window read when it showed them.
    void anotherWorkstationSavedFirst_data()
    {
        QTest::addColumn<bool>("transfer");
        QTest::addColumn<controls::Resolution>("answer");
        for (const auto answer : {controls::Resolution::Reload, controls::Resolution::Overwrite, controls::Resolution::Cancel}) {
            QTest::addRow("save %d", int(answer)) << false << answer;
            QTest::addRow("transfer %d", int(answer)) << true << answer;
        }
    }

    void anotherWorkstationSavedFirst()
    {
        QFETCH(bool, transfer);
        QFETCH(controls::Resolution, answer);
        SetupFixture f(kParameters, kReports);
        FrmPara window(f.module, &f.mainShapes);
        window.BtnSave_Click(); // unchanged since shown: no question
        const QString target = transfer ? "Oval" : "Brilliant";
        f.dir.exec("UPDATE CutPara SET Display_Name = 'theirs' WHERE Shape = '" + target + "' AND ID = 1");
        f.prompt.resolutions = {answer};
        window.List->setSelectedNumber(1);
        window.List_DblClick();
        window.Txt[0]->setText("Table angle");
        window.BtnPlus_Click();
        choose(window.pmShapes, "Oval");
        transfer ? window.BtnTrans_Click() : window.BtnSave_Click();
        QCOMPARE(f.prompt.confirmed, QStringList{"The parameters of " + target
                                                 + " (Cut) were changed on another workstation since you opened them."});
        const QString stored = f.rows("SELECT Display_Name FROM CutPara WHERE Shape = '" + target + "' AND ID = 1").join("");
        QCOMPARE(stored, QString(answer == controls::Resolution::Overwrite ? "Table angle" : "theirs"));
        // A transfer's target is not on screen: what it holds is told, and the
        // source's unsaved rename stays.
        const bool reload = answer == controls::Resolution::Reload;
        QCOMPARE(SetupFixture::items(window.List).first(), QString(reload && !transfer ? "theirs" : "Table angle") + "|TablePct");
        if (reload)
            QCOMPARE(f.prompt.informed, transfer ? QStringList{"The parameters of Oval (Cut) as stored now:\n1. theirs (LWRatio)"
                                                               "\n\nThe list on screen is kept as it is."}
                                                 : QStringList{});
    }
};

QTEST_MAIN(TstFrmPara)
#include "tst_frmpara.moc"
