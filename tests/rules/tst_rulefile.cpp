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
        const QStringList all(kTables.size(), QStringLiteral("1 = 1"));
        QTest::newRow("demo set") << "demo" << QStringList{} << all;
        QTest::newRow("odd names") << kOddNames << QStringList{} << all;
        const QString lab = QStringLiteral("Lab = 'O''Brien, \"Gem\" Lab'");
        QTest::newRow("one lab") << kOddNames << QStringList{"Brilliant", "Cut", "o'brien, \"gem\" lab"}
                                 << QStringList{lab, "1 = 0", lab, "1 = 0", "1 = 1", "1 = 0", lab, "1 = 0"};
    }
    void roundTrip()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, selection);
        QFETCH(QStringList, kept);
        testsupport::TestDataDir from, to;
        if (rows == QLatin1String("demo") && from.onServer())
            QSKIP("the demo set is made as files here; on the server by the start-up tests");
        if (rows == QLatin1String("demo") && QDir(from.path()).removeRecursively())
            store::createDataDirectory(from.path(), true);
        else
            from.exec(rows);
        const QString file = to.file("rules.csv");
        const commands::ExportRequest request{file, selection.value(0), selection.value(1), selection.value(2)};
        QCOMPARE(commands::exportRules(store::DataDir(from.path()), request), 0);
        QCOMPARE(commands::importRules(store::DataDir(to.path()), file, true), 0);
        for (int i = 0; i < kTables.size(); ++i)
            QCOMPARE(to.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(kTables[i])),
                     from.rows(QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY rowid").arg(kTables[i], kept[i])));
        const QStringList once = ruleRows(to);
        QCOMPARE(commands::importRules(store::DataDir(to.path()), file, true), 0);
        QCOMPARE(ruleRows(to), once);
    }

    // A file that is not a rules file, or a write that fails: nothing changes.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QByteArray header = kHeader.toUtf8() + "\r\n", lab = "lab,Cut,Brilliant,AGL,,,,,,,,,,\r\n";
        QTest::newRow("wrong header") << QByteArray("Shape,Lab\r\n") << "Line 1: the header must read " + kHeader + ".";
        QTest::newRow("class out of order")
            << header + "class,Cut,Brilliant,AGL,,2,Good,,,,,,,\r\n\"class\",Cut,Brilliant,\"A\nGL\",,1,Top,,,,,,,\r\n"
                        "class,Cut,Brilliant,agl,,1,Top,,,,,,,\r\n"
            << "Line 5: class number 1 is out of order; the classes of a lab are numbered upwards.";
        QTest::newRow("write fails") << header + lab + "class,Cut,Brilliant,AGL,,1,Top,,,,,,,\r\n"
                                     << "disk full in the middle";
    }
    void refusals()
    {
        QFETCH(QByteArray, file);
        testsupport::TestDataDir dir;
        dir.exec(kOddNames + "INSERT INTO CutLab VALUES ('Brilliant','AGL','old');\n");
        dir.failInserts("Cut", "", "disk full in the middle");
        const QStringList before = ruleRows(dir);
        const QSqlDatabase db = open(dir, "db");
        QTEST(failure([&] { rules::ImportPlan::read(db, file).apply(db); }), "message");
        QCOMPARE(ruleRows(dir), before);
    }

    // The command line refuses (1) or only shows the plan (2): nothing written.
    void commandsWriteNothing_data()
    {
        QTest::addColumn<QString>("shape"); // exported: a shape without a type is refused
        QTest::addColumn<int>("status");
        QTest::newRow("import, plan only") << "" << 2;
        QTest::newRow("export, shape without type") << "Brilliant" << 1;
    }
    void commandsWriteNothing()
    {
        QFETCH(QString, shape);
        testsupport::TestDataDir from, to;
        from.exec(kOddNames);
        const QString file = to.file("rules.csv");
        int status = commands::exportRules(store::DataDir(from.path()), {file, shape, "", ""});
        if (status == 0)
            status = commands::importRules(store::DataDir(to.path()), file, false);
        QTEST(status, "status");
        QCOMPARE(ruleRows(to), QStringList());
    }

    // File > Export, Import and Back up on the main window.
    void windowFlows_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("effect");
        QTest::newRow("export the shape") << "MnuExport" << "asked Export; informed The rules were exported to @F.; "
                                                            "1 parameter, 1 lab rows";
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
        dir.exec("INSERT INTO CutPara VALUES ('Oval',1,'T','Table');\nINSERT INTO CutLab VALUES ('Oval','IGS',''), ('Brilliant','AGL','');\n"
                 "INSERT INTO Cut VALUES ('Oval','IGS',0,'Top');\n"
                 "INSERT INTO CutData VALUES ('Oval','IGS',1,'Table','1','2',1,'Top','T',0);\n");
        QTemporaryDir out;
        QFile csv(out.filePath("oval.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(kHeader.toUtf8() + "\r\nparameter,Cut,Oval,,,,,1,Table,T,,,,\r\nclass,Cut,Oval,IGS,,1,Ideal,,,,,,,\r\n"
                                     "range,Cut,Oval,IGS,,1,Ideal,,Table,T,3,4,0,1\r\n") > 0);
        csv.close();
        testsupport::ScriptedPrompt prompt;
        testsupport::ScriptedModal modal;
        modal.onOpen = [](QDialog &dialog) {
            if (auto *choice = qobject_cast<rules::FrmExport *>(&dialog))
                choice->OptShape->setChecked(true);
            dialog.accept();
        };
        prompt.files = {item == "MnuBackup" ? out.path() : item == "MnuExport" ? out.filePath("oval") : csv.fileName()};
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
        QTest::addColumn<bool>("full"); // no room on the disk
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("serverMessage"); // the copy is written from the server, not read on disk
        QTest::newRow("done") << false << "(done)" << "(done)";
        QTest::newRow("disk full") << true << "Class.db could not be copied: disk I/O error (@D/Class.db)"
                                   << "Class.db could not be copied: disk I/O error (@T/.@B.partial/Class.db)";
    }
    void backUp()
    {
        QFETCH(bool, full);
        QFETCH(QString, message);
        QFETCH(QString, serverMessage);
        testsupport::TestDataDir dir;
        dir.exec(kOddNames);
        QTemporaryDir target;
        // No room: no file may grow past 8 KiB while the backup runs.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{full ? rlim_t(8192) : old.rlim_cur, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        QString made;
        const QString error = failure([&] {
            made = rules::backUp(store::DataDir(dir.path()), target.path(), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
        });
        setrlimit(RLIMIT_FSIZE, &old);
        const QString name = QStringLiteral("Orvana Class backup 2026-12-07 14-05-09");
        QCOMPARE(error, (dir.onServer() ? serverMessage : message).replace("@D", dir.path()).replace("@T", target.path()).replace("@B", name));
        if (full) {
            QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
            return;
        }
        QCOMPARE(made, target.filePath(name));
        // A backup is a data directory of files, whatever keeps the data.
        testsupport::TestDataDir copy(QStringLiteral("Brilliant~RNDCUTSYM\r\n"), store::Engine::SQLite);
        for (const QString &name : {"Class.db", "OMZ2006.db", "Shapes.txt"})
            QVERIFY(QFile::remove(copy.file(name)) && QFile::copy(QDir(made).filePath(name), copy.file(name)));
        QCOMPARE(ruleRows(copy), ruleRows(dir));
    }
};

QTEST_MAIN(TestRuleFile)
#include "tst_rulefile.moc"
