// The rule tables: names stored exactly, lookups as the old engine made
// them, and saves that leave the old rule set or the new one, never a mix.
#include "store/Database.h"
#include "store/Error.h"
#include "store/RuleStore.h"
#include "store/Sql.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <optional>

using store::RangeRow;
using store::RuleStore;
using store::RuleTables;

namespace {

const store::Scope kScope{"Brilliant", "AGL"};

QSqlDatabase open(const QString &dir, const QString &connection = QStringLiteral("t"))
{
    return store::openStore(connection, store::DataDir(dir), store::StoreKind::Class);
}

RuleStore cutRules(const QString &dir, const QString &connection = QStringLiteral("t"))
{
    return RuleStore(open(dir, connection), RuleTables::forType(QStringLiteral("Cut")));
}

// Set "a" or "b": 600 rows whose every value names the set.
QVector<RangeRow> ruleSet(const QString &name)
{
    QVector<RangeRow> rows;
    for (int i = 0; i < 600; ++i)
        rows.append({i % 6 + 1, QStringLiteral("P%1").arg(i / 6), name, name, true, name, name, false});
    return rows;
}

} // namespace

class TestRuleStore : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void cleanup()
    {
        store::closeDatabase(QStringLiteral("t"));
        store::closeDatabase(QStringLiteral("other"));
    }

    void namesWithQuotesRoundTrip()
    {
        testsupport::TestDataDir dir;
        const RuleStore rules = cutRules(dir.path());
        const store::Scope scope{"Pear's \"best\"", "O'Brien; DROP TABLE Cut --"};
        rules.saveClasses(scope, {"Very 'Good'", "Fair "});
        const QVector<RangeRow> rows{{1, "Table %", "52", "62", true, "Very 'Good'", "TablePct", false},
                                     {2, "Table %", "", "1e3", true, "Fair ", "TablePct", false}};
        rules.saveRanges(scope, rows);
        QCOMPARE(rules.storedRanges(scope), rows);
        QCOMPARE(dir.rows("SELECT * FROM Cut ORDER BY rowid"), (QStringList{"Pear's \"best\"|O'Brien; DROP TABLE Cut --|0|Very 'Good'",
                                                             "Pear's \"best\"|O'Brien; DROP TABLE Cut --|1|Fair "}));
    }

    // The first stored row wins; case does not matter in names; labs come
    // once each, in name order.
    void lookupsLikeTheOldEngine()
    {
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutData VALUES ('brilliant','agl',1,'TABLE %','52','62',1,'A','T',0);\n"
                 "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','99','99',0,'A','T',1);\n"
                 "INSERT INTO CutData VALUES ('Brilliant','AGL',2,'Table %','50','66',0,'B','T',1);\n"
                 "INSERT INTO CutData VALUES ('Brilliant','Other',3,'Table %','1','2',1,'C','T',1);\n"
                 "INSERT INTO CutLab VALUES ('Brilliant','nordic',''), ('Brilliant','AGL',''), ('Brilliant','agl','again'),"
                 " ('Brilliant','Bern',''), ('Oval','Alpha','');\n");
        const RuleStore rules = cutRules(dir.path());
        const store::RangeLookup lookup = rules.ranges(kScope);
        const store::RangeCell *first = lookup.find("Table %", 1);
        QVERIFY(first);
        QCOMPARE((QVariantList{first->min, first->include, first->show}), (QVariantList{"52", true, false}));
        QVERIFY(lookup.find("table %", 2));
        QVERIFY(!lookup.find("Table %", 3));
        QCOMPARE(rules.labs("BRILLIANT"), (QStringList{"AGL", "Bern", "nordic"}));
    }

    // A save that fails part-way (a full disk) or cannot start (another
    // writer holds the lock) leaves the stored rows as they were.
    void failedSaveKeepsStoredRows_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("sqliteCode");
        QTest::addColumn<QString>("serverCode"); // empty: not made on the server
        QTest::newRow("disk full") << false << "13" << "";
        QTest::newRow("locked") << true << "5" << "55P03";
    }

    void failedSaveKeepsStoredRows()
    {
        QFETCH(bool, locked);
        QFETCH(QString, sqliteCode);
        QFETCH(QString, serverCode);
        testsupport::TestDataDir dir;
        if (dir.onServer() && serverCode.isEmpty())
            QSKIP("a full disk is made with SQLite's page limit");
        dir.exec("INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','52','62',1,'Excellent','T',1);\n");
        QSqlDatabase db = open(dir.path());
        if (!dir.onServer()) {
            const int pages = dir.rows("PRAGMA page_count").value(0).toInt();
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages + 1)));
            QVERIFY(QSqlQuery(db).exec("PRAGMA busy_timeout = 50"));
        }
        // Another workstation in the middle of a save.
        std::optional<store::Transaction> otherSave;
        if (locked)
            otherSave.emplace(open(dir.path(), QStringLiteral("other")));
        try {
            RuleStore(db, RuleTables::forType("Cut")).saveRanges(kScope, ruleSet("a") + ruleSet("b") + ruleSet("a"));
            QFAIL("saved");
        } catch (const store::Error &error) {
            QCOMPARE(error.nativeCode(), dir.onServer() ? serverCode : sqliteCode);
        }
        otherSave.reset();
        QCOMPARE(dir.rows("SELECT * FROM CutData"), QStringList{"Brilliant|AGL|1|Table %|52|62|1|Excellent|T|1"});
        if (!dir.onServer())
            QCOMPARE(dir.rows("PRAGMA integrity_check"), QStringList{"ok"});
    }

    // A child process saves in a loop and is killed at random moments.
    void killedSaveLeavesOneWholeSet()
    {
        testsupport::TestDataDir dir;
        cutRules(dir.path()).saveRanges(kScope, ruleSet(QStringLiteral("a")));
        for (int round = 0; round < 12; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-forever"), dir.path()});
            QVERIFY(child.waitForStarted());
            QThread::msleep(30 + QRandomGenerator::global()->bounded(120));
            child.kill();
            QVERIFY(child.waitForFinished());
            if (!dir.onServer())
                QCOMPARE(dir.rows("PRAGMA integrity_check"), QStringList{"ok"});
            const QStringList sets = dir.rows("SELECT \"cMin\" || \"cMax\" || Class || Parameters, count(*) "
                                              "FROM CutData GROUP BY 1");
            QVERIFY2(sets == QStringList{"aaaa|600"} || sets == QStringList{"bbbb|600"}, qPrintable(sets.join(", ")));
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--save-forever") { // the other workstation
        const RuleStore rules = cutRules(QString::fromLocal8Bit(argv[2]), QStringLiteral("child"));
        for (int i = 0;; ++i)
            rules.saveRanges(kScope, ruleSet(i % 2 ? QStringLiteral("b") : QStringLiteral("a")));
    }
    TestRuleStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rulestore.moc"
