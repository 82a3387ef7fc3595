#include "store/ClassModule.h"
#include "store/Error.h"
#include "store/ReportTables.h"
#include "support/TestSupport.h"

#include <QTest>

class TstReportTables : public QObject {
    Q_OBJECT

private slots:
    void catalogueInNameAndColumnOrder()
    {
        testsupport::TestDataDir dir;
        dir.exec("CREATE TABLE b2 (RID INTEGER, Zeta REAL, Alpha REAL);\n"
                 "CREATE TABLE \"A'1\" (RID INTEGER, \"Odd \"\"name\"\"\" REAL);\n"
                 "CREATE TABLE B10 (Mid REAL);\n"
                 "CREATE INDEX b2rid ON b2 (RID);\n",
                 "Reports.db");
        store::ClassModule module{store::DataDir(dir.path())};
        module.OpenDatabases();
        const store::SqlReportTables reports(module.reportDb());
        QCOMPARE(reports.tables(), (QStringList{"A'1", "B10", "b2"}));
        QCOMPARE(reports.columns("b2"), (QStringList{"RID", "Zeta", "Alpha"}));
        QCOMPARE(reports.columns("A'1"), (QStringList{"RID", "Odd \"name\""}));
        QCOMPARE(reports.columns("missing"), QStringList{});
    }

    void shapeTables_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("selected");
        QTest::newRow("prefix BR, exact case") << "BRCUTSYM" << QStringList{"BR1", "BR2", "BRX"};
        QTest::newRow("six characters: one-letter names") << "CUTSYM" << QStringList{"Z"};
        QTest::newRow("shorter than six") << "BRCUT" << QStringList{};
    }
    void shapeTables()
    {
        QFETCH(QString, code);
        const QStringList tables{"BR", "BR1", "BR10", "BR2", "BRCUTSYM", "BRX", "Z", "br1"};
        QTEST(store::shapeTables(tables, code), "selected");
    }
};

QTEST_MAIN(TstReportTables)
#include "tst_reporttables.moc"
