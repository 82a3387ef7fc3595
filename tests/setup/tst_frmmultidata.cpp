#include "SetupFixture.h"
#include "setup/FrmMultiData.h"

#include <QPushButton>

using setup::FrmMultiData;
using Step = std::function<void(FrmMultiData &)>;
Q_DECLARE_METATYPE(Step)

namespace {

// Brilliant: two cut labs, one sym lab, two pairs; Oval: one pair, no labs.
const QString kLabsAndPairs = QStringLiteral(
    "INSERT INTO CutLab VALUES ('Brilliant','Nordic',''), ('Brilliant','AGL',''), "
    "('Brilliant','AGL','again'), ('Pear','PearLab','');\n"
    "INSERT INTO SymLab VALUES ('Brilliant','SymLab A','');\n"
    "INSERT INTO MultiData VALUES ('Brilliant','Nordic','SymLab A'), ('Oval','O''Cut','OSym'), "
    "('Brilliant','AGL','SymLab A');\n");

void shape(FrmMultiData &window, int index)
{
    window.cShape->setCurrentIndex(index);
    window.cShape_Click();
}

const QString kPairs = QStringLiteral("SELECT * FROM MultiData ORDER BY rowid");

} // namespace

class TstFrmMultiData : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void openReadsTheFileAfresh()
    {
        SetupFixture f(kLabsAndPairs);
        f.writeShapesFile("Brilliant~BRCUTSYM\r\nPear~PERCUTSYM\r\nOval~OVLCUTSYM\r\n");
        const QStringList codes = f.module.ShapeCodes;
        FrmMultiData window(f.module);
        QCOMPARE(DefinerFixture::items(window.cShape), (QStringList{"Brilliant", "Pear", "Oval"}));
        QCOMPARE(DefinerFixture::items(window.CutLab), (QStringList{"AGL", "Nordic"}));
        QCOMPARE(SetupFixture::items(window.LView), (QStringList{"Nordic|SymLab A", "AGL|SymLab A"}));
        QCOMPARE(f.module.ShapeCodes, codes);
    }

    void editAndSave_data()
    {
        QTest::addColumn<Step>("edit");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("informed"); // also the fault a trigger raises on AGL, each time
        const QString oval = QStringLiteral("Oval|O'Cut|OSym"), nordic = QStringLiteral("Brilliant|Nordic|SymLab A"),
                      agl = QStringLiteral("Brilliant|AGL|SymLab A");
        QTest::newRow("pair added twice, stored twice")
            << Step([](FrmMultiData &w) { w.CutLab->setCurrentIndex(1); w.BtnAdd_Click(); w.BtnAdd_Click(); })
            << QStringList{oval, nordic, agl, nordic, nordic} << "";
        QTest::newRow("delete the selected; none selected does nothing")
            << Step([](FrmMultiData &w) { w.BtnMinus_Click(); w.LView->setSelectedNumber(1); w.BtnMinus_Click(); })
            << QStringList{oval, agl} << "";
        QTest::newRow("added and deleted, both undone by Ctrl+Z, the delete redone by Ctrl+Y")
            << Step([](FrmMultiData &w) {
                   w.show();
                   w.activateWindow();
                   QVERIFY(QTest::qWaitForWindowActive(&w));
                   w.LView->setSelectedNumber(1);
                   w.BtnMinus_Click();
                   w.BtnAdd_Click();
                   for (const QKeyCombination key : {Qt::CTRL | Qt::Key_Z, Qt::CTRL | Qt::Key_Z, Qt::CTRL | Qt::Key_Y})
                       QTest::keyClick(w.LView, key.key(), key.keyboardModifiers());
               })
            << QStringList{oval, agl} << "";
        QTest::newRow("shape without labs: an empty pair")
            << Step([](FrmMultiData &w) { shape(w, 1); w.BtnAdd_Click(); }) << QStringList{nordic, agl, oval, "Oval||"} << "";
        QTest::newRow("another shape and back drops what was added")
            << Step([](FrmMultiData &w) { w.BtnAdd_Click(); shape(w, 1); shape(w, 0); }) << QStringList{oval, nordic, agl} << "";
        QTest::newRow("database refuses a pair: nothing stored")
            << Step([](FrmMultiData &w) { w.LView->setSelectedNumber(1); w.BtnMinus_Click(); w.BtnAdd_Click(); })
            << QStringList{nordic, oval, agl} << "database or disk is full";
    }

    void editAndSave()
    {
        QFETCH(Step, edit);
        QFETCH(QString, informed);
        SetupFixture f(kLabsAndPairs);
        if (!informed.isEmpty())
            f.dir.failInserts("MultiData", "NEW.CutLab = 'AGL'", informed);
        FrmMultiData window(f.module);
        edit(window);
        window.BtnSave_Click();
        // Esc: what the save could not store is offered again, and kept.
        window.show();
        QTest::keyClick(&window, Qt::Key_Escape);
        QTEST(f.rows(kPairs), "stored");
        const bool failed = !informed.isEmpty();
        QCOMPARE(f.prompt.informed, failed ? (QStringList{informed, informed}) : QStringList{});
        QCOMPARE(f.prompt.confirmed, failed ? QStringList{"Save the changes to the institute pairs of Brilliant?"} : QStringList{});
        QCOMPARE(window.isVisible(), failed);
    }

    void anotherWorkstationSavedFirst_data() { testsupport::resolutionRows(); }

    void anotherWorkstationSavedFirst()
    {
        QFETCH(controls::Resolution, answer);
        SetupFixture f(kLabsAndPairs);
        FrmMultiData window(f.module);
        window.BtnSave_Click();
        window.BtnSave_Click(); // unchanged since loaded: no question
        f.dir.exec("DELETE FROM MultiData WHERE CutLab = 'Nordic'");
        window.BtnAdd_Click();
        f.prompt.resolutions = {answer};
        window.BtnSave_Click();
        QCOMPARE(f.prompt.confirmed,
                 QStringList{"The institute pairs of Brilliant were changed on another workstation since you opened them."});
        const QStringList mine{"Nordic|SymLab A", "AGL|SymLab A", "AGL|SymLab A"}, theirs{"AGL|SymLab A"};
        QCOMPARE(SetupFixture::items(window.LView), answer == controls::Resolution::Reload ? theirs : mine);
        QCOMPARE(f.rows("SELECT CutLab || '|' || SymLab FROM MultiData WHERE Shape = 'Brilliant'"),
                 answer == controls::Resolution::Overwrite ? mine : theirs);
    }
};

QTEST_MAIN(TstFrmMultiData)
#include "tst_frmmultidata.moc"
