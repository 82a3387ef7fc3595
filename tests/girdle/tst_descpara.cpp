#include "GirdleFixture.h"

#include "controls/CellEditor.h"
#include "controls/GraphicalButton.h"
#include "definer/ClassDefiner.h"
#include "girdle/FrmDescPara.h"
#include "shell/FrmCS.h"

#include <QAction>
#include <QLineEdit>

using girdle::FrmDescPara;

namespace {

using Fixture = GirdleFixture<FrmDescPara>;

const QString kStored = QStringLiteral("SELECT * FROM GIRDLE_DESC WHERE Lab = 'AGL' AND Shape = 'Brilliant' ORDER BY ID");
const QString kOval = QStringLiteral("SELECT * FROM GIRDLE_DESC WHERE Shape = 'Oval'");

// Grid edits as a user makes them: "set r c text", "add r" (Add on row r),
// "del r" (Delete on row r).
void apply(FrmDescPara &w, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QStringList p = edit.split(u' ');
        w.msg->setRow(p[1].toInt());
        if (p[0] == QLatin1String("set"))
            w.msg->setTextMatrix(p[1].toInt(), p[2].toInt(), p.mid(3).join(u' '));
        else if (p[0] == QLatin1String("add"))
            w.BtnAdd->click();
        else
            w.BtnList->click();
    }
}

} // namespace

class TestDescPara : public QObject {
    Q_OBJECT

private slots:
    void loading_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("lab");
        QTest::addColumn<QStringList>("dataRows");
        const QStringList empty{"||||||||", "||||||||"};
        QTest::newRow("no lab chosen") << "Brilliant" << "" << empty;
        QTest::newRow("lab without descriptions") << "Brilliant" << "Bare" << empty;
        QTest::newRow("descriptions in ID order")
            << "Brilliant" << "AGL"
            << QStringList{"|0|0|1|0|1.5|0|2|Thin", "|2|1|2|1.5|3|2|4|Medium", "|3|2|3|3|4.5|4|6|Thick"};
        QTest::newRow("other shape") << "Oval" << "AGL" << QStringList{"|0|0|1|0|1|0|1|Oval thin"};
    }

    void loading()
    {
        QFETCH(QString, shape);
        QFETCH(QString, lab);
        QFETCH(QStringList, dataRows);
        Fixture f;
        QCOMPARE(f.window.LabList->currentIndex(), -1);
        f.choose(f.window.cShape, shape, &FrmDescPara::cShape_Click);
        if (!lab.isEmpty())
            f.choose(f.window.LabList, lab, &FrmDescPara::LabList_Click);
        QCOMPARE(f.rows().mid(1), dataRows);
        QCOMPARE(f.window.msg->textMatrix(0, 6), QStringLiteral("Narrow  min"));
        QCOMPARE(f.prompt.informed, QStringList());
    }

    void save_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("row with an empty limit skipped, its ID missing")
            << QStringList{"set 2 3 "}
            << QStringList{"Brilliant|AGL|0|Thin|0|1|0|1.5|0|2", "Brilliant|AGL|2|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("middle row deleted, rows below renumbered")
            << QStringList{"del 2"}
            << QStringList{"Brilliant|AGL|0|Thin|0|1|0|1.5|0|2", "Brilliant|AGL|1|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("row added with quotes in its text, limits as typed")
            << QStringList{"add 1", "set 2 2 -0.5", "set 2 3 1e1", "set 2 4 2", "set 2 5 3",
                           "set 2 6 4", "set 2 7  5 ", "set 2 8 O'Neil \"x\""}
            << QStringList{"Brilliant|AGL|0|Thin|0|1|0|1.5|0|2", "Brilliant|AGL|1|O'Neil \"x\"|-0.5|10|2|3|4|5",
                           "Brilliant|AGL|2|Medium|1|2|1.5|3|2|4", "Brilliant|AGL|3|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("empty description stored")
            << QStringList{"set 3 8 "}
            << QStringList{"Brilliant|AGL|0|Thin|0|1|0|1.5|0|2", "Brilliant|AGL|1|Medium|1|2|1.5|3|2|4",
                           "Brilliant|AGL|2||2|3|3|4.5|4|6"};
    }

    void save()
    {
        QFETCH(QStringList, edits);
        QFETCH(QStringList, stored);
        Fixture f;
        f.choose(f.window.LabList, "AGL", &FrmDescPara::LabList_Click);
        const QStringList oval = f.dir.rows(kOval);
        apply(f.window, edits);
        f.window.BtnSave->click();
        QCOMPARE(f.prompt.informed, QStringList{"Description saved sucessfully"});
        QCOMPARE(f.dir.rows(kStored), stored);
        QCOMPARE(f.dir.rows(kOval), oval);
        f.window.LabList_Click(); // reloaded: the rows close up in ID order
        QCOMPARE(f.window.msg->rows(), int(stored.size()) + 1);
    }

    void refusedSave_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("message");
        QTest::newRow("limit not a number")
            << "" << QStringList{"set 3 5 1.2.3"} << "Row 3: \"1.2.3\" under \"Bone max\" is not a number. Nothing was saved.";
        QTest::newRow("database refuses the second row")
            << "CREATE TRIGGER full BEFORE INSERT ON GIRDLE_DESC WHEN NEW.ID = 1 "
               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;\n"
            << QStringList{"set 1 8 renamed"} << "database or disk is full";
    }

    void refusedSave()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        Fixture f;
        if (!sql.isEmpty())
            f.dir.exec(sql);
        f.choose(f.window.LabList, "AGL", &FrmDescPara::LabList_Click);
        const QStringList before = f.dir.rows(kStored);
        apply(f.window, edits);
        f.window.BtnSave->click();
        QCOMPARE(f.prompt.informed, QStringList{message});
        QCOMPARE(f.dir.rows(kStored), before);
    }

    void keys_data()
    {
        QTest::addColumn<QPoint>("from"); // (row, col)
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("message");
        const int down = Qt::Key_Down, up = Qt::Key_Up, enter = Qt::Key_Return, none = Qt::NoModifier;
        QTest::newRow("down from the last row") << QPoint(3, 4) << "" << down << none << QPoint(1, 4) << "";
        QTest::newRow("up from row 1") << QPoint(1, 2) << "" << up << none << QPoint(3, 2) << "";
        QTest::newRow("enter from the description") << QPoint(1, 8) << "" << enter << none << QPoint(2, 2) << "";
        QTest::newRow("enter from the last cell") << QPoint(3, 8) << "" << enter << none << QPoint(1, 2) << "";
        QTest::newRow("shift+enter from the first cell")
            << QPoint(1, 2) << "" << enter << int(Qt::ShiftModifier) << QPoint(3, 8) << "";
        QTest::newRow("letters in a limit") << QPoint(1, 3) << "abc" << enter << none << QPoint(1, 3)
                                            << "Please correct the data...";
        QTest::newRow("letters in the description") << QPoint(1, 8) << "abc" << enter << none << QPoint(2, 2) << "";
    }

    void keys()
    {
        QFETCH(QPoint, from);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QPoint, to);
        QFETCH(QString, message);
        Fixture f;
        f.choose(f.window.LabList, "AGL", &FrmDescPara::LabList_Click);
        f.window.msg->setRow(from.x());
        f.window.msg->setCol(from.y());
        f.window.editor()->tFlexFocus();
        if (!typed.isEmpty())
            QTest::keyClicks(f.window.Txt, typed);
        QTest::keyClick(f.window.Txt, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(QPoint(f.window.msg->row(), f.window.msg->col()), to);
        QCOMPARE(f.prompt.informed, message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(f.window.Txt->selectedText(), typed); // ready to be typed over
        else if (!typed.isEmpty())
            QCOMPARE(f.window.msg->textMatrix(from.x(), from.y()), typed);
    }

    void deleteDropsTheTypedText()
    {
        Fixture f;
        f.choose(f.window.LabList, "AGL", &FrmDescPara::LabList_Click);
        f.window.msg->setRow(2);
        f.window.msg->setCol(8);
        f.window.editor()->tFlexFocus();
        QTest::keyClicks(f.window.Txt, "typed");
        f.window.BtnList->click();
        f.window.msg->setRow(1); // a cell change after Delete writes nothing
        QVERIFY(!f.rows().join(u'|').contains("typed"));
        QCOMPARE(f.rows().mid(1), (QStringList{"|0|0|1|0|1.5|0|2|Thin", "|3|2|3|3|4.5|4|6|Thick"}));
        f.window.BtnList->click();
        f.window.BtnList->click(); // the last row stays, without a word
        QCOMPARE(f.window.msg->rows(), 2);
        QCOMPARE(f.prompt.informed, QStringList());
    }

    // Options > Desciption opens this window, its menu Grades the grading
    // window; both reopen the connections, and the main window works on.
    void openedFromTheMainWindow()
    {
        testsupport::ScriptedPrompt prompt;
        testsupport::ScriptedModal modal;
        testsupport::TestDataDir dir;
        dir.exec(kGirdleSeed);
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS main(module);
        main.Form_Load();
        modal.onOpen = [&](QDialog &dialog) {
            if (auto *para = qobject_cast<FrmDescPara *>(&dialog)) {
                QCOMPARE(para->cShape->currentText(), QStringLiteral("Brilliant"));
                para->Grades->trigger();
            }
        };
        main.Desc->trigger();
        QCOMPARE(modal.opened, (QStringList{"Description Parameter", "Description Grade"}));
        main.definer->nName->setText("New Lab");
        main.definer->MnuCreate_Click();
        QCOMPARE(prompt.informed, QStringList{"Lab Created Succssefully."});
        QCOMPARE(dir.rows("SELECT Lab FROM CutLab"), QStringList{"New Lab"});
    }
};

QTEST_MAIN(TestDescPara)
#include "tst_descpara.moc"
