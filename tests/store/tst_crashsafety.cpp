// A save killed at any moment leaves the old rule set or the new one, never
// a mix: a child process saves in a loop and is killed at random moments.
#include "store/Database.h"
#include "store/RuleStore.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

namespace {

const store::Scope kScope{"Brilliant", "AGL"};

// Set "a" or "b": 600 rows whose every value names the set.
QVector<store::RangeRow> ruleSet(const QString &name)
{
    QVector<store::RangeRow> rows;
    for (int i = 0; i < 600; ++i)
        rows.append({i % 6 + 1, QStringLiteral("P%1").arg(i / 6), name, name, true, name, name, false});
    return rows;
}

[[noreturn]] void saveForever(const QString &path)
{
    const store::RuleStore rules(store::openDatabase(QStringLiteral("child"), path),
                                 store::RuleTables::forType(QStringLiteral("Cut")));
    for (int i = 0;; ++i)
        rules.saveRanges(kScope, ruleSet(i % 2 ? QStringLiteral("b") : QStringLiteral("a")));
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void killedSaveLeavesOneWholeSet()
    {
        testsupport::TestDataDir dir;
        const QString path = dir.file("Class.db");
        {
            const store::RuleStore rules(store::openDatabase(QStringLiteral("t"), path),
                                         store::RuleTables::forType(QStringLiteral("Cut")));
            rules.saveRanges(kScope, ruleSet(QStringLiteral("a")));
        }
        store::closeDatabase(QStringLiteral("t"));
        for (int round = 0; round < 12; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-forever"), path});
            QVERIFY(child.waitForStarted());
            QThread::msleep(30 + QRandomGenerator::global()->bounded(120));
            child.kill();
            QVERIFY(child.waitForFinished());
            QCOMPARE(dir.rows("PRAGMA integrity_check"), QStringList{"ok"});
            const QStringList sets = dir.rows("SELECT DISTINCT cMin || cMax || Class || Parameters, count(*) "
                                              "FROM CutData GROUP BY 1");
            QVERIFY2(sets == QStringList{"aaaa|600"} || sets == QStringList{"bbbb|600"}, qPrintable(sets.join(", ")));
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--save-forever")
        saveForever(QString::fromLocal8Bit(argv[2]));
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
