#include "store/Database.h"
#include "store/Error.h"
#include "store/RuleStore.h"
#include "support/TestSupport.h"

#include <QSqlQuery>
#include <QTest>

using store::RangeRow;
using store::RuleStore;
using store::RuleTables;

class TestRuleStore : public QObject {
    Q_OBJECT

    QSqlDatabase open(const testsupport::TestDataDir &dir)
    {
        return store::openDatabase(QStringLiteral("t"), dir.file("Class.db"));
    }

private slots:
    void cleanup() { store::closeDatabase(QStringLiteral("t")); }

    void namesWithQuotesRoundTrip_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("cut") << "Cut";
        QTest::newRow("sym") << "Sym";
    }

    void namesWithQuotesRoundTrip()
    {
        QFETCH(QString, type);
        testsupport::TestDataDir dir;
        const RuleStore rules(open(dir), RuleTables::forType(type));
        const store::Scope scope{"Pear's \"best\"", "O'Brien; DROP TABLE Cut --"};
        rules.saveClasses(scope, {"Very 'Good'", "Fair "});
        const QVector<RangeRow> rows{{1, "Table %", "52", "62", true, "Very 'Good'", "TablePct", false},
                                     {2, "Table %", "", "1e3", true, "Fair ", "TablePct", false}};
        rules.saveRanges(scope, rows);
        QCOMPARE(rules.classes(scope), (QStringList{"Very 'Good'", "Fair "}));
        QCOMPARE(rules.storedRanges(scope), rows);
        QCOMPARE(dir.rows(QStringLiteral("SELECT * FROM %1").arg(type)),
                 (QStringList{"Pear's \"best\"|O'Brien; DROP TABLE Cut --|0|Very 'Good'",
                              "Pear's \"best\"|O'Brien; DROP TABLE Cut --|1|Fair "}));
    }

    void rangesMatchLikeTheOldEngine()
    {
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutData VALUES ('brilliant','agl',1,'TABLE %','52','62',1,'A','T',0);\n"
                 "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','99','99',0,'A','T',1);\n"
                 "INSERT INTO CutData VALUES ('Brilliant','AGL',2,'Table %','50','66',0,'B','T',1);\n"
                 "INSERT INTO CutData VALUES ('Brilliant','Other',3,'Table %','1','2',1,'C','T',1);\n");
        const RuleStore rules(open(dir), RuleTables::forType("Cut"));
        const store::RangeLookup lookup = rules.ranges({"Brilliant", "AGL"});
        QCOMPARE(lookup.size(), 2);
        const store::RangeCell *first = lookup.find("Table %", 1);
        QVERIFY(first);
        // The first stored row wins; case does not matter in names.
        QCOMPARE(first->min, QStringLiteral("52"));
        QCOMPARE(first->include, true);
        QCOMPARE(first->show, false);
        QVERIFY(lookup.find("table %", 2));
        QVERIFY(!lookup.find("Table %", 3));
    }

    void labsDistinctInNameOrder()
    {
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutLab VALUES ('Brilliant','nordic','');\n"
                 "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
                 "INSERT INTO CutLab VALUES ('Brilliant','agl','again');\n"
                 "INSERT INTO CutLab VALUES ('Brilliant','Bern','');\n"
                 "INSERT INTO CutLab VALUES ('Oval','Alpha','');\n");
        const RuleStore rules(open(dir), RuleTables::forType("Cut"));
        QCOMPARE(rules.labs("BRILLIANT"), (QStringList{"AGL", "Bern", "nordic"}));
    }

    void fullDiskRollsBack()
    {
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','52','62',1,'Excellent','T',1);\n");
        QSqlDatabase db = open(dir);
        QSqlQuery pages(db);
        QVERIFY(pages.exec("PRAGMA page_count") && pages.next());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages.value(0).toInt() + 1)));
        QVector<RangeRow> many;
        for (int i = 0; i < 2000; ++i)
            many.append({i % 50 + 1, QStringLiteral("Parameter %1").arg(i), "1.25", "2.5", true, "Class", "Field", true});
        try {
            RuleStore(db, RuleTables::forType("Cut")).saveRanges({"Brilliant", "AGL"}, many);
            QFAIL("saved onto a full disk");
        } catch (const store::Error &error) {
            QCOMPARE(error.nativeCode(), QStringLiteral("13"));
        }
        QCOMPARE(dir.rows("SELECT * FROM CutData"), QStringList{"Brilliant|AGL|1|Table %|52|62|1|Excellent|T|1"});
        QCOMPARE(dir.rows("PRAGMA integrity_check"), QStringList{"ok"});
    }

    void lockedDatabaseRefusesBeforeDeleting()
    {
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
        {
            QSqlDatabase db = store::openDatabase(QStringLiteral("t"), dir.file("Class.db"));
            QSqlDatabase other = store::openDatabase(QStringLiteral("other"), dir.file("Class.db"));
            QVERIFY(QSqlQuery(other).exec("BEGIN EXCLUSIVE"));
            QSqlQuery(db).exec("PRAGMA busy_timeout = 50");
            try {
                RuleStore(db, RuleTables::forType("Cut")).saveClasses({"Brilliant", "AGL"}, {});
                QFAIL("saved through a lock");
            } catch (const store::Error &error) {
                QCOMPARE(error.nativeCode(), QStringLiteral("5"));
            }
            QSqlQuery(other).exec("ROLLBACK");
        }
        store::closeDatabase(QStringLiteral("other"));
        QCOMPARE(dir.rows("SELECT * FROM Cut"), QStringList{"Brilliant|AGL|0|Excellent"});
    }
};

QTEST_GUILESS_MAIN(TestRuleStore)
#include "tst_rulestore.moc"
