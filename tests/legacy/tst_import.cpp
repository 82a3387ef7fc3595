// Bringing the old program's rules over: the mapping onto our tables, the
// refusals that leave nothing behind and the start-up offer.
#include "controls/FlexGrid.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "legacy/Import.h"
#include "legacy/MdbFile.h"
#include "shell/FrmCS.h"
#include "shell/Startup.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/RuleStore.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct TableData {
    QString name;
    QStringList columns, rows; // rows as "a|b|c", "<null>" for a null
};

// The tables, with `swap` standing in for the table of its name (dropped
// when it has no columns).
legacy::Source source(const QString &file, const QList<TableData> &tables, const TableData &swap = {})
{
    legacy::Source made(file);
    for (const TableData &given : tables) {
        const TableData &use = given.name == swap.name ? swap : given;
        if (use.columns.isEmpty())
            continue;
        legacy::Table &table = made.addTable(use.name, use.columns);
        for (const QString &row : use.rows) {
            legacy::Row values;
            for (const QString &value : row.split(u'|'))
                values.append(value == QLatin1String("<null>") ? QVariant() : QVariant(value));
            table.rows.append(values);
        }
    }
    return made;
}

// Every rule table of Class.mdb, with the old program's own column names
// where they are free, holding one lab of two parameters and two classes.
// CutPara is read by name: the old file may hold the columns in another order.
legacy::Source classMdb(const TableData &swap = {})
{
    const QStringList classes{"Shape", "Lab", "Serial", "Class"}, labs{"Shape", "Lab", "LabDesc"};
    const QStringList ranges{"Shape", "Lab", "serial", "cPara", "cMin", "cMax", "include", "ClassName", "Field", "Show"};
    return source("Class.mdb",
                  {{"Cut", classes, {"Brilliant|AGL|0|Excellent", "Brilliant|AGL|1|Very Good"}},
                   {"Sym", classes, {}},
                   {"CutLab", labs, {"Brilliant|AGL|American lab"}},
                   {"SymLab", labs, {}},
                   {"CutPara", {"display_name", "Parameters", "ID", "Shape"}, {"Table %|T|1|Brilliant", "Depth %|D|2|Brilliant"}},
                   {"SymPara", {"Shape", "ID", "Parameters", "Display_Name"}, {}},
                   {"CutData", ranges,
                    {"Brilliant|AGL|1|Table %|52|62|-1|Excellent|T|0", "Brilliant|AGL|2|Table %|50|64|-1|Very Good|T|0",
                     "Brilliant|AGL|1|Depth %|59.5|<null>|0|Excellent|D|-1", "Brilliant|AGL|2|Depth %|58|63.0|0|Very Good|D|-1"}},
                   {"SymData", ranges, {}},
                   {"MultiData", {"Shape", "CutInst", "SymInst"}, {}},
                   {"GIRDLE_DESC", {"Shape", "Lab", "ID", "Desc", "B1", "B2", "B3", "B4", "B5", "B6"}, {}},
                   {"GIRDLE_CLASS", {"From", "To", "Class", "Lab", "Shape", "GIRDLECLASS"}, {}}},
                  swap);
}

legacy::Source omzMdb()
{
    return source("OMZ2006.mdb", {{"SYMPARA", {"Parameters", "ID", "Display_Name"}, {"T|1|Table %"}},
                                  {"Class", {"Serial", "Class"}, {"0|Excellent"}},
                                  {"SymData", {"s", "p", "lo", "hi", "inc", "c", "f", "sh"},
                                   {"1|Table %|52|62|-1|Excellent|T|<null>"}}});
}

// cancelAt: the progress step that answers "stop" (0: none).
QString importError(const QString &dir, const legacy::Source &source, bool force = false, int cancelAt = 0)
{
    int steps = 0;
    try {
        legacy::importSources(store::DataDir(dir), source, nullptr, force,
                              [&](const QString &, qint64, qint64) { return ++steps != cancelAt; });
    } catch (const store::Error &error) {
        return error.message();
    }
    return QStringLiteral("(imported)");
}

QStringList filesIn(const QString &path)
{
    return QDir(path).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        testsupport::isolateSettings();
        legacy::setReaderProgram(QStringLiteral(ORVANA_BINARY));
    }

    // One table of Class.mdb replaced by the row's; query on the result.
    void mapping_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("booleans, nulls, texts of limits")
            << "CutData" << QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}
            << QStringList{"B|L|1|P|1.50|<null>|-1|C|F|0", "B|L|2|P||62|1|C|F|-1", "B|L|3|P|x|y|<null>|C|F|true"}
            << "SELECT serial, typeof(serial), quote(cMin), quote(cMax), include, Show FROM CutData"
            << QStringList{"1|integer|'1.50'|NULL|1|0", "2|integer|''|'62'|1|1", "3|integer|'x'|'y'|0|1"};
        QTest::newRow("by name, any order and case")
            << "CutPara" << QStringList{"DISPLAY_NAME", "Spare", "parameters", "id", "SHAPE"}
            << QStringList{"Table %|x|T|2|Oval"} << "SELECT Shape, ID, Parameters, Display_Name FROM CutPara"
            << QStringList{"Oval|2|T|Table %"};
        QTest::newRow("quote and non-ASCII letters")
            << "Cut" << QStringList{"Shape", "Lab", "Serial", "Class"}
            << QStringList{"Brilliant|O'Brien's Lab|0|Größe ✓", "Brilliant|O'Brien's Lab|1.0| "}
            << "SELECT Lab, Serial, quote(Class) FROM Cut" << QStringList{"O'Brien's Lab|0|'Größe ✓'", "O'Brien's Lab|1|' '"};
        QTest::newRow("girdle zone numbers")
            << "GIRDLE_DESC" << QStringList{"S", "L", "I", "D", "1", "2", "3", "4", "5", "6"}
            << QStringList{"Oval|AGL|0|Thin|0.5|1|<null>|2,25|-3|4.0000"}
            << "SELECT ID, Description, BazelMin, typeof(BazelMax), quote(BoneMin), BoneMax, NarrowMin, NarrowMax "
               "FROM GIRDLE_DESC"
            << QStringList{"0|Thin|0.5|real|NULL|2.25|-3|4"};
    }

    void mapping()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QFETCH(QStringList, rows);
        QFETCH(QString, query);
        testsupport::TestDataDir dir;
        const legacy::Source secondary = omzMdb();
        legacy::importSources(store::DataDir(dir.path()), classMdb({table, columns, rows}), &secondary, true);
        QTEST(dir.rows(query), "stored");
        QCOMPARE(dir.rows("SELECT * FROM SymData", "OMZ2006.db"), QStringList{"1|Table %|52|62|1|Excellent|T|0"});
    }

    // Every refusal names the file, the table and what is wrong, and
    // leaves the directory as it was.
    void refusals_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing table") << "GIRDLE_CLASS" << QStringList{} << QStringList{} << 0
                                       << "Class.mdb holds no table GIRDLE_CLASS.";
        QTest::newRow("too few columns") << "SymData" << QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i"}
                                         << QStringList{} << 0 << "In Class.mdb the table SymData has 9 columns; 10 are needed.";
        QTest::newRow("named column missing") << "CutPara" << QStringList{"Shape", "ID", "Parameters", "Name"} << QStringList{}
                                              << 0 << "In Class.mdb the table CutPara has no column Display_Name.";
        QTest::newRow("not a whole number")
            << "Cut" << QStringList{"Shape", "Lab", "Position", "Class"} << QStringList{"B|L|0|Good", "B|L|1.5|Fair"} << 0
            << "In Class.mdb the table Cut, row 2, column Position holds \"1.5\", which is not a whole number.";
        QTest::newRow("cancelled at the third table") << "" << QStringList{} << QStringList{} << 3
                                                      << "The import was cancelled; nothing was written.";
    }

    void refusals()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QFETCH(QStringList, rows);
        QFETCH(int, cancelAt);
        QTemporaryDir dir;
        QTEST(importError(dir.path(), classMdb({table, columns, rows}), false, cancelAt), "message");
        QCOMPARE(filesIn(dir.path()), QStringList());
    }

    void replacesOnlyWhenForced()
    {
        testsupport::TestDataDir dir;
        store::RuleStore(store::openStore("old", store::DataDir(dir.path()), store::StoreKind::Class),
                         store::RuleTables::forType("Cut"))
            .saveClasses({"Oval", "GIA"}, {"Old"});
        store::closeDatabase("old");
        dir.exec("INSERT INTO SymData VALUES (1,'P','1','2',1,'C','F',1)", "OMZ2006.db");
        const QStringList before = filesIn(dir.path());
        QCOMPARE(importError(dir.path(), classMdb()),
                 "Class.db exists already in " + dir.path() + "; nothing was written. Give --force to replace it.");
        QCOMPARE(dir.rows("SELECT Class FROM Cut"), QStringList{"Old"});
        // A journal beside Class.db holds a save that never finished.
        QVERIFY(QFile(dir.file("Class.db-journal")).open(QIODevice::WriteOnly));
        QCOMPARE(importError(dir.path(), classMdb(), true),
                 "Class.db-journal in " + dir.path() + " holds an unfinished save; open the data once with the program "
                 "before replacing Class.db. Nothing was written.");
        QVERIFY(QFile::remove(dir.file("Class.db-journal")));
        QCOMPARE(importError(dir.path(), classMdb(), true), "(imported)");
        QCOMPARE(dir.rows("SELECT Class FROM Cut"), (QStringList{"Excellent", "Very Good"}));
        // The replaced file's history goes on, with what the import changed.
        QCOMPARE(dir.rows("SELECT Kind, Area, Shape, Lab, Changes FROM History ORDER BY Entry"),
                 (QStringList{"save|lab|Oval|GIA|1", "legacy import|lab|Brilliant|AGL|7",
                              "legacy import|parameters|Brilliant||2", "legacy import|lab|Oval|GIA|1"}));
        // No OMZ2006.mdb given: the existing OMZ2006.db stays as it is.
        QCOMPARE(dir.rows("SELECT count(*) FROM SymData", "OMZ2006.db"), QStringList{"1"});
        QCOMPARE(filesIn(dir.path()), before);
    }

    // Class.mdb but no Class.db: start-up offers the import. source:
    // "memory" rows handed over from memory; "nwind" nwind.mdb, cancelled as
    // soon as the progress shows; "loop" nwind.mdb cut where libmdb goes
    // round its pages for ever, read with at most 512 KiB of output.
    void offer_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("message");
        QTest::newRow("imported") << "memory" << "";
        // nwind.mdb holds no rule tables: a read run to its end says so.
        QTest::newRow("cancelled while reading")
            << "nwind" << "Class.mdb was not imported.\n\nThe import was cancelled; nothing was written.";
        QTest::newRow("refused while reading")
            << "loop" << "Class.mdb was not imported.\n\nClass.mdb cannot be read: reading it gave more than 512 kB, "
                         "far more than a rule base holds; the file is probably damaged.";
    }

    void offer()
    {
        QFETCH(QString, source);
        QFETCH(QString, message);
        testsupport::TestDataDir dir;
        QVERIFY(QFile::remove(dir.file("Class.db")) && QFile::remove(dir.file("OMZ2006.db")));
        const auto restore = qScopeGuard([] {
            legacy::installReader({});
            legacy::setReaderLimits({});
        });
        QTimer canceller;
        QFile nwind(QStringLiteral(ORVANA_FIXTURES_DIR "/nwind.mdb")), out(dir.file("Class.mdb"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        if (source == "memory") {
            legacy::installReader([](const QString &path, const legacy::Progress &) {
                return path.endsWith(QLatin1String("OMZ2006.mdb")) ? omzMdb() : classMdb();
            });
        } else if (!nwind.open(QIODevice::ReadOnly)) {
            QSKIP("the Access fixtures are not present");
        } else if (source == "loop") {
            out.write(nwind.read(1500000));
            legacy::setReaderLimits({512 << 10});
        } else {
            out.write(nwind.readAll());
            canceller.callOnTimeout([] {
                for (QWidget *widget : QApplication::topLevelWidgets()) {
                    if (auto *progress = qobject_cast<QProgressDialog *>(widget))
                        progress->cancel();
                }
            });
            canceller.start(1);
        }
        out.close();
        const QStringList before = filesIn(dir.path());
        testsupport::ScriptedPrompt prompt;
        prompt.answers = {true};
        // No progress is left showing behind the message.
        prompt.onInform = [](const QString &) {
            for (QWidget *widget : QApplication::topLevelWidgets())
                QVERIFY(!qobject_cast<QProgressDialog *>(widget) || !widget->isVisible());
        };
        Startup startup({"orvana-class", "--data-dir", dir.path()}, dir.path());
        const std::optional<int> status = startup.run();
        QCOMPARE(prompt.confirmed, QStringList{"The data directory " + dir.path() +
                                               " holds Class.mdb of the old program but no Class.db.\n\n"
                                               "Import Class.mdb and OMZ2006.mdb now?"});
        QCOMPARE(prompt.informed, message.isEmpty() ? QStringList() : QStringList{message.replace("@DIR@", dir.path())});
        if (!message.isEmpty()) {
            QCOMPARE(status, std::optional<int>(1));
            QCOMPARE(filesIn(dir.path()), before);
            return;
        }
        // The round trip: the imported rows as the main window shows them.
        QVERIFY(!status);
        definer::ClassDefiner &definer = *startup.window().definer;
        const controls::FlexGrid &grid = *definer.panel->msf;
        QCOMPARE(grid.rowTexts(2).mid(0, grid.cols()) + grid.rowTexts(3).mid(0, grid.cols()),
                 (QStringList{"Table %", "52", "62", "50", "64", "Depth %", "59.5", "", "58", "63.0"}));
        QCOMPARE(definer.panel->PList->item(0)->checkState(), Qt::Checked);
        QCOMPARE(definer.panel->PList->item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(definer.panel->sList->item(1)->checkState(), Qt::Checked);
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
