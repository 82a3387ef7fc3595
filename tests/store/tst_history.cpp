// The history of saves: every version of a lab restorable exactly, nothing
// recorded by a save that does not happen, changes made outside the program
// told, each kind of save recorded, old entries pruned without losing a
// later version, and the command line over it.
#include "rules/RuleFile.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/GirdleStore.h"
#include "store/History.h"
#include "store/InstitutePairs.h"
#include "store/LabStore.h"
#include "store/ParameterStore.h"
#include "store/ShapeFile.h"
#include "store/WholeFile.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <pwd.h>
#include <unistd.h>

using store::HistoryAuthor;
using store::RangeRow;
using store::RuleStore;

namespace {

const store::Scope kAgl{"Brilliant", "AGL"};
const store::RuleTables kCut = store::RuleTables::forType("Cut");

QSqlDatabase open(const testsupport::TestDataDir &dir, const QString &connection = QStringLiteral("t"),
                  store::StoreKind kind = store::StoreKind::Class)
{
    return store::openStore(connection, store::DataDir(dir.path()), kind);
}

QStringList storedAgl(const testsupport::TestDataDir &dir)
{
    return dir.rows("SELECT * FROM CutLab WHERE Lab = 'AGL' ORDER BY rowid")
        + dir.rows("SELECT * FROM Cut WHERE Lab = 'AGL' ORDER BY rowid")
        + dir.rows("SELECT * FROM CutData WHERE Lab = 'AGL' ORDER BY rowid");
}

// "kind|rules|changes" of the entries, newest first.
QStringList entries(const QSqlDatabase &db, const store::HistoryFilter &filter = {})
{
    QStringList texts;
    for (const store::HistoryEntry &e : store::historyEntries(db, filter))
        texts.append(QStringLiteral("%1|%2|%3").arg(e.kind, e.scope.describe()).arg(e.changes));
    return texts;
}

store::HistoryFilter aglOnly()
{
    store::HistoryFilter filter;
    filter.scope = store::HistoryScope::ofLab(kCut, kAgl);
    return filter;
}

// A lab as the definer edits it: classes, parameter rows, two limits per
// class, ticks per parameter.
struct Lab {
    QStringList classes{"Excellent", "Good"};
    QStringList parameters{"Table %", "Depth %"};
    QHash<QString, QStringList> limits; // per parameter: min, max of each class in turn
    QSet<QString> included;

    QVector<RangeRow> rows() const
    {
        QVector<RangeRow> rows;
        for (const QString &p : parameters) {
            for (int k = 0; k < classes.size(); ++k)
                rows.append({k + 1, p, limits[p].value(2 * k), limits[p].value(2 * k + 1), included.contains(p),
                             classes[k], p.left(1), false});
        }
        return rows;
    }

    void edit(QRandomGenerator &random)
    {
        const QString p = parameters.value(random.bounded(int(parameters.size())));
        const QString value = QString::number(random.bounded(1000) / 10.0);
        switch (random.bounded(6)) {
        case 0: { // a typed limit
            QStringList &cells = limits[p];
            cells.resize(2 * classes.size());
            cells[random.bounded(int(cells.size()))] = value;
            break;
        }
        case 1:
            included.contains(p) ? void(included.remove(p)) : void(included.insert(p));
            break;
        case 2: { // a class added somewhere, its limits empty
            const int at = random.bounded(int(classes.size()) + 1);
            classes.insert(at, QStringLiteral("C") + value);
            for (QStringList &cells : limits) {
                cells.resize(2 * classes.size() - 2);
                cells.insert(2 * at, QString());
                cells.insert(2 * at, QString());
            }
            break;
        }
        case 3: // a class removed
            if (classes.size() > 1) {
                const int at = random.bounded(int(classes.size()));
                classes.removeAt(at);
                for (QStringList &cells : limits)
                    cells = cells.mid(0, 2 * at) + cells.mid(2 * at + 2);
            }
            break;
        case 4:
            classes[random.bounded(int(classes.size()))] += u'\'';
            break;
        case 5: // a parameter row added or dropped
            if (parameters.size() > 1 && random.bounded(2))
                parameters.removeAt(random.bounded(int(parameters.size())));
            else
                parameters.insert(random.bounded(int(parameters.size()) + 1), QStringLiteral("P \"%1\"").arg(value));
            break;
        }
    }
};

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void cleanup()
    {
        HistoryAuthor::set(std::nullopt);
        for (const char *connection : {"t", "a", "b", "omz"})
            store::closeDatabase(QString::fromLatin1(connection));
    }

    // Random edits saved one after another, now and then rows written by
    // an older copy: restoring any earlier entry gives exactly the rows
    // stored when it was made.
    void everyVersionRestores_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::newRow("seed 7") << 7u;
        QTest::newRow("seed 2024") << 2024u;
    }

    void everyVersionRestores()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutLab VALUES ('Brilliant','AGL','American');\n"
                 "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Old');\n"
                 "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %',NULL,'62',1,'Old','T',0);\n");
        QHash<qint64, QStringList> versions; // entry -> rows stored when it was made
        versions.insert(0, storedAgl(dir));  // as found, before the first save
        const QSqlDatabase db = open(dir);
        const RuleStore rules(db, kCut);
        Lab lab;
        QStringList outside;
        int outsideWrites = 0;
        for (int step = 0; step < 24; ++step) {
            if (step % 7 == 6) { // an older copy of the program saves
                dir.exec(QStringLiteral("UPDATE CutData SET \"cMax\" = 'older %1', Lab = 'agl' WHERE Lab = 'AGL' AND serial = 1").arg(step));
                outside = storedAgl(dir);
                ++outsideWrites;
                continue;
            }
            lab.edit(random);
            const QVector<RangeRow> rows = lab.rows();
            rules.saveRuleSet(kAgl, &rows, &lab.classes, nullptr, nullptr);
            const QVector<store::HistoryEntry> now = store::historyEntries(db, aglOnly());
            QVERIFY(!now.isEmpty());
            versions.insert(now.first().number, storedAgl(dir));
            if (now.size() > 1 && now[1].kind == store::history::kOutside)
                versions.insert(now[1].number, outside);
            else if (now.size() > 1 && now[1].kind == store::history::kFound)
                versions.insert(now[1].number, versions.take(0));
        }
        const QVector<store::HistoryEntry> recorded = store::historyEntries(db, aglOnly());
        QCOMPARE(recorded.size(), versions.size());
        QCOMPARE(std::count_if(recorded.begin(), recorded.end(),
                               [](const store::HistoryEntry &e) { return e.kind == store::history::kOutside; }),
                 outsideWrites);
        QVector<store::HistoryEntry> order = recorded;
        std::shuffle(order.begin(), order.end(), random);
        for (const store::HistoryEntry &entry : order) {
            store::restoreVersion(db, entry);
            QCOMPARE(storedAgl(dir), versions.value(entry.number));
        }
    }

    // A save that fails, even at its history entry, or that finds the rows
    // changed by another workstation stores nothing and records nothing.
    void unsavedRecordsNothing_data()
    {
        QTest::addColumn<QString>("failingTable"); // empty: a stale fingerprint
        QTest::newRow("ranges not written") << "CutData";
        QTest::newRow("history not written") << "History";
        QTest::newRow("changed elsewhere") << "";
    }

    void unsavedRecordsNothing()
    {
        QFETCH(QString, failingTable);
        testsupport::TestDataDir dir;
        const RuleStore rules(open(dir), kCut);
        store::Fingerprint seen;
        rules.ranges(kAgl, &seen);
        rules.saveRanges(kAgl, {{1, "Table %", "52", "62", true, "Excellent", "T", false}}, &seen);
        if (failingTable.isEmpty())
            dir.exec("UPDATE CutData SET \"cMin\" = '53'");
        else
            dir.failInserts(failingTable, {}, "disk full");
        const QStringList stored = storedAgl(dir);
        try {
            rules.saveRanges(kAgl, {{1, "Table %", "50", "62", true, "Excellent", "T", false}}, &seen);
            QFAIL("saved");
        } catch (const store::Error &error) {
            QCOMPARE(error.message(), failingTable.isEmpty()
                         ? QStringLiteral("AGL (Brilliant, Cut) was changed on another workstation since you opened it.")
                         : QStringLiteral("disk full"));
        }
        QCOMPARE(storedAgl(dir), stored);
        QCOMPARE(dir.rows("SELECT Entry, Kind, Changes FROM History"), QStringList{"1|save|1"});
    }

    // A damaged history does not stop a save: the rows found begin it
    // afresh, and that version restores.
    void damagedHistory()
    {
        testsupport::TestDataDir dir;
        const QSqlDatabase db = open(dir);
        const RuleStore rules(db, kCut);
        rules.saveRanges(kAgl, {{1, "Table %", "52", "62", true, "Excellent", "T", false}});
        dir.exec("UPDATE History SET Diff = 'x';\nUPDATE CutData SET \"cMin\" = '53' WHERE Lab = 'AGL'");
        const QStringList outside = storedAgl(dir);
        rules.saveRanges(kAgl, {{1, "Table %", "50", "62", true, "Excellent", "T", false}});
        QCOMPARE(dir.rows("SELECT Entry, Kind, Note, Changes FROM History ORDER BY Entry"),
                 (QStringList{"1|save||1", "2|changed outside Orvana Class|the history before this entry is damaged|1",
                              "3|save||1"}));
        store::restoreVersion(db, store::historyEntries(db, aglOnly()).at(1));
        QCOMPARE(storedAgl(dir), outside);
    }

    // Two workstations saving in turn: each save once, in order, with its
    // user and workstation; a third save that comes too late records nothing.
    void workstationsInTurn()
    {
        testsupport::TestDataDir dir;
        const RuleStore a(open(dir, "a"), kCut), b(open(dir, "b"), kCut);
        store::Fingerprint seenA, seenB;
        a.ranges(kAgl, &seenA);
        HistoryAuthor::set(HistoryAuthor{"anna", "ws-a"});
        a.saveRanges(kAgl, {{1, "Table %", "52", "62", true, "Excellent", "T", false}}, &seenA);
        b.ranges(kAgl, &seenB);
        HistoryAuthor::set(HistoryAuthor{"ben", "ws-b"});
        b.saveRanges(kAgl, {{1, "Table %", "51", "62", true, "Excellent", "T", false}}, &seenB);
        HistoryAuthor::set(HistoryAuthor{"anna", "ws-a"});
        QVERIFY_THROWS_EXCEPTION(store::Conflict, a.saveRanges(kAgl, {}, &seenA));
        QCOMPARE(dir.rows("SELECT Entry, Who, Workstation, Kind, Changes FROM History ORDER BY Entry"),
                 (QStringList{"1|anna|ws-a|save|1", "2|ben|ws-b|save|1"}));
    }

    // Each kind of save records its scope, in a store made before the
    // history tables, which the save makes; rows that were there before the
    // first recorded save of a scope are recorded first, as found.
    void everyKindOfSave_data()
    {
        QTest::addColumn<int>("save");
        QTest::addColumn<QStringList>("recorded");
        QTest::newRow("parameters") << 0 << QStringList{"parameters|The parameters of Brilliant (Cut)|1"};
        QTest::newRow("pairs") << 1 << QStringList{"institute pairs|The institute pairs of Brilliant|1"};
        QTest::newRow("girdle descriptions") << 2 << QStringList{"girdle descriptions|The girdle descriptions of AGL (Brilliant)|1"};
        QTest::newRow("girdle grades") << 3 << QStringList{"girdle grades|The Bone girdle grades of AGL (Brilliant)|1"};
        QTest::newRow("lab created") << 4 << QStringList{"create lab|GIA (Brilliant, Sym)|1", "create lab|GIA (Brilliant, Cut)|1"};
        QTest::newRow("lab copied") << 5 << QStringList{"copy lab|GIA (Brilliant, Cut)|3"};
        QTest::newRow("lab deleted") << 6 << QStringList{"delete lab|AGL (Brilliant, Cut)|3", "as first found|AGL (Brilliant, Cut)|3"};
        QTest::newRow("shapes") << 7 << QStringList{"shapes|Shapes.txt|1", "as first found|Shapes.txt|1"};
        QTest::newRow("rules file") << 8 << QStringList{"rules file import|AGL (Brilliant, Cut)|3"};
        QTest::newRow("OMZ rules") << 9 << QStringList{"save|The OMZ symmetry rules|2"};
    }

    void everyKindOfSave()
    {
        QFETCH(int, save);
        testsupport::TestDataDir dir;
        dir.exec("INSERT INTO CutLab VALUES ('Brilliant','AGL','American');\n"
                 "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n"
                 "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','52','62',1,'Excellent','T',0);\n"
                 "DROP TABLE History;\n"); // as an older version made the store
        QSqlDatabase db = open(dir);
        const store::Scope agl = kAgl;
        switch (save) {
        case 0: store::saveParameters(db, kCut, "Brilliant", {{"Table %", "T"}}); break;
        case 1: store::saveInstitutePairs(db, "Brilliant", {{"AGL", "GIA"}}); break;
        case 2: store::GirdleStore(db).saveDescriptions(agl, {{0, "Thin", {0.5, 1, QVariant(), 2, 3, 4}}}); break;
        case 3: store::GirdleStore(db).saveGrades(agl, "Bone", {{0, 1, 0}}); break;
        case 4: store::LabStore(db).create("Brilliant", "GIA", "new"); break;
        case 5: store::LabStore(db).copy(kCut, "Brilliant", "AGL", "GIA", "copy"); break;
        case 6: store::LabStore(db).remove(kCut, "Brilliant", "AGL"); break;
        case 7: store::saveShapeFile(db, dir.file("Shapes.txt"), {{"Brilliant", "RNDCUTSYM"}, {"Oval", "OVL"}}); break;
        case 8: {
            const QString file = dir.file("rules.csv");
            store::writeWholeFile(file, rules::exportRules(db, {rules::Selection::Lab, "Cut", "Brilliant", "AGL"}), file);
            dir.exec("DELETE FROM CutLab;\nDELETE FROM Cut;\nDELETE FROM CutData;\n");
            rules::ImportPlan::read(db, file).apply(db);
            break;
        }
        case 9:
            db = open(dir, "omz", store::StoreKind::Secondary);
            RuleStore(db, store::RuleTables::secondary()).saveClasses({}, {"Excellent", "Good"});
            break;
        }
        QTEST(entries(db), "recorded");
    }

    // Entries saved before a date go; each scope keeps its newest, and every
    // version kept restores; the next save goes on from there.
    void prune_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<qint64>>("kept");
        QTest::newRow("the third day") << "2001-01-03" << QList<qint64>{4, 3};
        QTest::newRow("a day to come") << "2999-12-31" << QList<qint64>{4};
    }

    void prune()
    {
        QFETCH(QString, before);
        QFETCH(QList<qint64>, kept);
        testsupport::TestDataDir dir;
        const QSqlDatabase db = open(dir);
        const RuleStore rules(db, kCut);
        QHash<qint64, QStringList> versions;
        for (int i = 1; i <= 4; ++i) {
            rules.saveRanges(kAgl, {{1, "Table %", QString::number(50 + i), "62", true, "Excellent", "T", false},
                                    {i, "Depth %", "1", "2", false, "Excellent", "D", true}});
            versions.insert(i, storedAgl(dir));
        }
        dir.exec("UPDATE History SET Saved = '2001-01-0' || Entry || 'T10:00:00.000Z'");
        QCOMPARE(store::planPrune(db, store::historyTime(before)).entries, 4 - kept.size());
        store::pruneHistory(db, store::historyTime(before));
        QList<qint64> remaining;
        for (const store::HistoryEntry &entry : store::historyEntries(db)) {
            remaining.append(entry.number);
            store::restoreVersion(db, entry);
            QCOMPARE(storedAgl(dir), versions.value(entry.number));
        }
        QCOMPARE(remaining, kept);
        rules.saveRanges(kAgl, {});
        QCOMPARE(entries(db).first(), "save|AGL (Brilliant, Cut)|2");
        QVERIFY(!entries(db).join(u',').contains(store::history::kOutside));
    }

    // The command line: entries as CSV, what a restore would change, the
    // restore itself, and what it refuses.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        const QString header = "entry,saved,user,workstation,kind,note,area,type,shape,lab,part,changes\r\n";
        QTest::newRow("all") << QStringList{"--history"} << 0
                             << header + "2,2024-05-02T09:00:00.000Z,ben,ws-b,save,,lab,Cut,Brilliant,\"O'Brien, \"\"A\"\"\",,1\r\n"
                                         "1,2024-05-01T09:00:00.000Z,anna,ws-a,save,,lab,Cut,Brilliant,\"O'Brien, \"\"A\"\"\",,1\r\n";
        QTest::newRow("since") << QStringList{"--history", "--shape", "Brilliant", "--type", "Cut", "--since", "2024-05-02"} << 0
                               << header + "2,2024-05-02T09:00:00.000Z,ben,ws-b,save,,lab,Cut,Brilliant,\"O'Brien, \"\"A\"\"\",,1\r\n";
        QTest::newRow("plan") << QStringList{"--restore", "1"} << 2
                              << "Restoring O'Brien, \"A\" (Brilliant, Cut) to the version entry 1 (save, 2024-05-01T09:00:00.000Z, "
                                 "anna on ws-a) left changes:\n  ranges, Table % / 1: cMin \"51\" -> \"52\"\n"
                                 "Nothing was written; add --yes to restore.\n";
        QTest::newRow("restored") << QStringList{"--restore", "1", "--yes"} << 0
                                  << "Restoring O'Brien, \"A\" (Brilliant, Cut) to the version entry 1 (save, 2024-05-01T09:00:00.000Z, "
                                     "anna on ws-a) left changes:\n  ranges, Table % / 1: cMin \"51\" -> \"52\"\nRestored.\n";
        QTest::newRow("already so") << QStringList{"--restore", "2"} << 2
                                    << "O'Brien, \"A\" (Brilliant, Cut) is stored as entry 2 (save, 2024-05-02T09:00:00.000Z, "
                                       "ben on ws-b) left it; nothing to restore.\n";
        QTest::newRow("no such entry") << QStringList{"--restore", "OMZ1"} << 1
                                       << "orvana-class: There is no history entry OMZ1; nothing was restored.\n";
        QTest::newRow("prune plan") << QStringList{"--prune-history", "--before", "2024-05-02"} << 2
                                    << "History entries saved before 2024-05-02T00:00:00.000Z to drop: 1, from the histories of "
                                       "1 sets of rules. Each keeps its newest entry; every version from then on stays "
                                       "restorable.\nNothing was written; add --yes to drop them.\n";
        QTest::newRow("not a date") << QStringList{"--prune-history", "--before", "May"} << 1
                                    << "orvana-class: --before takes a date (2024-05-01) or a date and time (2024-05-01T14:30); "
                                       "\"May\" is neither.\n";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        testsupport::TestDataDir dir;
        const store::Scope lab{"Brilliant", "O'Brien, \"A\""};
        {
            const RuleStore rules(open(dir), kCut);
            HistoryAuthor::set(HistoryAuthor{"anna", "ws-a"});
            rules.saveRanges(lab, {{1, "Table %", "52", "62", true, "Excellent", "T", false}});
            HistoryAuthor::set(HistoryAuthor{"ben", "ws-b"});
            rules.saveRanges(lab, {{1, "Table %", "51", "62", true, "Excellent", "T", false}});
        }
        store::closeDatabase("t");
        dir.exec("UPDATE History SET Saved = '2024-05-0' || Entry || 'T09:00:00.000Z'");
        // Started without a login's environment, a restore still names its account.
        for (const char *variable : {"USER", "USERNAME", "LOGNAME"})
            qunsetenv(variable);
        const auto [status, printed] = testsupport::runProgram(QStringList{"--data-dir", dir.path()} + arguments);
        QTEST(printed, "printed");
        QTEST(status, "status");
        const passwd *account = getpwuid(geteuid());
        QCOMPARE(dir.rows("SELECT Who FROM History WHERE Kind = 'restore'"),
                 status == 0 && arguments.contains("--restore") ? QStringList{account->pw_name} : QStringList{});
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestHistory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_history.moc"
