// Bringing the old program's rules over: the mapping onto our tables, the
// refusals that leave nothing behind, the command and the start-up offer.
#include "LegacyFixture.h"
#include "controls/FlexGrid.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "legacy/Import.h"
#include "legacy/MdbFile.h"
#include "shell/FrmCS.h"
#include "shell/Startup.h"
#include "store/Error.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>

using legacyfixture::addTable;
using legacyfixture::filesIn;

namespace {

// classMdb() with one table replaced (or dropped when columns is empty).
legacy::Source replaced(const legacy::Source &base, const QString &name, const QStringList &columns,
                        const QStringList &rows)
{
    legacy::Source source(base.fileName());
    for (const legacy::Table &table : base.tables()) {
        if (table.name != name)
            source.addTable(table.name, table.columns).rows = table.rows;
    }
    if (!columns.isEmpty())
        addTable(source, name, columns, rows);
    return source;
}

legacy::Source omzMdb()
{
    legacy::Source source(QStringLiteral("OMZ2006.mdb"));
    addTable(source, "SYMPARA", {"Parameters", "ID", "Display_Name"}, {"T|1|Table %"});
    addTable(source, "Class", {"Serial", "Class"}, {"0|Excellent"});
    addTable(source, "SymData", {"s", "p", "lo", "hi", "inc", "c", "f", "sh"}, {"1|Table %|52|62|-1|Excellent|T|<null>"});
    return source;
}

QString importError(const QString &dir, const legacy::Source &source, bool force = false)
{
    try {
        legacy::importSources(store::DataDir(dir), source, nullptr, force);
    } catch (const store::Error &error) {
        return error.message();
    }
    return QStringLiteral("(imported)");
}

// Hands out the rows from memory instead of reading the Access files.
struct MemoryReader {
    explicit MemoryReader(std::function<void()> whileReading = {})
    {
        legacy::installReader([whileReading](const QString &path) {
            if (whileReading)
                whileReading();
            return path.endsWith(QLatin1String("OMZ2006.mdb")) ? omzMdb() : legacyfixture::classMdb();
        });
    }
    ~MemoryReader() { legacy::installReader({}); }
};

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
        QTest::newRow("by position, whatever the names")
            << "CutLab" << QStringList{"Lab", "Shape", "Desc", "Spare"} << QStringList{"Brilliant|AGL|first|extra"}
            << "SELECT Shape, Lab, Description FROM CutLab" << QStringList{"Brilliant|AGL|first"};
        QTest::newRow("by name, any order and case")
            << "CutPara" << QStringList{"DISPLAY_NAME", "Spare", "parameters", "id", "SHAPE"}
            << QStringList{"Table %|x|T|2|Oval"} << "SELECT Shape, ID, Parameters, Display_Name FROM CutPara"
            << QStringList{"Oval|2|T|Table %"};
        QTest::newRow("quote and non-ASCII letters")
            << "Cut" << QStringList{"Shape", "Lab", "Serial", "Class"}
            << QStringList{"Brilliant|O'Brien's Lab|0|Größe ✓", "Brilliant|O'Brien's Lab|1.0| "}
            << "SELECT Lab, Serial, quote(Class) FROM Cut"
            << QStringList{"O'Brien's Lab|0|'Größe ✓'", "O'Brien's Lab|1|' '"};
        QTest::newRow("girdle zone numbers")
            << "GIRDLE_DESC" << QStringList{"S", "L", "I", "D", "1", "2", "3", "4", "5", "6"}
            << QStringList{"Oval|AGL|0|Thin|0.5|1|<null>|2.25|-3|4.0000"}
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
        QVERIFY(QFile::remove(dir.file("Class.db")));
        QVERIFY(QFile::remove(dir.file("OMZ2006.db")));
        const legacy::Source source = replaced(legacyfixture::classMdb(), table, columns, rows);
        const legacy::Source secondary = omzMdb();
        const QList<legacy::TableCount> counts =
            legacy::importSources(store::DataDir(dir.path()), source, &secondary, false);
        QCOMPARE(counts.size(), 14);
        QCOMPARE(counts.last().file + ' ' + counts.last().table, QStringLiteral("OMZ2006.mdb SymData"));
        QCOMPARE(filesIn(dir.path()), (QStringList{"Class.db", "OMZ2006.db", "Reports.db", "Shapes.txt"}));
        QTEST(dir.rows(query), "stored");
        QCOMPARE(dir.rows("SELECT * FROM SymData", "OMZ2006.db"), QStringList{"1|Table %|52|62|1|Excellent|T|0"});
        QCOMPARE(dir.rows("SELECT ID, Display_Name, Parameters FROM SYMPARA", "OMZ2006.db"),
                 QStringList{"1|Table %|T"});
    }

    // Every refusal names the file, the table and what is wrong, and
    // leaves the directory as it was.
    void refusals_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing table") << "GIRDLE_CLASS" << QStringList{} << QStringList{}
                                       << "Class.mdb holds no table GIRDLE_CLASS.";
        QTest::newRow("too few columns")
            << "SymData" << QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i"} << QStringList{}
            << "In Class.mdb the table SymData has 9 columns; 10 are needed.";
        QTest::newRow("named column missing") << "CutPara" << QStringList{"Shape", "ID", "Parameters", "Name"}
                                              << QStringList{} << "In Class.mdb the table CutPara has no column Display_Name.";
        QTest::newRow("not a whole number")
            << "Cut" << QStringList{"Shape", "Lab", "Position", "Class"}
            << QStringList{"B|L|0|Good", "B|L|1.5|Fair"}
            << "In Class.mdb the table Cut, row 2, column Position holds \"1.5\", which is not a whole number.";
        QTest::newRow("not a number") << "GIRDLE_DESC" << QStringList{"S", "L", "I", "D", "1", "2", "3", "4", "5", "6"}
                                      << QStringList{"B|L|0|Thin|0.5|wide|1|1|1|1"}
                                      << "In Class.mdb the table GIRDLE_DESC, row 1, column 2 holds \"wide\", "
                                         "which is not a number.";
    }

    void refusals()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QFETCH(QStringList, rows);
        QTemporaryDir dir;
        QTEST(importError(dir.path(), replaced(legacyfixture::classMdb(), table, columns, rows)), "message");
        QCOMPARE(filesIn(dir.path()), QStringList());
    }

    void replacesOnlyWhenForced()
    {
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO Cut VALUES ('Oval','GIA',0,'Old')");
        dir.exec("INSERT INTO SymData VALUES (1,'P','1','2',1,'C','F',1)", "OMZ2006.db");
        const QStringList before = filesIn(dir.path());
        QCOMPARE(importError(dir.path(), legacyfixture::classMdb()),
                 "Class.db exists already in " + dir.path() + "; nothing was written. Give --force to replace it.");
        QCOMPARE(dir.rows("SELECT Class FROM Cut"), QStringList{"Old"});
        QCOMPARE(importError(dir.path(), legacyfixture::classMdb(), true), "(imported)");
        QCOMPARE(dir.rows("SELECT Class FROM Cut"), (QStringList{"Excellent", "Very Good"}));
        // No OMZ2006.mdb given: the existing OMZ2006.db stays as it is.
        QCOMPARE(dir.rows("SELECT count(*) FROM SymData", "OMZ2006.db"), QStringList{"1"});
        QCOMPARE(filesIn(dir.path()), before);
    }

    void cancelLeavesNothing()
    {
        QTemporaryDir dir;
        QStringList labels;
        const legacy::Source source = legacyfixture::classMdb();
        try {
            legacy::importSources(store::DataDir(dir.path()), source, nullptr, false,
                                  [&labels](const QString &label, qint64, qint64) {
                                      labels.append(label);
                                      return labels.size() < 3;
                                  });
            QFAIL("not cancelled");
        } catch (const legacy::Cancelled &cancelled) {
            QCOMPARE(cancelled.message(), QStringLiteral("The import was cancelled; nothing was written."));
        }
        QCOMPARE(labels, (QStringList{"Importing Cut from Class.mdb", "Importing Sym from Class.mdb",
                                      "Importing CutLab from Class.mdb"}));
        QCOMPARE(filesIn(dir.path()), QStringList());
    }

    // The command on real files that are no rule base: exit status 1, the
    // reason on stderr, nothing written. kind: as in tst_mdbfile.
    void command_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("text file renamed") << "text" << "Class.mdb is not an Access database.";
        QTest::newRow("truncated") << "cut:5000" << "Class.mdb is damaged: its list of tables cannot be read.";
        QTest::newRow("other database") << "cut:0" << "Class.mdb holds no table Cut.";
    }

    void command()
    {
        QFETCH(QString, kind);
        const QString nwind = QStringLiteral(ORVANA_FIXTURES_DIR "/nwind.mdb");
        if (kind != "text" && !QFile::exists(nwind))
            QSKIP("the Access fixtures are not present");
        QTemporaryDir dir;
        QFile out(dir.filePath("Class.mdb"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        if (kind == "text") {
            out.write("Shape,Lab\n");
        } else {
            QFile in(nwind);
            QVERIFY(in.open(QIODevice::ReadOnly));
            const qint64 size = kind.section(u':', 1).toLongLong();
            out.write(size > 0 ? in.read(size) : in.readAll());
        }
        out.close();
        QProcess program;
        program.start(QStringLiteral(ORVANA_BINARY), {"--import-mdb", dir.path()});
        QVERIFY(program.waitForFinished());
        QCOMPARE(program.exitCode(), 1);
        QFETCH(QString, message);
        QCOMPARE(QString::fromUtf8(program.readAllStandardError()), "orvana-class: " + message + "\n");
        QCOMPARE(filesIn(dir.path()), QStringList{"Class.mdb"});
    }

    // Class.mdb but no Class.db: start-up offers the import.
    void offer_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("message");
        QTest::newRow("imported") << true << false << "";
        QTest::newRow("declined") << false << false
                                  << "Orvana Class cannot start.\n\nClass.db was not found in @DIR@.\n\nData directory: "
                                     "@DIR@\n\nA new one can be made with: orvana-class --init-demo <dir>";
        QTest::newRow("cancelled") << true << true
                                   << "Class.mdb was not imported.\n\nThe import was cancelled; nothing was written.";
    }

    void offer()
    {
        QFETCH(bool, answer);
        QFETCH(bool, cancel);
        QFETCH(QString, message);
        testsupport::TestDataDir dir;
        QVERIFY(QFile::remove(dir.file("Class.db")));
        QVERIFY(QFile::remove(dir.file("OMZ2006.db")));
        QFile mdb(dir.file("Class.mdb"));
        QVERIFY(mdb.open(QIODevice::WriteOnly));
        mdb.close();
        const QStringList before = filesIn(dir.path());
        MemoryReader reader([cancel] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *progress = qobject_cast<QProgressDialog *>(widget); progress && cancel)
                    progress->cancel();
            }
        });
        testsupport::ScriptedPrompt prompt;
        prompt.answers = {answer};
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
        QCOMPARE(definer.LabList->currentText(), QStringLiteral("AGL"));
        const controls::FlexGrid &grid = *definer.panel->msf;
        QStringList cells;
        for (int row = 2; row < grid.rows(); ++row) {
            QStringList line;
            for (int col = 0; col < grid.cols(); ++col)
                line.append(grid.textMatrix(row, col));
            cells.append(line.join(u'|'));
        }
        QCOMPARE(cells, (QStringList{"Table %|52|62|50|64", "Depth %|59.5||58|63.0"}));
        QCOMPARE(definer.panel->PList->item(0)->checkState(), Qt::Checked);
        QCOMPARE(definer.panel->PList->item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(definer.panel->sList->item(1)->checkState(), Qt::Checked);
        QStringList after = before + QStringList{"Class.db", "OMZ2006.db"};
        after.sort();
        QCOMPARE(filesIn(dir.path()), after);
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
