// What counts as a change of stored rows, and that a save leaves the window
// with the fingerprint a fresh read gives (the windows' tests cover the
// questions and answers of every save).
#include "store/Database.h"
#include "store/Fingerprint.h"
#include "store/GirdleStore.h"
#include "store/RuleStore.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QTest>

using store::Fingerprint;

static const store::Scope kScope{"Brilliant", "AGL"};

class TestFingerprint : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void cleanup() { store::closeDatabase(QStringLiteral("window")); }

    void notices_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("changed");
        // The server tells a row rewritten by its version, not its values:
        // a needless question there, never a lost change.
        QTest::addColumn<bool>("changedOnServer");
        QTest::newRow("NULL to empty text") << "UPDATE CutData SET \"cMax\" = '' WHERE \"cMax\" IS NULL" << true << true;
        QTest::newRow("letter case of the lab") << "UPDATE CutData SET Lab = 'agl' WHERE Lab = 'AGL'" << true << true;
        QTest::newRow("trailing blank") << "UPDATE CutData SET Class = 'Good ' WHERE Class = 'Good'" << true << true;
        QTest::newRow("a row added") << "INSERT INTO CutData VALUES ('Brilliant','AGL',3,'T','1','2',0,'F','T',0)" << true << true;
        QTest::newRow("a row moved") << "INSERT INTO CutData SELECT * FROM CutData WHERE serial = 1;\n"
                                        "DELETE FROM CutData WHERE rowid = (SELECT min(rowid) FROM CutData)"
                                     << true << true;
        QTest::newRow("same value written again") << "UPDATE CutData SET \"cMin\" = '52' WHERE \"cMin\" = '52'" << false << true;
        QTest::newRow("another lab") << "INSERT INTO CutData VALUES ('Oval','AGL',1,'T','1','2',0,'F','T',0)" << false << false;
    }

    void notices()
    {
        QFETCH(QString, change);
        QFETCH(bool, changed);
        testsupport::TestDataDir dir;
        QFETCH(bool, changedOnServer);
        dir.exec("INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','52',NULL,0,'Excellent','TablePct',1), "
                 "('Brilliant','AGL',2,'Table %','50','66',0,'Good','TablePct',1);\n");
        const QSqlDatabase db = store::openStore(QStringLiteral("window"), store::DataDir(dir.path()), store::StoreKind::Class);
        const store::RuleStore rules(db, store::RuleTables::forType("Cut"));
        Fingerprint seen;
        rules.ranges(kScope, &seen);
        QVERIFY(!seen.matchesAnything());
        QCOMPARE(seen, store::fingerprintOf(db, {rules.rangeRows(kScope)})); // loading and checking agree
        dir.exec(change);
        QCOMPARE(!seen.matches(store::fingerprintOf(db, {rules.rangeRows(kScope)})), dir.onServer() ? changedOnServer : changed);
    }

    // The digest of Shapes.txt: XXH3-128 of the bytes framed by their tag
    // ('B'), length and the closing row count ('#', 0), across the
    // builder's 16 KiB blocks too.
    void digest_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("digest");
        const QByteArray line = "Brilliant~RNDCUTSYM\r\n";
        QTest::newRow("empty") << QByteArray() << QByteArray("f3e33ed491739a9eaf7c2f541e3cb8fe");
        QTest::newRow("one line") << line << QByteArray("d5b18a983ff0efcbd84ed490d2e5125d");
        QTest::newRow("three blocks") << line.repeated(2000).left(40000) << QByteArray("669c79d7e8bd74fa9c98b9ed33f90d36");
    }

    void digest()
    {
        QFETCH(QByteArray, bytes);
        QTEST(Fingerprint::ofBytes(bytes).digest().toHex(), "digest");
    }

    // After a save the window holds what a fresh read returns, though the
    // range save hashes what it binds and a REAL column turns "1.50" into
    // 1.5; and a save given no fingerprint (command line, import) never
    // compares.
    void savedAsStored_data()
    {
        QTest::addColumn<bool>("ranges");
        QTest::newRow("ranges") << true;
        QTest::newRow("girdle descriptions") << false;
    }

    void savedAsStored()
    {
        QFETCH(bool, ranges);
        testsupport::TestDataDir dir;
        const QSqlDatabase db = store::openStore(QStringLiteral("window"), store::DataDir(dir.path()), store::StoreKind::Class);
        const store::RuleStore rules(db, store::RuleTables::forType("Cut"));
        const store::GirdleStore girdle(db);
        auto save = [&](Fingerprint *seen) {
            if (ranges)
                rules.saveRanges(kScope, {{1, "Table %", "1.50", "", true, "Excellent", "TablePct", false}}, seen);
            else
                girdle.saveDescriptions(kScope, {{0, "Thin", {"1.50", 2, 3, 4, 5, 6}}}, seen);
        };
        Fingerprint seen;
        QVERIFY_THROWS_NO_EXCEPTION(save(&seen));
        Fingerprint fresh;
        ranges ? void(rules.ranges(kScope, &fresh)) : void(girdle.descriptions(kScope, &fresh));
        QCOMPARE(seen, fresh);
        dir.exec(ranges ? "UPDATE CutData SET \"cMax\" = '2'" : "UPDATE GIRDLE_DESC SET BoneMin = 9");
        QVERIFY_THROWS_EXCEPTION(store::Conflict, save(&seen));
        QVERIFY_THROWS_NO_EXCEPTION(save(nullptr));
    }
};

QTEST_MAIN(TestFingerprint)
#include "tst_fingerprint.moc"
