#include "DefinerFixture.h"

#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>

// A lab of three classes and two parameters, for Cut and for Sym.
static const QString kLab = QStringLiteral(
    "INSERT INTO CutPara VALUES ('Brilliant',1,'TablePct','Table %'), "
    "('Brilliant',2,'CrownAngle','Crown Angle');\n"
    "INSERT INTO SymPara VALUES ('Brilliant',1,'OutOfRound','Out of Round %');\n"
    "INSERT INTO CutLab VALUES ('Brilliant','AGL','main');\n"
    "INSERT INTO SymLab VALUES ('Brilliant','AGL','main');\n"
    "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent'), ('Brilliant','AGL',1,'Very Good'), "
    "('Brilliant','AGL',2,'Good');\n"
    "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','52','62',1,'Excellent','TablePct',0), "
    "('Brilliant','AGL',2,'Table %','50','66',1,'Very Good','TablePct',0), "
    "('Brilliant','AGL',3,'Table %','','69',1,'Good','TablePct',0), "
    "('Brilliant','AGL',1,'Crown Angle','31.5','36.5',0,'Excellent','CrownAngle',1), "
    "('Brilliant','AGL',2,'Crown Angle','26.5','38.5',0,'Very Good','CrownAngle',1), "
    "('Brilliant','AGL',3,'Crown Angle','22','40',0,'Good','CrownAngle',1);\n"
    "INSERT INTO Sym VALUES ('Brilliant','AGL',0,'Excellent');\n"
    "INSERT INTO SymData VALUES ('Brilliant','AGL',1,'Out of Round %','0','0.9',1,'Excellent','OutOfRound',1);\n");

class TestLabs : public QObject {
    Q_OBJECT

private slots:
    ENGINE_ROWS

    void create_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QStringList>("cutLab");
        QTest::addColumn<QStringList>("symLab");
        QTest::newRow("new everywhere") << ""
                                        << QStringList{"Brilliant|AGL|main", "Brilliant|O'Neil|new desc"}
                                        << QStringList{"Brilliant|AGL|main", "Brilliant|O'Neil|new desc"};
        QTest::newRow("in CutLab only") << "INSERT INTO CutLab VALUES ('Brilliant','O''Neil','old');\n"
                                        << QStringList{"Brilliant|AGL|main", "Brilliant|O'Neil|new desc"}
                                        << QStringList{"Brilliant|AGL|main", "Brilliant|O'Neil|new desc"};
        QTest::newRow("in both, twice in Cut")
            << "INSERT INTO CutLab VALUES ('Brilliant','O''Neil','old');\n"
               "INSERT INTO CutLab VALUES ('Brilliant','O''Neil','second');\n"
               "INSERT INTO SymLab VALUES ('Brilliant','o''neil','old');\n"
            << QStringList{"Brilliant|AGL|main", "Brilliant|O'Neil|new desc", "Brilliant|O'Neil|second"}
            << QStringList{"Brilliant|AGL|main", "Brilliant|o'neil|new desc"};
    }

    void create()
    {
        QFETCH(QString, existing);
        QFETCH(QStringList, cutLab);
        QFETCH(QStringList, symLab);
        DefinerFixture f(kLab + existing);
        f.definer.nName->setText("O'Neil");
        f.definer.TxtDesc->setText("new desc");
        f.definer.BtnCreate->click();
        QCOMPARE(f.prompt.informed, QStringList{"Lab Created Succssefully."});
        QCOMPARE(f.dir.rows("SELECT * FROM CutLab ORDER BY rowid"), cutLab);
        QCOMPARE(f.dir.rows("SELECT * FROM SymLab ORDER BY rowid"), symLab);
        QVERIFY(DefinerFixture::items(f.definer.LabList).contains("O'Neil", Qt::CaseInsensitive));
        QCOMPARE(f.definer.nName->text(), QString());
        QCOMPARE(f.definer.TxtDesc->text(), QStringLiteral("new desc"));
    }

    void copyAs_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("classes");
        QTest::addColumn<QStringList>("ranges");
        QTest::newRow("cut") << "Cut"
                             << QStringList{"Brilliant|Copy's|0|Excellent", "Brilliant|Copy's|1|Very Good",
                                            "Brilliant|Copy's|2|Good"}
                             << QStringList{"Brilliant|Copy's|1|Table %|52|62|1|Excellent|TablePct|0",
                                            "Brilliant|Copy's|2|Table %|50|66|1|Very Good|TablePct|0",
                                            "Brilliant|Copy's|3|Table %||69|1|Good|TablePct|0",
                                            "Brilliant|Copy's|1|Crown Angle|31.5|36.5|0|Excellent|CrownAngle|1",
                                            "Brilliant|Copy's|2|Crown Angle|26.5|38.5|0|Very Good|CrownAngle|1",
                                            "Brilliant|Copy's|3|Crown Angle|22|40|0|Good|CrownAngle|1"};
        QTest::newRow("sym") << "Sym" << QStringList{"Brilliant|Copy's|0|Excellent"}
                             << QStringList{"Brilliant|Copy's|1|Out of Round %|0|0.9|1|Excellent|OutOfRound|1"};
    }

    void copyAs()
    {
        QFETCH(QString, type);
        QFETCH(QStringList, classes);
        QFETCH(QStringList, ranges);
        DefinerFixture f(kLab);
        f.chooseType(type);
        f.definer.nName->setText("Copy's");
        f.definer.TxtDesc->setText("copied");
        f.definer.MnuCopyAs_Click();
        QCOMPARE(f.prompt.informed, QStringList{"Lab Copied Successfully"});
        QCOMPARE(f.dir.rows(QStringLiteral("SELECT * FROM %1 WHERE Lab = 'Copy''s' ORDER BY rowid").arg(type)), classes);
        QCOMPARE(f.dir.rows(QStringLiteral("SELECT * FROM %1Data WHERE Lab = 'Copy''s' ORDER BY rowid").arg(type)), ranges);
        QCOMPARE(f.dir.rows(QStringLiteral("SELECT * FROM %1Lab ORDER BY rowid").arg(type)),
                 (QStringList{"Brilliant|AGL|main", "Brilliant|Copy's|copied"}));
        // The other type is left alone.
        const QString other = type == "Cut" ? "Sym" : "Cut";
        QCOMPARE(f.dir.rows(QStringLiteral("SELECT count(*) FROM %1 WHERE Lab = 'Copy''s'").arg(other)), QStringList{"0"});
        QCOMPARE(f.dir.rows(QStringLiteral("SELECT count(*) FROM %1Lab WHERE Lab = 'Copy''s'").arg(other)), QStringList{"0"});
        QCOMPARE(f.definer.nName->text(), QString());
        QCOMPARE(f.definer.TxtDesc->text(), QString());
        QCOMPARE(DefinerFixture::items(f.definer.LabList), (QStringList{"AGL", "Copy's"}));
    }

    // Nothing of the copy may be left behind, and the name stays for another try.
    void copyAsRefuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty name") << "" << "" << "Type the name of the copy under New Institute first; nothing was copied.";
        QTest::newRow("existing name")
            << "agl" << "" << "An institute named \"agl\" exists already for Brilliant. Choose another name; nothing was copied.";
        QTest::newRow("disk full half-way")
            << "Half" << "NEW.serial = 3" << "database or disk is full";
    }

    void copyAsRefuses()
    {
        QFETCH(QString, name);
        QFETCH(QString, fault);
        DefinerFixture f(kLab);
        if (!fault.isEmpty())
            f.dir.failInserts("CutData", fault, "database or disk is full");
        const QStringList before = f.dir.rows("SELECT * FROM Cut") + f.dir.rows("SELECT * FROM CutData")
            + f.dir.rows("SELECT * FROM CutLab");
        f.definer.nName->setText(name);
        f.definer.MnuCopyAs_Click();
        QTEST(f.prompt.informed.join(u'\n'), "message");
        QCOMPARE(f.dir.rows("SELECT * FROM Cut") + f.dir.rows("SELECT * FROM CutData") + f.dir.rows("SELECT * FROM CutLab"),
                 before);
        QCOMPARE(f.definer.nName->text(), name);
    }

    void deleteOneType_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void deleteOneType()
    {
        QFETCH(bool, yes);
        DefinerFixture f(kLab);
        f.prompt.answers = {yes};
        f.definer.BtnDelete->click();
        QCOMPARE(f.prompt.confirmed, QStringList{"Are sure for delete the lab?"});
        QVERIFY(f.prompt.informed.isEmpty());
        const QString left = yes ? "0" : "1";
        QCOMPARE(f.dir.rows("SELECT count(*) FROM CutLab") + f.dir.rows("SELECT count(*) > 0 FROM Cut")
                     + f.dir.rows("SELECT count(*) > 0 FROM CutData"),
                 (QStringList{left, left, left}));
        QCOMPARE(f.dir.rows("SELECT * FROM SymLab"), QStringList{"Brilliant|AGL|main"});
        QCOMPARE(f.definer.LabList->count(), yes ? 0 : 1);
        f.chooseType("Sym");
        QCOMPARE(DefinerFixture::items(f.definer.LabList), QStringList{"AGL"});
    }

    void updateShapes_data()
    {
        QTest::addColumn<QString>("shapes");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("stored"); // Table % min of Excellent afterwards
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("firstRow"); // reloaded from the stored rows
        const QString kept = QStringLiteral("Heart~HRTCUTSYM\r\nBrilliant~RNDCUTSYM\r\n");
        QTest::newRow("no") << kept << false << "52" << "Brilliant" << "Table %|52";
        QTest::newRow("yes stores the grid") << kept << true << "77" << "Brilliant" << "Table %|77";
        QTest::newRow("shape gone") << "Oval~OVLCUTSYM\r\nHeart~HRTCUTSYM" << false << "52" << "Oval" << "Oval Param";
    }

    void updateShapes()
    {
        QFETCH(QString, shapes);
        QFETCH(bool, yes);
        DefinerFixture f(kLab + "INSERT INTO CutPara VALUES ('Oval',1,'X','Oval Param');\n");
        f.grid().setTextMatrix(2, 1, "77"); // not through the editor: nothing counts as changed
        f.dir.exec("INSERT INTO CutLab VALUES ('Brilliant','Zed meanwhile','');\n");
        QFile file(f.dir.file("Shapes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(shapes.toUtf8());
        file.close();
        f.prompt.answers = {yes};
        f.definer.MnuUpdateShapes_Click();
        QCOMPARE(f.prompt.confirmed,
                 QStringList{"If you have done any changes then it will save them.\r\nDo you want to save them?"});
        QTEST(f.dir.rows("SELECT \"cMin\" FROM CutData WHERE serial = 1 AND cPara = 'Table %'").join(""), "stored");
        QCOMPARE(DefinerFixture::items(f.definer.cShape), shapes.remove("\r").split("\n").filter("~").replaceInStrings(QRegularExpression("~.*"), ""));
        QTEST(f.definer.shape(), "shape");
        QTEST(f.row(2).mid(0, 2).join("|"), "firstRow");
        if (f.definer.shape() == QLatin1String("Brilliant"))
            QCOMPARE(DefinerFixture::items(f.definer.LabList), (QStringList{"AGL", "Zed meanwhile"}));
    }

    // A lab created, deleted or edited on another workstation since the
    // window listed the labs or loaded the lab.
    void changedElsewhere_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<controls::Resolution>("answer");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QStringList>("labs"); // CutLab afterwards, then the list shown
        const QString labs = QStringLiteral("The institutes of Brilliant were changed on another workstation since you opened them.");
        const QString agl = QStringLiteral("AGL (Brilliant, Cut) was changed on another workstation since you opened it.");
        const QString gia = QStringLiteral("INSERT INTO CutLab VALUES ('Brilliant','GIA','')");
        QTest::newRow("create, reload") << "create" << gia << controls::Resolution::Reload << labs
                                        << QStringList{"AGL", "GIA", "|", "AGL", "GIA"};
        QTest::newRow("create, overwrite") << "create" << gia << controls::Resolution::Overwrite << labs
                                           << QStringList{"AGL", "GIA", "New", "|", "AGL", "GIA", "New"};
        QTest::newRow("copy, cancel") << "copy" << gia << controls::Resolution::Cancel << labs
                                      << QStringList{"AGL", "GIA", "|", "AGL"};
        QTest::newRow("delete, cancel") << "delete" << "UPDATE CutData SET \"cMin\" = '1' WHERE \"cMin\" = ''"
                                        << controls::Resolution::Cancel << agl << QStringList{"AGL", "|", "AGL"};
        QTest::newRow("delete a lab deleted elsewhere, overwrite") << "delete" << "DELETE FROM CutLab"
                                                                   << controls::Resolution::Overwrite << agl
                                                                   << QStringList{"|"};
    }

    void changedElsewhere()
    {
        QFETCH(QString, action);
        QFETCH(QString, theirs);
        QFETCH(controls::Resolution, answer);
        DefinerFixture f(kLab);
        f.dir.exec(theirs);
        f.prompt.resolutions = {answer};
        f.definer.nName->setText("New");
        action == "create" ? f.definer.MnuCreate_Click() : action == "copy" ? f.definer.MnuCopyAs_Click() : f.definer.MnuDelete_Click();
        QTEST(f.prompt.confirmed.last(), "asked");
        QTEST(f.dir.rows("SELECT Lab FROM CutLab ORDER BY rowid") + QStringList{"|"} + DefinerFixture::items(f.definer.LabList),
              "labs");
        if (action == "delete")
            QCOMPARE(f.dir.rows("SELECT count(*) FROM CutData"), QStringList{answer == controls::Resolution::Cancel ? "6" : "0"});
    }
};

QTEST_MAIN(TestLabs)
#include "tst_labs.moc"
