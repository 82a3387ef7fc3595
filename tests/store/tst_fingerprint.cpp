// Saves that refuse to overwrite, unasked, what another workstation saved
// since the rows were loaded: every kind of save, on two connections.
#include "store/Database.h"
#include "store/Fingerprint.h"
#include "store/GirdleStore.h"
#include "store/InstitutePairs.h"
#include "store/LabStore.h"
#include "store/ParameterStore.h"
#include "store/RuleStore.h"
#include "store/ShapeFile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTest>

using store::Fingerprint;

namespace {

const store::Scope kScope{"Brilliant", "AGL"};

const QString kSeed = QStringLiteral(
    "INSERT INTO CutLab VALUES ('Brilliant','AGL','main'), ('Oval','AGL','');\n"
    "INSERT INTO SymLab VALUES ('Brilliant','AGL','');\n"
    "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n"
    "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','52',NULL,0,'Excellent','TablePct',1), "
    "('Oval','AGL',1,'Table %','1','2',0,'X','T',0);\n"
    "INSERT INTO CutPara VALUES ('Brilliant',1,'TablePct','Table %');\n"
    "INSERT INTO MultiData VALUES ('Brilliant','AGL','AGL');\n"
    "INSERT INTO GIRDLE_DESC VALUES ('Brilliant','AGL',0,'thin',1,2,3,4,5,6);\n"
    "INSERT INTO GIRDLE_CLASS VALUES (0,0,0,'AGL','Brilliant','Bazel');\n");

enum class Kind { Ranges, Classes, Parameters, Pairs, Descriptions, Grades, Create, Copy, Remove, Shapes };

// One save kind through the window's connection: what a window loads, what
// its save writes (every value naming `mine`), and how its rows read back.
struct Workstation {
    QSqlDatabase db;
    QString dir;

    store::RuleStore cut() const { return {db, store::RuleTables::forType(QStringLiteral("Cut"))}; }
    QString shapesFile() const { return dir + QStringLiteral("/Shapes.txt"); }

    Fingerprint load(Kind kind) const
    {
        Fingerprint seen;
        switch (kind) {
        case Kind::Ranges: cut().ranges(kScope, &seen); break;
        case Kind::Classes: seen = cut().classesFingerprint(kScope); break;
        case Kind::Parameters: seen = store::parametersFingerprint(db, cut().tables(), kScope.shape); break;
        case Kind::Pairs: store::institutePairs(db, kScope.shape, &seen); break;
        case Kind::Descriptions: store::GirdleStore(db).descriptions(kScope, &seen); break;
        case Kind::Grades: store::GirdleStore(db).grades(kScope, QStringLiteral("Bazel"), &seen); break;
        case Kind::Create:
        case Kind::Copy: seen = store::LabStore(db).labListFingerprint(kScope.shape); break;
        case Kind::Remove:
            seen = store::LabStore(db).labFingerprint(cut().tables(), kScope) + cut().classesFingerprint(kScope);
            seen = seen + [&] { Fingerprint r; cut().ranges(kScope, &r); return r; }();
            break;
        case Kind::Shapes: store::readShapeFile(shapesFile(), &seen); break;
        }
        return seen;
    }

    void save(Kind kind, const QString &mine, Fingerprint *seen) const
    {
        const store::LabStore labs(db);
        switch (kind) {
        case Kind::Ranges:
            cut().saveRanges(kScope, {{1, "Table %", mine, "", true, "Excellent", "TablePct", false}}, seen);
            break;
        case Kind::Classes: cut().saveClasses(kScope, {mine}, seen); break;
        case Kind::Parameters: store::saveParameters(db, cut().tables(), kScope.shape, {{mine, "TablePct"}}, seen); break;
        case Kind::Pairs: store::saveInstitutePairs(db, kScope.shape, {{mine, "AGL"}}, seen); break;
        case Kind::Descriptions:
            // "1.50" is kept as 1.5 by the REAL column: what is stored, not
            // what was sent, must be what the window saw afterwards.
            store::GirdleStore(db).saveDescriptions(kScope, {{0, mine, {"1.50", 2, 3, 4, 5, 6}}}, seen);
            break;
        case Kind::Grades: store::GirdleStore(db).saveGrades(kScope, QStringLiteral("Bazel"), {{0, 0, 0}}, seen); break;
        case Kind::Create: labs.create(kScope.shape, mine, mine, seen); break;
        case Kind::Copy: labs.copy(cut().tables(), kScope.shape, kScope.lab, mine, mine, seen); break;
        case Kind::Remove: labs.remove(cut().tables(), kScope.shape, kScope.lab, seen); break;
        case Kind::Shapes: store::writeShapeFile(shapesFile(), {{mine, "CODE"}}, seen); break;
        }
    }
};

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestFingerprint : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { store::closeDatabase(QStringLiteral("window")); }

    void everySave_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("other");   // SQL of the other workstation, or the Shapes.txt it writes
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");  // the rows the save rewrites
        QTest::addColumn<QStringList>("theirs");
        QTest::addColumn<QStringList>("mine"); // after Overwrite

        const QString lab = QStringLiteral("AGL (Brilliant, Cut) was changed on another workstation since you opened it.");
        const QString labs = QStringLiteral("The institutes of Brilliant were changed on another workstation since you opened them.");
        QTest::newRow("ranges") << Kind::Ranges << "UPDATE CutData SET cMin = 'b' WHERE Lab = 'AGL' AND Shape = 'Brilliant'"
                                << lab << "SELECT cMin, cMax FROM CutData WHERE Shape = 'Brilliant'"
                                << QStringList{"b|"} << QStringList{"mine|"};
        QTest::newRow("class list") << Kind::Classes << "INSERT INTO Cut VALUES ('Brilliant','agl',1,'Good')" << lab
                                    << "SELECT Class FROM Cut" << QStringList{"early", "Good"} << QStringList{"mine"};
        QTest::newRow("parameters") << Kind::Parameters << "UPDATE CutPara SET Display_Name = 'b'"
                                    << "The parameters of Brilliant (Cut) were changed on another workstation since you opened them."
                                    << "SELECT Display_Name FROM CutPara" << QStringList{"b"} << QStringList{"mine"};
        QTest::newRow("institute pairs") << Kind::Pairs << "DELETE FROM MultiData"
                                         << "The institute pairs of Brilliant were changed on another workstation since you opened them."
                                         << "SELECT CutLab FROM MultiData" << QStringList{} << QStringList{"mine"};
        QTest::newRow("girdle descriptions") << Kind::Descriptions << "UPDATE GIRDLE_DESC SET BazelMin = 1.25"
                                             << "The girdle descriptions of AGL (Brilliant) were changed on another workstation since you opened them."
                                             << "SELECT Description, BazelMin FROM GIRDLE_DESC"
                                             << QStringList{"early|1.25"} << QStringList{"mine|1.5"};
        QTest::newRow("girdle grades") << Kind::Grades << "UPDATE GIRDLE_CLASS SET ToID = 3"
                                       << "The Bazel girdle grades of AGL (Brilliant) were changed on another workstation since you opened them."
                                       << "SELECT FromID, ToID FROM GIRDLE_CLASS" << QStringList{"0|3"} << QStringList{"0|0"};
        QTest::newRow("lab created elsewhere") << Kind::Create << "INSERT INTO SymLab VALUES ('Brilliant','GIA','')" << labs
                                               << "SELECT Lab FROM SymLab WHERE Shape = 'Brilliant'"
                                               << QStringList{"AGL", "early", "GIA"}
                                               << QStringList{"AGL", "early", "GIA", "mine"};
        QTest::newRow("copy, a lab deleted elsewhere") << Kind::Copy << "DELETE FROM CutLab WHERE Lab = 'AGL'" << labs
                                                       << "SELECT Lab FROM CutLab" << QStringList{"early", "early"}
                                                       << QStringList{"early", "early", "mine"};
        QTest::newRow("delete a lab edited elsewhere") << Kind::Remove << "UPDATE CutData SET include = 1 WHERE Shape = 'Brilliant'"
                                                       << lab << "SELECT Shape, include FROM CutData"
                                                       << QStringList{"Brilliant|1", "Oval|0"} << QStringList{"Oval|0"};
        QTest::newRow("Shapes.txt") << Kind::Shapes << "Brilliant~RNDCUTSYM\r\nOval~OVL\r\n"
                                    << "Shapes.txt was changed on another workstation since you opened it."
                                    << "" << QStringList{"Brilliant~RNDCUTSYM", "Oval~OVL"} << QStringList{"mine~CODE"};
    }

    // The window loads, saves twice unasked, the other workstation saves,
    // the window's next save is refused with nothing written, and an
    // overwrite stores the window's rows and leaves it in step again.
    void everySave()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, other);
        QFETCH(QString, stored);
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~RNDCUTSYM\r\n"));
        dir.exec(kSeed);
        const Workstation window{store::openDatabase(QStringLiteral("window"), dir.file("Class.db")), dir.path()};
        auto read = [&] {
            if (kind != Kind::Shapes)
                return dir.rows(stored);
            QFile file(dir.file("Shapes.txt"));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts)
                                                  : QStringList{};
        };

        Fingerprint seen = window.load(kind);
        if (kind != Kind::Remove) { // an unchanged scope saves without a question, twice in a row
            window.save(kind, "early", &seen);
            window.save(kind, "early", &seen);
            QCOMPARE(seen, window.load(kind));
        }
        const QStringList before = read();

        if (kind == Kind::Shapes) {
            QFile file(dir.file("Shapes.txt"));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(other.toUtf8());
        } else {
            dir.exec(other);
        }
        const QStringList theirs = read();
        QVERIFY(theirs != before);
        try {
            window.save(kind, "mine", &seen);
            QFAIL("the save overwrote what the other workstation stored");
        } catch (const store::Conflict &conflict) {
            QTEST(conflict.message(), "message");
        }
        QCOMPARE(read(), theirs);
        QTEST(read(), "theirs");

        Fingerprint overwrite = Fingerprint::any();
        window.save(kind, "mine", &overwrite);
        QTEST(read(), "mine");
        if (kind != Kind::Remove) {
            QCOMPARE(overwrite, window.load(kind));
            window.save(kind, "mine", &overwrite); // in step again: no conflict
        }
        // Saves with nothing loaded (command line, import) never compare.
        if (kind == Kind::Ranges)
            window.save(kind, "cli", nullptr);
    }

    // Each change of a stored value, order or row is a change.
    void notices_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("changed");
        QTest::newRow("NULL to empty text") << "UPDATE CutData SET cMax = '' WHERE cMax IS NULL" << true;
        QTest::newRow("a row added") << "INSERT INTO CutData VALUES ('Brilliant','AGL',3,'Table %','1','2',0,'Fair','T',0)" << true;
        QTest::newRow("letter case of the lab") << "UPDATE CutData SET Lab = 'agl' WHERE Lab = 'AGL'" << true;
        QTest::newRow("trailing blank") << "UPDATE CutData SET Class = 'Excellent ' WHERE Shape = 'Brilliant'" << true;
        QTest::newRow("a row moved") << "INSERT INTO CutData SELECT * FROM CutData WHERE Shape = 'Brilliant' AND serial = 1;\n"
                                        "DELETE FROM CutData WHERE rowid = (SELECT min(rowid) FROM CutData WHERE Shape = 'Brilliant')"
                                     << true;
        QTest::newRow("same value written again") << "UPDATE CutData SET cMin = '52' WHERE cMin = '52'" << false;
        QTest::newRow("another lab") << "UPDATE CutData SET cMin = '9' WHERE Shape = 'Oval'" << false;
    }

    void notices()
    {
        QFETCH(QString, change);
        QFETCH(bool, changed);
        testsupport::TestDataDir dir;
        dir.exec(kSeed + "INSERT INTO CutData VALUES ('Brilliant','AGL',2,'Table %','50','66',0,'Good','TablePct',1);\n");
        const store::RuleStore rules(store::openDatabase(QStringLiteral("window"), dir.file("Class.db")),
                                     store::RuleTables::forType("Cut"));
        Fingerprint seen;
        rules.ranges(kScope, &seen);
        QVERIFY(!seen.matchesAnything());
        QCOMPARE(seen, store::fingerprintOf(QSqlDatabase::database(QStringLiteral("window")), {rules.rangeRows(kScope)}));
        dir.exec(change);
        Fingerprint now;
        rules.ranges(kScope, &now);
        QCOMPARE(now != seen, changed);
    }
};

QTEST_MAIN(TestFingerprint)
#include "tst_fingerprint.moc"
