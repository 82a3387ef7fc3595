#include "definer/ClassDefiner.h"
#include "rules/Backup.h"
#include "rules/FrmExport.h"
#include "rules/RuleSheet.h"
#include "shell/FrmCS.h"
#include "rules/RuleFile.h"
#include "store/ClassModule.h"
#include "shell/RuleCommands.h"
#include "store/DataDir.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/Schema.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QFile>
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
    "INSERT INTO CutLab VALUES ('Brilliant','Empty lab','no classes');\n");

QSqlDatabase open(const testsupport::TestDataDir &dir, const QString &name)
{
    return store::openStore(name, store::DataDir(dir.path()), store::StoreKind::Class);
}

const QString kHeader = rules::ruleFileHeader().join(u',');

// The message of the store::Error the call throws; "(done)" when none.
template <typename Call> QString failure(Call call)
{
    try {
        call();
    } catch (const store::Error &error) {
        return error.message();
    }
    return QStringLiteral("(done)");
}

} // namespace

class TestRuleFile : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void initTestCase() { testsupport::isolateSettings(); }

    // Export, then import into an empty data directory, both from the command
    // line: the same rows; the same file imported again replaces what it added.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("rows"); // "demo" for the demo set
        QTest::addColumn<QStringList>("selection"); // shape, type, lab; empty: everything
        QTest::addColumn<QStringList>("kept"); // per table of kTables: which source rows arrive
        QTest::addColumn<QStringList>("lines"); // lines the file holds
        const QStringList all(kTables.size(), QStringLiteral("1 = 1"));
        QTest::newRow("demo set") << "demo" << QStringList{} << all << QStringList{};
        QTest::newRow("odd names") << kOddNames << QStringList{} << all << QStringList{};
        const QString lab = QStringLiteral("Lab = 'O''Brien, \"Gem\" Lab'");
        QTest::newRow("one lab") << kOddNames << QStringList{"Brilliant", "Cut", "o'brien, \"gem\" lab"}
                                 << QStringList{lab, "1 = 0", lab, "1 = 0", "1 = 1", "1 = 0", lab, "1 = 0"} << QStringList{};
        // Texts a spreadsheet would run as formulas are guarded; numbers are not.
        QTest::newRow("formulas")
            << "INSERT INTO CutPara VALUES ('=Shape',1,'+F','-Name');\n"
               "INSERT INTO CutLab VALUES ('=Shape','@Lab','\ttab'), ('=Shape','''=x','''y');\n"
               "INSERT INTO Cut VALUES ('=Shape','@Lab',0,'\rcr');\n"
               "INSERT INTO CutData VALUES ('=Shape','@Lab',1,'-Name','-1','=1+1',1,'\rcr','+F',0);\n"
            << QStringList{} << all
            << QStringList{"parameter,Cut,'=Shape,,,,,1,'-Name,'+F,,,,", "lab,Cut,'=Shape,'@Lab,'\ttab,,,,,,,,,",
                           "lab,Cut,'=Shape,''=x,'y,,,,,,,,,", "range,Cut,'=Shape,'@Lab,,1,\"'\rcr\",,'-Name,'+F,-1,'=1+1,1,0"};
    }
    void roundTrip()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, selection);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, lines);
        testsupport::TestDataDir from, to;
        if (rows == QLatin1String("demo") && from.onServer())
            QSKIP("the demo set is made as files here; on the server by the start-up tests");
        if (rows == QLatin1String("demo") && QDir(from.path()).removeRecursively())
            store::createDataDirectory(from.path(), true);
        else
            from.exec(rows);
        // A store may hold the parameter table's columns in any order; rows land by name.
        const QString columns = QStringLiteral("Display_Name, Parameters, ID, Shape");
        const QString para = "CREATE TABLE CutPara (" + QString(columns).replace(",", " TEXT COLLATE NOCASE,") + " TEXT);\n";
        to.exec("DROP TABLE CutPara;\n" + (to.onServer() ? store::serverSchemaScript(para) : para));
        const QString file = to.file("rules.csv");
        const commands::ExportRequest request{file, selection.value(0), selection.value(1), selection.value(2)};
        QCOMPARE(commands::exportRules(store::DataDir(from.path()), request), 0);
        QFile written(file);
        const QString text = written.open(QIODevice::ReadOnly) ? QString::fromUtf8(written.readAll()) : QString();
        for (const QString &line : lines)
            QVERIFY2(text.contains("\r\n" + line + "\r\n"), qPrintable(line));
        QCOMPARE(commands::importRules(store::DataDir(to.path()), file, true), 0);
        for (int i = 0; i < kTables.size(); ++i)
            QCOMPARE(to.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(kTables[i])),
                     from.rows(QStringLiteral("SELECT %3 FROM %1 WHERE %2 ORDER BY rowid")
                                   .arg(kTables[i], kept[i], kTables[i] == "CutPara" ? columns : "*")));
        const QStringList once = ruleRows(to);
        QCOMPARE(commands::importRules(store::DataDir(to.path()), file, true), 0);
        QCOMPARE(ruleRows(to), once);
    }

    // A file that is not a rules file, or a write that fails: nothing changes.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("file"); // its bytes, or /dev/zero
        QTest::addColumn<QString>("message");
        const QByteArray header = kHeader.toUtf8() + "\r\n", lab = "lab,Cut,Brilliant,AGL,,,,,,,,,,\r\n";
        QTest::newRow("wrong header") << QByteArray("Shape,Lab\r\n") << "Line 1: the header must read " + kHeader + ".";
        QTest::newRow("not UTF-8") << header + lab + "class,Cut,Brilliant,AGL,,1,\xff,,,,,,,\r\n" << "Line 3: the text is not valid UTF-8.";
        QTest::newRow("field count") << header + "lab,Cut,Brilliant,AGL\r\n" << "Line 2: 4 fields; a rules file has 14.";
        QTest::newRow("unknown record") << header + "labs,Cut,Brilliant,AGL,,,,,,,,,,\r\n"
                                        << "Line 2: unknown record \"labs\"; it must be parameter, lab, class or range.";
        QTest::newRow("unknown type") << header + "lab,cut,Brilliant,AGL,,,,,,,,,,\r\n" << "Line 2: unknown type \"cut\"; it must be Cut or Sym.";
        QTest::newRow("bad tick") << header + lab + "range,Cut,Brilliant,AGL,,1,Top,,Table,T,1,2,yes,0\r\n"
                                  << "Line 3: Include \"yes\" must be 0 or 1.";
        QTest::newRow("bad class number") << header + lab + "class,Cut,Brilliant,AGL,,0,Top,,,,,,,\r\n"
                                          << "Line 3: Class number \"0\" is not a whole number of at least 1.";
        QTest::newRow("unclosed quote") << header + lab + "class,Cut,Brilliant,\"AGL,,1,Top,,,,,,,\r\n" << "Line 3: a quoted field is never closed.";
        QTest::newRow("text after quote") << header + "lab,Cut,\"Brilliant\"x,AGL,,,,,,,,,,\r\n" << "Line 2: text follows a closing quote.";
        QTest::newRow("class out of order")
            << header + "class,Cut,Brilliant,AGL,,2,Good,,,,,,,\r\n\"class\",Cut,Brilliant,\"A\nGL\",,1,Top,,,,,,,\r\n"
                        "class,Cut,Brilliant,agl,,1,Top,,,,,,,\r\n"
            << "Line 5: class number 1 is out of order; the classes of a lab are numbered upwards.";
        QTest::newRow("lab without its lab record")
            << header + lab + "range,Cut,Brilliant,O'Brien,,1,Top,,Table,T,1,2,1,0\r\nclass,Cut,Brilliant,o'brien,,1,Top,,,,,,,\r\n"
            << "Line 3: the lab \"O'Brien\" of Brilliant (Cut) has no lab record; a lab is imported whole, with its lab "
               "record, its classes and its ranges.";
        QTest::newRow("endless") << QByteArray("/dev/zero") << "The file is larger than 16 MB, the most a rules file may hold.";
        QTest::newRow("write fails") << header + lab + "class,Cut,Brilliant,AGL,,1,Top,,,,,,,\r\n" << "disk full in the middle";
    }
    void refusals()
    {
        QFETCH(QByteArray, file);
        testsupport::TestDataDir dir;
        dir.exec(kOddNames + "INSERT INTO CutLab VALUES ('Brilliant','AGL','old');\n");
        dir.failInserts("Cut", "", "disk full in the middle");
        const QStringList before = ruleRows(dir);
        QFile csv(dir.file("rules.csv"));
        QVERIFY(file == "/dev/zero" || (csv.open(QIODevice::WriteOnly) && csv.write(file) == file.size()));
        csv.close();
        const QSqlDatabase db = open(dir, "db");
        QTEST(failure([&] { rules::ImportPlan::read(db, file == "/dev/zero" ? QString(file) : csv.fileName()).apply(db); }), "message");
        QCOMPARE(ruleRows(dir), before);
    }

    // The program refuses (1) or only shows the plan (2), and says so: nothing written.
    void commandsWriteNothing_data()
    {
        QTest::addColumn<QString>("arguments"); // @F: a rules file of a lab of `from`; @T: an empty folder
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("import, plan only")
            << "--data-dir @TO --import @F" << 2
            << "Labs added: 1. Labs replaced: 0.\nCut, Brilliant: parameter list added (2 parameters)\nCut, Brilliant, Empty lab: "
               "added (0 classes, 0 ranges)\nNothing was written; add --yes to import.\n";
        QTest::newRow("export, shape without type")
            << "--data-dir @FROM --export @T/x.csv --shape Brilliant" << 1
            << "orvana-class: --shape and --type go together (and --lab needs both).\n";
        QTest::newRow("export, unknown shape") << "--data-dir @FROM --export @T/x.csv --shape Typo --type Cut" << 1
                                               << "orvana-class: There are no rules of Typo (Cut); nothing was exported.\n";
        QTest::newRow("export, unknown lab")
            << "--data-dir @FROM --export @T/x.csv --shape Brilliant --type Cut --lab Nobody" << 1
            << "orvana-class: There is no lab \"Nobody\" of Brilliant (Cut); nothing was exported.\n";
        QTest::newRow("backup fails") << "--data-dir @FROM --backup @T/none" << 1
                                      << "orvana-class: The backup folder @T/none does not exist.\n";
    }
    void commandsWriteNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, said);
        testsupport::TestDataDir from, to;
        from.exec(kOddNames);
        QTemporaryDir target;
        const QString file = from.file("rules.csv");
        QCOMPARE(commands::exportRules(store::DataDir(from.path()), {file, "Brilliant", "Cut", "Empty lab"}), 0);
        auto paths = [&](QString text) {
            return text.replace("@FROM", from.path()).replace("@TO", to.path()).replace("@F", file).replace("@T", target.path());
        };
        const auto [status, printed] = testsupport::runProgram(paths(arguments).split(' '));
        QTEST(status, "status");
        QCOMPARE(printed, paths(said));
        QCOMPARE(ruleRows(to), QStringList());
        QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // File > Export, Import and Back up on the main window.
    void windowFlows_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("chosen"); // in the file dialog
        QTest::addColumn<QString>("effect");
        QTest::newRow("export the shape") << "MnuExport" << "@O/oval" << "asked Export; informed The rules were exported to @F.; "
                                                                        "1 parameter, 1 lab rows";
        QTest::newRow("import") << "MnuImport" << "@F" << "asked Import; asked Labs added: 0. Labs replaced: 1.\nCut, Oval: parameter "
                                                          "list replaced (1 parameters)\nCut, Oval, IGS: replaced (1 classes, 1 ranges)"
                                                          "\n\nImport these rules?; informed The rules were imported.; IGS holds 1|Ideal";
        QTest::newRow("import endless") << "MnuImport" << "/dev/zero"
                                        << "asked Import; informed The file is larger than 16 MB, the most a rules file may hold.; IGS holds 1|Top";
        QTest::newRow("backup") << "MnuBackup" << "@O" << "asked Back up into; informed The rules were backed up to @B.\n\n"
                                                          "To restore them, close Orvana Class and copy Class.db, OMZ2006.db and "
                                                          "Shapes.txt from there into the data directory @D.";
    }
    void windowFlows()
    {
        QFETCH(QString, item);
        QFETCH(QString, chosen);
        QFETCH(QString, effect);
        testsupport::TestDataDir dir(QStringLiteral("Oval~OVLCUTSYM\r\n"));
        dir.exec("INSERT INTO CutPara VALUES ('Oval',1,'T','Table');\nINSERT INTO CutLab VALUES ('Oval','IGS',''), ('Brilliant','AGL','');\n"
                 "INSERT INTO Cut VALUES ('Oval','IGS',0,'Top');\n"
                 "INSERT INTO CutData VALUES ('Oval','IGS',1,'Table','1','2',1,'Top','T',0);\n");
        QTemporaryDir out;
        QFile csv(out.filePath("oval.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(kHeader.toUtf8() + "\r\nparameter,Cut,Oval,,,,,1,Table,T,,,,\r\nlab,Cut,Oval,IGS,,,,,,,,,,\r\n"
                                     "class,Cut,Oval,IGS,,1,Ideal,,,,,,,\r\nrange,Cut,Oval,IGS,,1,Ideal,,Table,T,3,4,0,1\r\n") > 0);
        csv.close();
        testsupport::ScriptedPrompt prompt;
        testsupport::ScriptedModal modal;
        modal.onOpen = [](QDialog &dialog) {
            if (auto *choice = qobject_cast<rules::FrmExport *>(&dialog))
                choice->OptShape->setChecked(true);
            dialog.accept();
        };
        prompt.files = {chosen.replace("@F", csv.fileName()).replace("@O", out.path())};
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        window.findChild<QAction *>(item)->trigger();
        QStringList seen{"asked " + prompt.confirmed.join("; asked "), "informed " + prompt.informed.join("; informed ")};
        if (item == "MnuExport" && csv.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(csv.readAll());
            seen << QStringLiteral("%1 parameter, %2 lab rows").arg(text.count("\nparameter,")).arg(text.count("\nlab,"));
        }
        if (item == "MnuImport")
            seen << "IGS holds " + dir.rows("SELECT Serial + 1, Class FROM Cut WHERE Lab = 'IGS'").join(",");
        const QString backup = QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
        QCOMPARE(seen.join("; "),
                 QString(effect).replace("@F", csv.fileName()).replace("@B", out.filePath(backup)).replace("@D", dir.path()));
    }

    // File > Print: the sheet printed to PDF reads back with its heading and its table.
    void printedSheet()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        testsupport::TestDataDir dir;
        dir.exec(kOddNames);
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        window.definer->LabList->setCurrentIndex(1);
        window.definer->LabList_Click();
        QTemporaryDir out;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(out.filePath("sheet.pdf"));
        rules::printRuleSheet(window.ruleSheet(), printer);
        QProcess text;
        text.start("pdftotext", {"-layout", out.filePath("sheet.pdf"), "-"});
        QVERIFY(text.waitForFinished(20000));
        const QString sheet = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY2(sheet.startsWith("Cut rules of O'Brien, \"Gem\" Lab for Brilliant Shape: Brilliant Type: Cut Lab: "
                                  "O'Brien, \"Gem\" Lab Description: Zürich branch "), qPrintable(sheet));
        QVERIFY2(sheet.contains(" Table \"%\" \u2713 52 62 "), qPrintable(sheet));
    }

    void backUp_data()
    {
        QTest::addColumn<QString>("fault"); // "full": no room on the disk; "no shapes": Shapes.txt is missing
        QTest::addColumn<QStringList>("others"); // folders of other backups, finished or under way
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("serverMessage"); // the copy is written from the server, not read on disk
        QTest::addColumn<QString>("made");
        QTest::newRow("done") << "" << QStringList{} << "(done)" << "(done)" << "@B";
        QTest::newRow("name taken") << "" << QStringList{"@B", ".@B (2).partial"} << "(done)" << "(done)" << "@B (3)";
        QTest::newRow("disk full") << "full" << QStringList{".@B.partial"} << "Class.db could not be copied: disk I/O error (@D/Class.db)"
                                   << "Class.db could not be copied: disk I/O error (@T/.@B (2).partial/Class.db)" << "";
        const QString noShapes = QStringLiteral("Shapes.txt could not be copied: Cannot open @D/Shapes.txt for input");
        QTest::newRow("no Shapes.txt") << "no shapes" << QStringList{} << noShapes << noShapes << "";
    }
    void backUp()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, others);
        QFETCH(QString, message);
        QFETCH(QString, serverMessage);
        QFETCH(QString, made);
        testsupport::TestDataDir dir;
        dir.exec(kOddNames);
        QTemporaryDir target;
        const QString name = QStringLiteral("Orvana Class backup 2026-12-07 14-05-09");
        auto paths = [&](QString text) { return text.replace("@D", dir.path()).replace("@T", target.path()).replace("@B", name); };
        for (QString &other : others)
            QVERIFY(QDir(target.path()).mkdir(other = paths(other)));
        QVERIFY(fault != "no shapes" || QFile::remove(dir.file("Shapes.txt")));
        // No room: no file may grow past 8 KiB while the backup runs.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fault == "full" ? rlim_t(8192) : old.rlim_cur, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        QString folder;
        const QString error = failure([&] {
            folder = rules::backUp(store::DataDir(dir.path()), target.path(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
        });
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(error, paths(dir.onServer() ? serverMessage : message));
        // What other backups made is left alone; a failure leaves nothing of its own.
        QStringList after = others + (made.isEmpty() ? QStringList() : QStringList{paths(made)});
        after.sort();
        QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name), after);
        if (made.isEmpty())
            return;
        QCOMPARE(folder, target.filePath(paths(made)));
        // A backup is a data directory of files, whatever keeps the data.
        testsupport::TestDataDir copy(QStringLiteral("Brilliant~RNDCUTSYM\r\n"), store::Engine::SQLite);
        for (const QString &file : {"Class.db", "OMZ2006.db", "Shapes.txt"})
            QVERIFY(QFile::remove(copy.file(file)) && QFile::copy(QDir(folder).filePath(file), copy.file(file)));
        QCOMPARE(ruleRows(copy), ruleRows(dir));
    }
};

QTEST_MAIN(TestRuleFile)
#include "tst_rulefile.moc"
