#include "definer/ClassDefiner.h"
#include "rules/Backup.h"
#include "rules/FrmExport.h"
#include "rules/RuleSheet.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "rules/RuleFile.h"
#include "shell/RuleCommands.h"
#include "store/DataDir.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/Schema.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

const QStringList kTables = {"Cut", "Sym", "CutLab", "SymLab", "CutPara", "SymPara", "CutData", "SymData"};

// Every row of the rule tables, table by table, in a stable order.
QStringList ruleRows(const testsupport::TestDataDir &dir)
{
    QStringList all;
    for (const QString &table : kTables)
        for (const QString &row : dir.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table)))
            all << table + u':' + row;
    std::sort(all.begin(), all.end());
    return all;
}

// Rows whose names hold what CSV and SQL must carry exactly.
const QString kOddNames = QStringLiteral(
    "INSERT INTO CutPara VALUES ('Brilliant',1,'T,1','Table \"%\"');\n"
    "INSERT INTO CutPara VALUES ('Brilliant',2,'Crown','Crown\nAngle');\n"
    "INSERT INTO CutLab VALUES ('Brilliant','O''Brien, \"Gem\" Lab','Zürich\r\nbranch');\n"
    "INSERT INTO Cut VALUES ('Brilliant','O''Brien, \"Gem\" Lab',0,'Très bon');\n"
    "INSERT INTO Cut VALUES ('Brilliant','O''Brien, \"Gem\" Lab',1,'Good, \"ish\"');\n"
    "INSERT INTO CutData VALUES ('Brilliant','O''Brien, \"Gem\" Lab',1,'Table \"%\"','52','62',1,'Très bon','T,1',0);\n"
    "INSERT INTO CutData VALUES ('Brilliant','O''Brien, \"Gem\" Lab',2,'Crown\nAngle','','40.5',0,'Good, \"ish\"','Crown',1);\n"
    "INSERT INTO CutLab VALUES ('Brilliant','Empty lab','no classes');\n"
    "INSERT INTO SymPara VALUES ('Oval',1,'OOR','Out of round');\n");

QSqlDatabase open(const testsupport::TestDataDir &dir, const QString &name)
{
    return store::openDatabase(name, dir.file("Class.db"));
}

} // namespace

class TestRuleFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::isolateSettings(); }

    // Export, then import into an empty data directory: the same rows.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("rows"); // "demo" for the demo set
        QTest::addColumn<QStringList>("selection"); // type, shape, lab; empty: everything
        QTest::addColumn<QStringList>("kept"); // per table of kTables: which source rows arrive
        const QStringList all(kTables.size(), QStringLiteral("1"));
        QTest::newRow("demo set") << "demo" << QStringList{} << all;
        QTest::newRow("odd names") << kOddNames << QStringList{} << all;
        const QString lab = QStringLiteral("Lab = 'O''Brien, \"Gem\" Lab'");
        QTest::newRow("one lab") << kOddNames << QStringList{"Cut", "Brilliant", "o'brien, \"gem\" lab"}
                                 << QStringList{lab, "0", lab, "0", "1", "0", lab, "0"};
    }
    void roundTrip()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, selection);
        QFETCH(QStringList, kept);
        testsupport::TestDataDir from;
        if (rows == QLatin1String("demo")) {
            QDir(from.path()).removeRecursively();
            store::createDataDirectory(from.path(), true);
        } else {
            from.exec(rows);
        }
        testsupport::TestDataDir to;
        rules::Selection chosen;
        if (!selection.isEmpty())
            chosen = {rules::Selection::Lab, selection[0], selection[1], selection[2]};
        const QSqlDatabase source = open(from, "from");
        const QSqlDatabase target = open(to, "to");
        const QByteArray csv = rules::exportRules(source, chosen);
        QVERIFY(csv.startsWith("\xEF\xBB\xBFRecord,Type,Shape,Lab,Description,Class number,Class,Position,Parameter,"
                               "Field,Min,Max,Include,Show\r\n"));
        rules::ImportPlan::read(target, csv).apply(target);
        for (int i = 0; i < kTables.size(); ++i)
            QCOMPARE(to.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(kTables[i])),
                     from.rows(QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY rowid").arg(kTables[i], kept[i])));
        // Imported again, the same file replaces what it added, row for row.
        const QStringList once = ruleRows(to);
        const rules::ImportPlan again = rules::ImportPlan::read(target, csv);
        QVERIFY(again.summary().first().startsWith("Labs added: 0. Labs replaced: "));
        again.apply(target);
        QCOMPARE(ruleRows(to), once);
    }

    // A file that is not a rules file, or a write that fails: nothing changes.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QByteArray header = "Record,Type,Shape,Lab,Description,Class number,Class,Position,Parameter,Field,Min,Max,Include,Show\r\n";
        const QByteArray lab = "lab,Cut,Brilliant,AGL,,,,,,,,,,\r\n";
        QTest::newRow("wrong header") << QByteArray("Shape,Lab\r\n")
                                      << "Line 1: the header must read " + rules::ruleFileHeader().join(',') + ".";
        QTest::newRow("short record") << header + lab + "lab,Cut,Brilliant\r\n" << "Line 3: 3 fields; a rules file has 14.";
        QTest::newRow("unknown type") << header + "lab,Clarity,Brilliant,AGL,,,,,,,,,,\r\n"
                                      << "Line 2: unknown type \"Clarity\"; it must be Cut or Sym.";
        QTest::newRow("class out of order")
            << header + "class,Cut,Brilliant,AGL,,2,Good,,,,,,,\r\n\"class\",Cut,Brilliant,\"A\nGL\",,1,Top,,,,,,,\r\n"
                        "class,Cut,Brilliant,agl,,1,Top,,,,,,,\r\n"
            << "Line 5: class number 1 is out of order; the classes of a lab are numbered upwards.";
        QTest::newRow("not UTF-8") << header + lab + "lab,Cut,Brilliant,Z\xE9rich,,,,,,,,,,\r\n"
                                   << "Line 3: the text is not valid UTF-8.";
        QTest::newRow("open quote") << header + lab + "lab,Cut,\"Brilliant,AGL,,,,,,,,,,\r\n"
                                    << "Line 3: a quoted field is never closed.";
        QTest::newRow("tick not 0 or 1") << header + "range,Cut,Brilliant,AGL,,1,Top,,Table,T,1,2,yes,0\r\n"
                                         << "Line 2: Include \"yes\" must be 0 or 1.";
        QTest::newRow("write fails") << header + lab + "class,Cut,Brilliant,AGL,,1,Top,,,,,,,\r\n"
                                     << "disk full in the middle";
    }
    void refusals()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        testsupport::TestDataDir dir;
        dir.exec(kOddNames + "INSERT INTO CutLab VALUES ('Brilliant','AGL','old');\n"
                             "CREATE TRIGGER full BEFORE INSERT ON Cut BEGIN SELECT RAISE(ABORT, 'disk full in the middle'); END;\n");
        const QStringList before = ruleRows(dir);
        const QSqlDatabase db = open(dir, "db");
        try {
            rules::ImportPlan::read(db, file).apply(db);
            QFAIL("imported");
        } catch (const store::Error &error) {
            QCOMPARE(error.message(), message);
        }
        QCOMPARE(ruleRows(dir), before);
    }

    // The command line: 0 done, 1 refused, 2 plan shown and nothing written.
    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stored"); // CutLab rows of the target afterwards
        QTest::newRow("import, plan only") << "import" << 2 << "";
        QTest::newRow("import, yes") << "import --yes" << 0 << "Brilliant|O'Brien, \"Gem\" Lab|Zürich\r\nbranch,Brilliant|Empty lab|no classes";
        QTest::newRow("import, not a rules file") << "import bad" << 1 << "";
        QTest::newRow("export, shape without type") << "export shape" << 1 << "";
    }
    void commands()
    {
        QFETCH(QString, command);
        testsupport::TestDataDir from;
        from.exec(kOddNames);
        testsupport::TestDataDir to;
        const QString file = to.file("rules.csv");
        const bool bad = command.endsWith(QLatin1String("bad"));
        int status = commands::exportRules(store::DataDir(from.path()), {file, command.endsWith("shape") ? "Brilliant" : "", "", ""});
        if (command.startsWith(QLatin1String("import"))) {
            QCOMPARE(status, 0);
            if (bad)
                QVERIFY(QFile(file).open(QIODevice::WriteOnly)); // emptied
            status = commands::importRules(store::DataDir(to.path()), file, command.endsWith("--yes"));
        }
        QTEST(status, "status");
        QTEST(to.rows("SELECT * FROM CutLab ORDER BY rowid").join(','), "stored");
    }

    // File > Print, Export, Import and Back up on the main window.
    void windowFlows_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("effect");
        QTest::newRow("export the shape") << "MnuExport" << "asked Export; informed The rules were exported to @F.; "
                                                            "file holds 1 parameter rows, 1 lab rows";
        QTest::newRow("import") << "MnuImport" << "asked Import; asked Labs added: 0. Labs replaced: 1.\nCut, Oval: parameter "
                                                  "list replaced (1 parameters)\nCut, Oval, IGS: replaced (1 classes, 1 ranges)"
                                                  "\n\nImport these rules?; informed The rules were imported.; IGS holds 1|Ideal";
        QTest::newRow("backup") << "MnuBackup" << "asked Back up into; informed The rules were backed up to @B.\n\n"
                                                  "To restore them, close Orvana Class and copy Class.db, OMZ2006.db and "
                                                  "Shapes.txt from there into the data directory @D.";
    }
    void windowFlows()
    {
        QFETCH(QString, item);
        QFETCH(QString, effect);
        testsupport::TestDataDir dir(QStringLiteral("Oval~OVLCUTSYM\r\n"));
        dir.exec("INSERT INTO CutPara VALUES ('Oval',1,'T','Table');\n"
                 "INSERT INTO CutLab VALUES ('Oval','IGS','');\n"
                 "INSERT INTO Cut VALUES ('Oval','IGS',0,'Top');\n"
                 "INSERT INTO CutData VALUES ('Oval','IGS',1,'Table','1','2',1,'Top','T',0);\n"
                 "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n");
        QTemporaryDir out;
        const QString file = out.filePath("oval.csv");
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Record,Type,Shape,Lab,Description,Class number,Class,Position,Parameter,Field,Min,Max,Include,Show\r\n"
                  "parameter,Cut,Oval,,,,,1,Table,T,,,,\r\nclass,Cut,Oval,IGS,,1,Ideal,,,,,,,\r\n"
                  "range,Cut,Oval,IGS,,1,Ideal,,Table,T,3,4,0,1\r\n");
        csv.close();
        testsupport::ScriptedPrompt prompt;
        testsupport::ScriptedModal modal;
        modal.onOpen = [](QDialog &dialog) {
            if (auto *choice = qobject_cast<rules::FrmExport *>(&dialog)) {
                choice->OptShape->setChecked(true);
                choice->accept();
            }
        };
        prompt.files = {item == "MnuBackup" ? out.path() : item == "MnuExport" ? out.filePath("oval") : file};
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        window.findChild<QAction *>(item)->trigger();

        QStringList seen;
        for (const QString &text : prompt.confirmed)
            seen << "asked " + text;
        for (const QString &text : prompt.informed)
            seen << "informed " + text;
        if (item == "MnuExport") {
            QFile exported(out.filePath("oval.csv"));
            QVERIFY(exported.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(exported.readAll());
            seen << QStringLiteral("file holds %1 parameter rows, %2 lab rows")
                        .arg(text.count("\nparameter,")).arg(text.count("\nlab,"));
        }
        if (item == "MnuImport")
            seen << "IGS holds " + dir.rows("SELECT Serial + 1, Class FROM Cut WHERE Lab = 'IGS'").join(",");
        const QString backup = QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
        QCOMPARE(seen.join("; "), QString(effect).replace("@F", file).replace("@B", out.filePath(backup)).replace("@D", dir.path()));
    }

    // The sheet printed to PDF reads back with its heading and its table.
    void printedSheet()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        testsupport::TestDataDir dir;
        dir.exec(kOddNames + "INSERT INTO CutPara VALUES ('Brilliant',3,'P','Pavilion');\n");
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        QCOMPARE(window.definer->lab(), QStringLiteral("Empty lab"));
        window.definer->LabList->setCurrentIndex(1);
        window.definer->LabList_Click();
        QTemporaryDir out;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out.filePath("sheet.pdf"));
        rules::RuleSheet sheet = window.ruleSheet();
        sheet.date = QDate(2026, 12, 7);
        rules::printRuleSheet(sheet, printer);
        QProcess text;
        text.start("pdftotext", {"-layout", out.filePath("sheet.pdf"), "-"});
        QVERIFY(text.waitForFinished(20000));
        QStringList lines;
        for (const QString &line : QString::fromUtf8(text.readAllStandardOutput()).split('\n'))
            if (!line.simplified().isEmpty())
                lines << line.simplified();
        QCOMPARE(lines.mid(0, 4), (QStringList{"Cut rules of O'Brien, \"Gem\" Lab for Brilliant",
                                              "Shape: Brilliant Type: Cut Lab: O'Brien, \"Gem\" Lab",
                                              "Description: Zürich", "branch"}));
        QVERIFY2(lines.contains("Printed 7 December 2026"), qPrintable(lines.join('|')));
        QVERIFY2(lines.contains("Parameter Include Show Très bon Good, \"ish\""), qPrintable(lines.join('|')));
        QVERIFY2(lines.contains("Min Max Min Max"), qPrintable(lines.join('|')));
        QVERIFY2(lines.contains("Table \"%\" \u2713 52 62"), qPrintable(lines.join('|')));
        QVERIFY2(lines.contains("Pavilion"), qPrintable(lines.join('|')));
    }

    void backUp_data()
    {
        QTest::addColumn<QString>("parent"); // "" = a fresh folder; "file" = a plain file; "full" = no room
        QTest::addColumn<QString>("message");
        QTest::newRow("done") << "" << "";
        QTest::newRow("parent is a file") << "file" << "The backup folder @P does not exist.";
        QTest::newRow("disk full") << "full" << "Class.db could not be copied: disk I/O error (@D/Class.db)";
    }
    void backUp()
    {
        QFETCH(QString, parent);
        QFETCH(QString, message);
        testsupport::TestDataDir dir;
        dir.exec(kOddNames);
        QTemporaryDir target;
        QString into = target.path();
        if (parent == QLatin1String("file")) {
            into = target.filePath("plain");
            QVERIFY(QFile(into).open(QIODevice::WriteOnly));
        }
        const QDateTime when(QDate(2026, 12, 7), QTime(14, 5, 9));
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        if (parent == QLatin1String("full")) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small{8192, old.rlim_max};
            setrlimit(RLIMIT_FSIZE, &small);
        }
        QString made, error;
        try {
            made = rules::backUp(store::DataDir(dir.path()), into, when);
        } catch (const store::Error &e) {
            error = e.message();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(error, QString(message).replace("@P", into).replace("@D", dir.path()));
        if (!message.isEmpty()) {
            QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     parent == QLatin1String("file") ? QStringList{"plain"} : QStringList{});
            return;
        }
        QCOMPARE(made, target.filePath("Orvana Class backup 2026-12-07 14-05-09"));
        QCOMPARE(QDir(made).entryList(QDir::Files), (QStringList{"Class.db", "OMZ2006.db", "Shapes.txt"}));
        testsupport::TestDataDir copy;
        for (const QString &name : {"Class.db", "OMZ2006.db", "Shapes.txt"}) {
            QFile::remove(copy.file(name));
            QVERIFY(QFile::copy(QDir(made).filePath(name), copy.file(name)));
        }
        QCOMPARE(ruleRows(copy), ruleRows(dir));
    }
};

QTEST_MAIN(TestRuleFile)
#include "tst_rulefile.moc"
