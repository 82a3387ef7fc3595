#include "controls/CellEditor.h"
#include "controls/EditHistory.h"
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
// "copy", "paste", "pick r c KEY text" (the drop-down list over a cell),
// "key r c KEY|None text" (text typed into the cell editor placed on (r, c)
// as a click does, then the key, e.g. Return, Shift+Return, Up, Esc, Ctrl+Z),
// "undo", "redo" (the menu items),
// "at r c text" (where the editor stands and its selected text), "head text"
// (the header row), "locale C|de_DE" (the desktop's numbers from then on; C at the start),
// "grades" (the grades window opens and closes), "elsewhere SQL" (another
// workstation saves), "answer reload|overwrite" (to the question that follows;
// else Cancel), "asked text" (the questions so far).

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
            const QKeyCombination key = QKeySequence::fromString(p.value(3))[0];
            if (p[0] == "elsewhere") {
                dir.exec(text);
                wroteElsewhere();
            } else if (p[0] == "locale") {
                QLocale::setDefault(QLocale(text));
            } else if (p[0] == "answer") {
                prompt.resolutions = {text == "reload" ? controls::Resolution::Reload : controls::Resolution::Overwrite};
            } else if (p[0] == "asked") {
                QCOMPARE(prompt.confirmed.join(u'\n'), text);
            } else if (p[0] == "lab") {
                window.LabList->setCurrentIndex(window.LabList->findText(text));
                window.LabList_Click();
            } else if (p[0] == "set") {
                window.msg->setTextMatrix(r, c, text);
            } else if (p[0] == "save") {
                window.BtnSave->click();
            } else if (p[0] == "undo" || p[0] == "redo") {
                (p[0] == "undo" ? window.history->undoAction() : window.history->redoAction())->trigger();
            } else if constexpr (std::is_same_v<Window, FrmDescPara>) {
                if (p[0] == "key") {
                    window.msg->setRow(r);
                    window.msg->setCol(c);
                    window.editor()->tFlexFocus();
                    QTest::keyClicks(window.Txt, text);
                    if (p[3] != "None")
                        QTest::keyClick(window.Txt, key.key(), key.keyboardModifiers());
                } else if (p[0] == "at") {
                    QCOMPARE(QStringList({QString::number(window.msg->row()), QString::number(window.msg->col()),
                                          window.Txt->selectedText()}).join(u' '), action.mid(3));
                } else if (p[0] == "head") {
                    QCOMPARE(window.msg->rowTexts(0).join(u'|'), text);
                } else if (p[0] == "grades") {
                    testsupport::ScriptedModal modal;
                    window.Grades->trigger();
                    QCOMPARE(modal.opened, QStringList{"Description Grade"});
                } else {
                    window.msg->setRow(r);
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
                QTest::keyClick(window.Grade, key.key());
            } else {
                (p[0] == "copy" ? window.cpy : window.Pst)->trigger();
            }
        }
    }

    testsupport::ScriptedPrompt prompt;
    testsupport::TestDataDir dir{QStringLiteral("Brilliant~RNDCUTSYM\r\nOval~OVLCUTSYM\r\n")};
    bool seeded; // before the window opens on the directory
    std::function<void()> wroteElsewhere = [] {};
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
    QStringList before = rig.dir.rows(others);
    rig.wroteElsewhere = [&] { before = rig.dir.rows(others); }; // the window's own saves must not touch them
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
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    // The descriptions window first, then the grades window ("grades" rows).
    void edits_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QStringList>("stored");
        QStringList loaded{"|0|0|1|0|1.5|0|2|Thin", "|2|1|2|1.5|3|2|4|Medium", "|3|2|3|3|4.5|4|6|Thick"};
        // Limits shown with the desktop's separator, never grouped, save again
        // unchanged; either separator is read; a limit stored as NULL is
        // shown empty, not as 0.
        QTest::newRow("comma desktop; rows missing a limit, emptied or never stored, skipped and reloaded closed up")
            << "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 5, 'None', 0, 0, 0, 0, 0, NULL);\n"
            << QStringList{"locale de_DE", "lab AGL", "set 2 3 ", "key 1 3 Return 1234.5", "set 1 2 0,25", "save",
                           "lab AGL", "save"}
            << QStringList{kSaved, kSaved} << QStringList{"|0|0,25|1234,5|0|1,5|0|2|Thin", "|2|2|3|3|4,5|4|6|Thick"}
            << QStringList{"0|Thin|0.25|1234.5|0|1.5|0|2", "1|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("middle row deleted, kept on screen while the grades window opens; renumbered")
            << "" << QStringList{"lab AGL", "del 2", "grades", "save"} << QStringList{kSaved}
            << QStringList{loaded[0], loaded[2]}
            << QStringList{"0|Thin|0|1|0|1.5|0|2", "1|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("typed limit, added row undone; deleted row undone by Ctrl+Z, there the editor; delete redone")
            << "" << QStringList{"lab AGL", "del 2", "add 1", "key 2 3 Return 9", "undo", "undo", "key 1 2 Ctrl+Z",
                                 "at 2 2 1", "redo", "save"}
            << QStringList{kSaved} << QStringList{loaded[0], loaded[2]}
            << QStringList{"0|Thin|0|1|0|1.5|0|2", "1|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("row added: quotes kept, limits as numbers, empty description")
            << "" << QStringList{"lab AGL", "add 1", "set 2 2 -0.5", "set 2 3 1e1", "set 2 4 2", "set 2 5 3",
                                 "set 2 6 4", "set 2 7  5 ", "set 1 8 O'Neil \"x\"", "set 3 8 ", "save"}
            << QStringList{kSaved}
            << QStringList{"|0|0|1|0|1.5|0|2|O'Neil \"x\"", "||-0.5|1e1|2|3|4| 5 |", "|2|1|2|1.5|3|2|4|", loaded[2]}
            << QStringList{"0|O'Neil \"x\"|0|1|0|1.5|0|2", "1||-0.5|10|2|3|4|5", "2||1|2|1.5|3|2|4",
                           "3|Thick|2|3|3|4.5|4|6"};
        QTest::newRow("text typed before Delete goes nowhere; the last row stays, without a word")
            << "" << QStringList{"lab AGL", "key 2 8 None 9", "del 2", "key 1 4 Esc", "del 1", "del 1"}
            << QStringList{} << QStringList{loaded[2]} << kDescs;
        QTest::newRow("keys wrap round the grid; letters only in the description, refused text selected")
            << "" << QStringList{"lab AGL", "key 3 4 Down 7", "at 1 4 0", "key 1 4 Up 8", "at 3 4 7",
                                 "key 2 8 Return abc", "at 3 2 2", "key 3 7 Return", "at 3 8 Thick", "key 3 8 Return",
                                 "at 1 2 0", "key 1 2 Shift+Return", "at 3 8 Thick", "key 2 2 Shift+Return", "at 1 8 Thin",
                                 "key 2 7 Return x y", "at 2 7 x y"}
            << QStringList{"Please correct the data..."}
            << QStringList{"|0|0|1|8|1.5|0|2|Thin", "|2|1|2|1.5|3|2|4|abc", "|3|2|3|7|4.5|4|6|Thick"} << kDescs;
        QTest::newRow("lab without descriptions: header and two empty rows")
            << "" << QStringList{"lab AGL", "lab Bare",
                                 "head ||Bazel min|Bazel max|Bone min|Bone max|Narrow  min|Narrow max|Description"}
            << QStringList{} << QStringList{"||||||||", "||||||||"} << kDescs;
        QTest::newRow("limit not a number: nothing written")
            << "" << QStringList{"lab AGL", "set 3 5 1.2.3", "save"}
            << QStringList{"Row 3: \"1.2.3\" under \"Bone max\" is not a number. Nothing was saved."}
            << QStringList{loaded[0], loaded[1], "|3|2|3|3|1.2.3|4|6|Thick"} << kDescs;
        QTest::newRow("database refuses a row: nothing written")
            << "fail GIRDLE_DESC NEW.ID = 1"
            << QStringList{"lab AGL", "save"} << QStringList{"database or disk is full"} << loaded << kDescs;
        // Another workstation saved between this window's load and its save
        // (two saves before that asked nothing): Cancel writes and reloads
        // nothing and asks again, Overwrite writes, Reload shows theirs.
        const QString descsChanged = QStringLiteral("The girdle descriptions of AGL (Brilliant) were changed on "
                                                    "another workstation since you opened them.");
        QTest::newRow("changed elsewhere: cancel, overwrite, reload")
            << "" << QStringList{"lab AGL", "save", "save", "set 1 8 Mine",
                                 "elsewhere UPDATE GIRDLE_DESC SET Description = 'Theirs' WHERE ID = 0 AND Shape = 'Brilliant'",
                                 "save", "answer overwrite", "save", "set 2 8 Mine too", "answer reload",
                                 "elsewhere UPDATE GIRDLE_DESC SET Description = 'Theirs' WHERE ID = 2", "save",
                                 "asked " + QStringList(3, descsChanged).join(u'\n')}
            << QStringList{kSaved, kSaved, kSaved}
            << QStringList{"|0|0|1|0|1.5|0|2|Mine", "|1|1|2|1.5|3|2|4|Medium", "|2|2|3|3|4.5|4|6|Theirs"}
            << QStringList{"0|Mine|0|1|0|1.5|0|2", "1|Medium|1|2|1.5|3|2|4", "2|Theirs|2|3|3|4.5|4|6"};
        loaded = {"Excellent|Medium|Thick", "Good|Thin|Medium", "Poor||"};
        // Another part, shape or lab written elsewhere asks nothing; its own
        // part does: Overwrite writes, Reload shows theirs and writes nothing.
        QTest::newRow("grades: changed elsewhere: overwrite, reload")
            << "" << QStringList{"lab AGL", "elsewhere INSERT INTO GIRDLE_CLASS VALUES (3, 3, 0, 'AGL', 'Brilliant', 'Bone'), "
                                 "(3, 3, 0, 'AGL', 'Oval', 'Bazel'), (3, 3, 0, 'Bare', 'Brilliant', 'Bazel')", "save",
                                 "elsewhere INSERT INTO GIRDLE_CLASS VALUES (0, 0, 2, 'AGL', 'Brilliant', 'Bazel')",
                                 "set 3 1 Thick", "set 3 2 Thick", "answer overwrite", "save", "set 3 1 Thin", "answer reload",
                                 "elsewhere UPDATE GIRDLE_CLASS SET ToID = 3 WHERE Class = 1", "save",
                                 "asked " + QStringList(2, "The Bazel girdle grades of AGL (Brilliant) were changed on "
                                                           "another workstation since you opened them.").join(u'\n')}
            << QStringList{kSaved, kSaved} << QStringList{loaded[0], "Good|Thin|Thick", "Poor|Thick|Thick"}
            << QStringList{"3|3|0|Bone", "2|3|0|Bazel", "0|3|1|Bazel", "3|3|2|Bazel"};
        QTest::newRow("grades: nothing to paste after a lab change; Bazel pasted into Bone, Bone saved")
            << "" << QStringList{"lab AGL", "copy", "lab Bare", "paste", "lab AGL", "copy", "part Bone", "paste", "save"}
            << QStringList{"Nothing to paste", kSaved} << loaded << (kGrades + QStringList{"2|3|0|Bone", "0|2|1|Bone"});
        QTest::newRow("grades: a pick and a paste undone, the paste redone")
            << "" << QStringList{"lab AGL", "copy", "part Bone", "paste", "pick 3 1 Return Thin", "undo", "undo", "redo", "save"}
            << QStringList{kSaved} << loaded << (kGrades + QStringList{"2|3|0|Bone", "0|2|1|Bone"});
        QTest::newRow("grades: picked from the list; a class with one cell not stored, a description without text or not")
            << "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 4, '', 0, 0, 0, 0, 0, 0);\n"
            << QStringList{"lab AGL", "pick 1 1 Return Thin", "pick 2 2 Esc Thick", "set 3 1 Thick", "save"}
            << QStringList{kSaved} << QStringList{"Excellent|Thin|Thick", "Good|Thin|Thick", "Poor|Thick|"}
            << QStringList{"0|3|0|Bazel", "0|3|1|Bazel"};
        QTest::newRow("grades: equal descriptions stored as the first's ID")
            << "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 7, 'Medium', 0, 0, 0, 0, 0, 0);\n"
            << QStringList{"lab AGL", "set 3 1 Medium", "set 3 2 Medium", "save"} << QStringList{kSaved}
            << QStringList{loaded[0], loaded[1], "Poor|Medium|Medium"}
            << QStringList{"2|3|0|Bazel", "0|2|1|Bazel", "2|2|2|Bazel"};
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
};

QTEST_MAIN(TestGirdle)
#include "tst_girdle.moc"
