#include "controls/CellEditor.h"
#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "girdle/FrmDescClass.h"
#include "girdle/FrmDescPara.h"
#include "store/ClassModule.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace girdle;

namespace {

// Brilliant / AGL: three classes; descriptions with a gap in their IDs
// (0, 2, 3), as a save that skipped an incomplete row leaves them; Bazel
// grades naming IDs 2..3 for class 0 (by position: "Thick" and nothing),
// 0..2 for class 1, a vanished ID for class 2, and a class that is gone.
// Oval / AGL: the same lab on another shape. Bare: classes, nothing else.
const QString kSeed = QStringLiteral(
    "INSERT INTO Cut VALUES ('Brilliant', 'AGL', 0, 'Excellent'), ('Brilliant', 'AGL', 1, 'Good'), "
    "('Brilliant', 'AGL', 2, 'Poor'), ('Brilliant', 'Bare', 0, 'Only'), ('Oval', 'AGL', 0, 'Fine');\n"
    "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 0, 'Thin', 0, 1, 0, 1.5, 0, 2), "
    "('Brilliant', 'AGL', 2, 'Medium', 1, 2, 1.5, 3, 2, 4), ('Brilliant', 'AGL', 3, 'Thick', 2, 3, 3, 4.5, 4, 6), "
    "('Oval', 'AGL', 0, 'Oval thin', 0, 1, 0, 1, 0, 1);\n"
    "INSERT INTO GIRDLE_CLASS VALUES (2, 3, 0, 'AGL', 'Brilliant', 'Bazel'), (0, 2, 1, 'AGL', 'Brilliant', 'Bazel'), "
    "(0, 9, 2, 'AGL', 'Brilliant', 'Bazel'), (0, 0, 5, 'AGL', 'Brilliant', 'Bazel'), (0, 0, 0, 'AGL', 'Oval', 'Bazel');\n");
const QStringList kDescs{"0|Thin|0|1|0|1.5|0|2", "2|Medium|1|2|1.5|3|2|4", "3|Thick|2|3|3|4.5|4|6"};
const QStringList kGrades{"2|3|0|Bazel", "0|2|1|Bazel", "0|9|2|Bazel", "0|0|5|Bazel"};
const QString kSaved = QStringLiteral("Description saved sucessfully");
const QString kScope = QStringLiteral(" Shape = 'Brilliant' AND Lab = 'AGL'");

// One window on a seeded data directory, played by action strings:
// "lab L", "part P", "set r c text", "add r", "del r", "save",
// "copy", "paste", "pick r c Enter|Esc text" (the drop-down list over a cell),
// "key r c Enter|Esc|None text" (text typed into the cell editor placed on
// (r, c) as a click does, then the key), "sel text" (the editor's selection),
// "elsewhere SQL" (another workstation saves), "answer reload|overwrite|cancel"
// (to the question that follows), "asked text" (the questions so far),
// "locale C|de_DE" (the desktop's numbers from then on; C at the start).

// The seed plus sql; "fail TABLE CONDITION" makes such inserts fail instead.
void seed(const testsupport::TestDataDir &dir, const QString &sql)
{
    dir.exec(kSeed);
    if (sql.startsWith("fail "))
        dir.failInserts(sql.section(u' ', 1, 1), sql.section(u' ', 2), "database or disk is full");
    else if (!sql.isEmpty())
        dir.exec(sql);
}

template <typename Window>
struct Rig {
    explicit Rig(const QString &sql) : seeded((seed(dir, sql), QLocale::setDefault(QLocale::c()), true)) { window.show(); }

    void play(const QStringList &actions)
    {
        for (const QString &action : actions) {
            const QStringList p = action.split(u' ');
            const int r = p.value(1).toInt(), c = p.value(2).toInt();
            const QString text = p.mid(p[0] == "key" || p[0] == "pick" ? 4 : p[0] == "set" ? 3 : 1).join(u' ');
            const Qt::Key key = p.value(3) == "Esc" ? Qt::Key_Escape : Qt::Key_Return;
            if (p[0] == "elsewhere") {
                dir.exec(text);
            } else if (p[0] == "locale") {
                QLocale::setDefault(QLocale(text));
            } else if (p[0] == "answer") {
                prompt.resolutions = {text == "reload"      ? controls::Resolution::Reload
                                      : text == "overwrite" ? controls::Resolution::Overwrite
                                                            : controls::Resolution::Cancel};
            } else if (p[0] == "asked") {
                QCOMPARE(prompt.confirmed.join(u'\n'), text);
            } else if (p[0] == "lab") {
                window.LabList->setCurrentIndex(window.LabList->findText(text));
                window.LabList_Click();
            } else if (p[0] == "set") {
                window.msg->setTextMatrix(r, c, text);
            } else if (p[0] == "save") {
                window.BtnSave->click();
            } else if constexpr (std::is_same_v<Window, FrmDescPara>) {
                if (p[0] != "sel")
                    window.msg->setRow(r);
                if (p[0] == "key") {
                    window.msg->setCol(c);
                    window.editor()->tFlexFocus();
                    QTest::keyClicks(window.Txt, text);
                    if (p[3] != "None")
                        QTest::keyClick(window.Txt, key);
                } else if (p[0] == "sel") {
                    QCOMPARE(window.Txt->selectedText(), text);
                } else {
                    (p[0] == "add" ? window.BtnAdd : window.BtnList)->click();
                }
            } else if (p[0] == "part") {
                window.class_->setCurrentIndex(window.class_->findText(text));
                window.class_Click();
            } else if (p[0] == "pick") {
                window.msg->setRow(r);
                window.msg->setCol(c);
                window.tFlexFocus();
                window.Grade->setCurrentIndex(window.Grade->findText(text));
                QTest::keyClick(window.Grade, key);
            } else {
                (p[0] == "copy" ? window.cpy : window.Pst)->trigger();
            }
        }
    }

    testsupport::ScriptedPrompt prompt;
    testsupport::TestDataDir dir{QStringLiteral("Brilliant~RNDCUTSYM\r\nOval~OVLCUTSYM\r\n")};
    bool seeded; // before the window opens on the directory
    store::ClassModule module{store::DataDir(dir.path())};
    Window window{module};
};

// Plays the actions, then checks the messages, the grid's data rows and the
// stored rows of Brilliant / AGL; nothing else stored may change.
template <typename Window>
void check(const QString &table, const QString &columns)
{
    QFETCH(QString, sql);
    QFETCH(QStringList, actions);
    Rig<Window> rig(sql);
    const QString query = QStringLiteral("SELECT %1 FROM %2 WHERE%3 ORDER BY rowid").arg(columns, table, kScope);
    const QString others = QStringLiteral("SELECT * FROM %1 WHERE NOT (%2) ORDER BY rowid").arg(table, kScope);
    const QStringList before = rig.dir.rows(others);
    rig.play(actions);
    QStringList grid;
    for (int r = 1; r < rig.window.msg->rows(); ++r)
        grid.append(rig.window.msg->rowTexts(r).join(u'|'));
    QTEST(rig.prompt.informed, "messages");
    QTEST(grid, "grid");
    QTEST(rig.dir.rows(query), "stored");
    QCOMPARE(rig.dir.rows(others), before);
}

} // namespace

class TestGirdle : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    // The descriptions window first, then the grades window ("grades" rows).
    void edits_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QStringList>("stored");
        QStringList loaded{"|0|0|1|0|1.5|0|2|Thin", "|2|1|2|1.5|3|2|4|Medium", "|3|2|3|3|4.5|4|6|Thick"};
        QTest::newRow("row missing a limit skipped, reloaded closed up")
            << "" << QStringList{"lab AGL", "set 2 3 ", "save", "lab AGL"} << QStringList{kSaved}
            << QStringList{"|0|0|1|0|1.5|0|2|Thin", "|2|2|3|3|4.5|4|6|Thick"}
            << QStringList{"0|Thin|0|1|0|1.5|0|2", "2|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("middle row deleted, renumbered")
            << "" << QStringList{"lab AGL", "del 2", "save"} << QStringList{kSaved} << QStringList{loaded[0], loaded[2]}
            << QStringList{"0|Thin|0|1|0|1.5|0|2", "1|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("row added: quotes kept, limits as numbers, empty description")
            << "" << QStringList{"lab AGL", "add 1", "set 2 2 -0.5", "set 2 3 1e1", "set 2 4 2", "set 2 5 3",
                                 "set 2 6 4", "set 2 7  5 ", "set 1 8 O'Neil \"x\"", "set 3 8 ", "save"}
            << QStringList{kSaved}
            << QStringList{"|0|0|1|0|1.5|0|2|O'Neil \"x\"", "||-0.5|1e1|2|3|4| 5 |", "|2|1|2|1.5|3|2|4|", loaded[2]}
            << QStringList{"0|O'Neil \"x\"|0|1|0|1.5|0|2", "1||-0.5|10|2|3|4|5", "2||1|2|1.5|3|2|4",
                           "3|Thick|2|3|3|4.5|4|6"};
        // Shown with the desktop's separator, never grouped, so saved again unchanged; either separator read.
        QTest::newRow("comma desktop: limits saved unchanged, either separator typed")
            << "" << QStringList{"locale de_DE", "lab AGL", "key 1 3 Enter 1234.5", "key 1 5 Enter 0,25", "save", "lab AGL", "save"}
            << QStringList{kSaved, kSaved} << QStringList{"|0|0|1234,5|0|0,25|0|2|Thin", "|1|1|2|1,5|3|2|4|Medium", "|2|2|3|3|4,5|4|6|Thick"}
            << QStringList{"0|Thin|0|1234.5|0|0.25|0|2", "1|Medium|1|2|1.5|3|2|4", "2|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("letters refused in a limit, selected")
            << "" << QStringList{"lab AGL", "key 1 3 Enter abc", "sel abc"}
            << QStringList{"Please correct the data..."} << loaded << kDescs;
        QTest::newRow("text typed before Delete goes nowhere; the last row stays, without a word")
            << "" << QStringList{"lab AGL", "key 2 8 None 9", "del 2", "key 1 4 Esc", "del 1", "del 1"}
            << QStringList{} << QStringList{loaded[2]} << kDescs;
        QTest::newRow("limit not a number: nothing written")
            << "" << QStringList{"lab AGL", "set 3 5 1.2.3", "save"}
            << QStringList{"Row 3: \"1.2.3\" under \"Bone max\" is not a number. Nothing was saved."}
            << QStringList{loaded[0], loaded[1], "|3|2|3|3|1.2.3|4|6|Thick"} << kDescs;
        QTest::newRow("database refuses a row: nothing written")
            << "fail GIRDLE_DESC NEW.ID = 1"
            << QStringList{"lab AGL", "save"} << QStringList{"database or disk is full"} << loaded << kDescs;
        // Another workstation saved between this window's load and its save;
        // two saves before that asked nothing.
        const QString descsChanged = QStringLiteral("asked The girdle descriptions of AGL (Brilliant) were changed on "
                                                    "another workstation since you opened them.");
        const QStringList conflict{"lab AGL", "save", "save",
                                   "elsewhere UPDATE GIRDLE_DESC SET Description = 'Theirs' WHERE ID = 0 AND Shape = 'Brilliant'", "set 1 8 Mine"};
        const QStringList renumbered{"1|Medium|1|2|1.5|3|2|4", "2|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("changed elsewhere, reload")
            << "" << conflict + QStringList{"answer reload", "save", descsChanged} << QStringList{kSaved, kSaved}
            << QStringList{"|0|0|1|0|1.5|0|2|Theirs", "|1|1|2|1.5|3|2|4|Medium", "|2|2|3|3|4.5|4|6|Thick"}
            << QStringList{"0|Theirs|0|1|0|1.5|0|2"} + renumbered;
        QTest::newRow("changed elsewhere, overwrite")
            << "" << conflict + QStringList{"answer overwrite", "save", descsChanged} << QStringList{kSaved, kSaved, kSaved}
            << QStringList{"|0|0|1|0|1.5|0|2|Mine", loaded[1], loaded[2]} << QStringList{"0|Mine|0|1|0|1.5|0|2"} + renumbered;
        QTest::newRow("changed elsewhere, cancel")
            << "" << conflict + QStringList{"answer cancel", "save", descsChanged} << QStringList{kSaved, kSaved}
            << QStringList{"|0|0|1|0|1.5|0|2|Mine", loaded[1], loaded[2]} << QStringList{"0|Theirs|0|1|0|1.5|0|2"} + renumbered;
        loaded = {"Excellent|Medium|Thick", "Good|Thin|Medium", "Poor||"};
        const QStringList gradesConflict{
            "lab AGL", "save", "elsewhere INSERT INTO GIRDLE_CLASS VALUES (0, 0, 2, 'AGL', 'Brilliant', 'Bazel')",
            "set 3 1 Thick", "set 3 2 Thick", "save",
            "asked The Bazel girdle grades of AGL (Brilliant) were changed on another workstation since you opened them."};
        QTest::newRow("grades: changed elsewhere, reload")
            << "" << QStringList{"answer reload"} + gradesConflict << QStringList{kSaved}
            << QStringList{loaded[0], loaded[1], "Poor|Thin|Thin"}
            << QStringList{"2|3|0|Bazel", "0|2|1|Bazel", "0|0|2|Bazel"};
        QTest::newRow("grades: changed elsewhere, overwrite")
            << "" << QStringList{"answer overwrite"} + gradesConflict << QStringList{kSaved, kSaved}
            << QStringList{loaded[0], loaded[1], "Poor|Thick|Thick"}
            << QStringList{"2|3|0|Bazel", "0|2|1|Bazel", "3|3|2|Bazel"};
        const QStringList resaved{"2|3|0|Bazel", "0|2|1|Bazel"};
        QTest::newRow("grades: Bazel pasted into Bone, Bone saved")
            << "" << QStringList{"lab AGL", "copy", "part Bone", "paste", "save"} << QStringList{kSaved} << loaded
            << (kGrades + QStringList{"2|3|0|Bone", "0|2|1|Bone"});
        QTest::newRow("grades: nothing to paste after a lab change")
            << "" << QStringList{"lab AGL", "copy", "lab Bare", "paste"} << QStringList{"Nothing to paste"}
            << QStringList{"Only||"} << kGrades;
        QTest::newRow("grades: picked from the list; a class with one cell not stored")
            << "" << QStringList{"lab AGL", "pick 1 1 Enter Thin", "pick 2 2 Esc Thick", "set 3 1 Thick", "save"}
            << QStringList{kSaved} << QStringList{"Excellent|Thin|Thick", "Good|Thin|Thick", "Poor|Thick|"}
            << QStringList{"0|3|0|Bazel", "0|3|1|Bazel"};
        QTest::newRow("grades: equal descriptions stored as the first's ID")
            << "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 7, 'Medium', 0, 0, 0, 0, 0, 0);\n"
            << QStringList{"lab AGL", "set 3 1 Medium", "set 3 2 Medium", "save"} << QStringList{kSaved}
            << QStringList{loaded[0], loaded[1], "Poor|Medium|Medium"} << (resaved + QStringList{"2|2|2|Bazel"});
        QTest::newRow("grades: database refuses a class: nothing written")
            << "fail GIRDLE_CLASS NEW.Class = 1"
            << QStringList{"lab AGL", "save"} << QStringList{"database or disk is full"} << loaded << kGrades;
    }

    void edits()
    {
        if (QString(QTest::currentDataTag()).startsWith("grades: "))
            check<FrmDescClass>("GIRDLE_CLASS", "FromID, ToID, Class, GIRDLECLASS");
        else
            check<FrmDescPara>("GIRDLE_DESC", "ID, Description, BazelMin, BazelMax, BoneMin, BoneMax, NarrowMin, NarrowMax");
    }

    // Grades opens from the descriptions window; the descriptions still save after it.
    void gradesFromDescriptions()
    {
        Rig<FrmDescPara> rig({});
        testsupport::ScriptedModal modal;
        rig.window.Grades->trigger();
        rig.play({"lab AGL", "save"});
        QCOMPARE(modal.opened, QStringList{"Description Grade"});
        QCOMPARE(rig.prompt.informed, QStringList{kSaved});
    }
};

QTEST_MAIN(TestGirdle)
#include "tst_girdle.moc"
