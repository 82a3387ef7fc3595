#include "GirdleFixture.h"

#include "controls/GraphicalButton.h"
#include "girdle/FrmDescClass.h"

#include <QAction>

using girdle::FrmDescClass;

namespace {

using Fixture = GirdleFixture<FrmDescClass>;

QString storedOf(const QString &part)
{
    return QStringLiteral("SELECT * FROM GIRDLE_CLASS WHERE Lab = 'AGL' AND Shape = 'Brilliant' AND GIRDLECLASS = '%1' "
                          "ORDER BY Class")
        .arg(part);
}

QString storedBesides(const QString &part)
{
    return QStringLiteral("SELECT * FROM GIRDLE_CLASS WHERE NOT (Lab = 'AGL' AND Shape = 'Brilliant' AND "
                          "GIRDLECLASS = '%1') ORDER BY rowid")
        .arg(part);
}

} // namespace

class TestDescClass : public QObject {
    Q_OBJECT

private slots:
    void loading_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("lab");
        QTest::addColumn<QString>("part");
        QTest::addColumn<QStringList>("dataRows");
        // Class 0 names IDs 2 and 3: by position they would read "Thick" and nothing.
        QTest::newRow("gaps in the IDs, a vanished ID, a class that is gone")
            << "Brilliant" << "AGL" << "Bazel" << QStringList{"Excellent|Medium|Thick", "Good|Thin|Medium", "Poor||"};
        QTest::newRow("part without grades") << "Brilliant" << "AGL" << "Bone"
                                             << QStringList{"Excellent||", "Good||", "Poor||"};
        QTest::newRow("lab without descriptions") << "Brilliant" << "Bare" << "Bazel" << QStringList{"Only||"};
        QTest::newRow("other shape") << "Oval" << "AGL" << "Bazel" << QStringList{"Fine|Oval thin|Oval thin"};
        QTest::newRow("no lab chosen") << "Oval" << "" << "Bazel" << QStringList{"||"};
    }

    void loading()
    {
        QFETCH(QString, shape);
        QFETCH(QString, lab);
        QFETCH(QString, part);
        QFETCH(QStringList, dataRows);
        Fixture f;
        f.choose(f.window.cShape, shape, &FrmDescClass::cShape_Click);
        QCOMPARE(f.window.LabList->currentIndex(), -1);
        if (!lab.isEmpty())
            f.choose(f.window.LabList, lab, &FrmDescClass::LabList_Click);
        f.choose(f.window.class_, part, &FrmDescClass::class_Click);
        QCOMPARE(f.rows().mid(1), dataRows);
        QCOMPARE(f.prompt.informed, QStringList());
    }

    void save_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("cells"); // "row col text"
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("message");
        const QString saved = QStringLiteral("Description saved sucessfully");
        const QStringList asLoaded{"2|3|0|AGL|Brilliant|Bazel", "0|2|1|AGL|Brilliant|Bazel"};
        QTest::newRow("IDs written back by value") << "" << QStringList{} << asLoaded << saved;
        QTest::newRow("class with one empty cell not stored")
            << "" << QStringList{"2 2 ", "3 1 Thick", "3 2 Thick"}
            << QStringList{"2|3|0|AGL|Brilliant|Bazel", "3|3|2|AGL|Brilliant|Bazel"} << saved;
        QTest::newRow("equal descriptions stored as the first's ID")
            << "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 7, 'Medium', 0, 0, 0, 0, 0, 0);\n"
            << QStringList{"3 1 Medium", "3 2 Medium"}
            << (asLoaded + QStringList{"2|2|2|AGL|Brilliant|Bazel"}) << saved;
        QTest::newRow("database refuses the second class")
            << "CREATE TRIGGER full BEFORE INSERT ON GIRDLE_CLASS WHEN NEW.Class = 1 "
               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;\n"
            << QStringList{"1 1 Thin"}
            << QStringList{"2|3|0|AGL|Brilliant|Bazel", "0|2|1|AGL|Brilliant|Bazel", "0|9|2|AGL|Brilliant|Bazel",
                           "0|0|5|AGL|Brilliant|Bazel"}
            << "database or disk is full";
    }

    void save()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, stored);
        QFETCH(QString, message);
        Fixture f;
        if (!sql.isEmpty())
            f.dir.exec(sql);
        f.choose(f.window.LabList, "AGL", &FrmDescClass::LabList_Click);
        const QStringList others = f.dir.rows(storedBesides("Bazel"));
        for (const QString &cell : cells) {
            const QStringList p = cell.split(u' ');
            f.window.msg->setTextMatrix(p[0].toInt(), p[1].toInt(), p.mid(2).join(u' '));
        }
        f.window.BtnSave->click();
        QCOMPARE(f.prompt.informed, QStringList{message});
        QCOMPARE(f.dir.rows(storedOf("Bazel")), stored);
        QCOMPARE(f.dir.rows(storedBesides("Bazel")), others);
    }

    void copyBazelIntoBone()
    {
        Fixture f;
        f.choose(f.window.LabList, "AGL", &FrmDescClass::LabList_Click);
        const QStringList bazel = f.dir.rows(storedOf("Bazel"));
        f.window.cpy->trigger();
        f.choose(f.window.class_, "Bone", &FrmDescClass::class_Click);
        f.window.Pst->trigger();
        QCOMPARE(f.rows().mid(1), (QStringList{"Excellent|Medium|Thick", "Good|Thin|Medium", "Poor||"}));
        f.window.BtnSave->click();
        QCOMPARE(f.dir.rows(storedOf("Bone")),
                 (QStringList{"2|3|0|AGL|Brilliant|Bone", "0|2|1|AGL|Brilliant|Bone"}));
        QCOMPARE(f.dir.rows(storedOf("Bazel")), bazel);
    }

    void nothingToPaste_data()
    {
        QTest::addColumn<bool>("copyFirst");
        QTest::newRow("lab just chosen") << false;
        QTest::newRow("copied before the lab change") << true;
    }

    void nothingToPaste()
    {
        QFETCH(bool, copyFirst);
        Fixture f;
        f.choose(f.window.LabList, "AGL", &FrmDescClass::LabList_Click);
        if (copyFirst)
            f.window.cpy->trigger();
        f.choose(f.window.LabList, "Bare", &FrmDescClass::LabList_Click);
        f.window.Pst->trigger();
        QCOMPARE(f.prompt.informed, QStringList{"Nothing to paste"});
        QCOMPARE(f.rows().mid(1), QStringList{"Only||"});
    }

    void gradeList_data()
    {
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<QString>("shown");  // the entry chosen when it opens
        QTest::addColumn<QString>("picked"); // "" picks nothing
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("written");
        QTest::newRow("enter") << QPoint(2, 1) << "Thin" << "Thick" << int(Qt::Key_Return) << "Thick";
        QTest::newRow("esc writes too") << QPoint(1, 2) << "Thick" << "Medium" << int(Qt::Key_Escape) << "Medium";
        QTest::newRow("empty cell, nothing picked") << QPoint(3, 1) << "" << "" << int(Qt::Key_Return) << "";
    }

    void gradeList()
    {
        QFETCH(QPoint, cell);
        QFETCH(QString, shown);
        QFETCH(QString, picked);
        QFETCH(int, key);
        QFETCH(QString, written);
        Fixture f;
        f.choose(f.window.LabList, "AGL", &FrmDescClass::LabList_Click);
        f.window.msg->setRow(cell.x());
        f.window.msg->setCol(cell.y());
        f.window.tFlexFocus();
        QVERIFY(f.window.Grade->isVisible());
        QCOMPARE(f.window.Grade->currentText(), shown);
        if (!picked.isEmpty())
            f.window.Grade->setCurrentIndex(f.window.Grade->findText(picked));
        QTest::keyClick(f.window.Grade, Qt::Key(key));
        QCOMPARE(f.window.msg->textMatrix(cell.x(), cell.y()), written);
        QVERIFY(!f.window.Grade->isVisible());
        QVERIFY(f.window.isVisible()); // Esc left the window open
    }
};

QTEST_MAIN(TestDescClass)
#include "tst_descclass.moc"
