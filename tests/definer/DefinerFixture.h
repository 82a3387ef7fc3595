#pragma once

#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "store/ClassModule.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QListWidget>
#include <QTest>

// A data directory seeded with SQL, and the class definer opened on it the
// way the program starts: shape list, databases, first type, first shape.
struct DefinerFixture {
    explicit DefinerFixture(const QString &sql = {},
                            const QString &shapes = QStringLiteral("Brilliant~RNDCUTSYM\r\nOval~OVLCUTSYM\r\n"))
        : dir(shapes)
    {
        if (!sql.isEmpty())
            dir.exec(sql);
        module.OpenDatabases();
        definer.loadShapeList();
        definer.selectFirstTypeAndShape();
        definer.show();
    }

    controls::FlexGrid &grid() { return *definer.panel->msf; }

    // The texts of one grid row.
    QStringList row(int r)
    {
        QStringList texts;
        for (int c = 0; c < grid().cols(); ++c)
            texts.append(grid().textMatrix(r, c));
        return texts;
    }

    static QStringList items(const QListWidget *list)
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts.append(list->item(i)->text());
        return texts;
    }

    static QList<bool> ticks(const QListWidget *list)
    {
        QList<bool> on;
        for (int i = 0; i < list->count(); ++i)
            on.append(list->item(i)->checkState() == Qt::Checked);
        return on;
    }

    static QStringList items(const QComboBox *combo)
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts.append(combo->itemText(i));
        return texts;
    }

    void chooseLab(const QString &lab)
    {
        definer.LabList->setCurrentIndex(definer.LabList->findText(lab));
        definer.LabList_Click();
    }

    void chooseType(const QString &type)
    {
        definer.pCut->setCurrentIndex(definer.pCut->findText(type));
        definer.pCut_Click();
    }

    testsupport::ScriptedPrompt prompt;
    testsupport::TestDataDir dir;
    store::ClassModule module{store::DataDir(dir.path())};
    definer::ClassDefiner definer{module};
};

// Four parameters of Brilliant; lab AGL with three classes, lab Nordic with one.
inline const QString kThreeClassesFourParameters = QStringLiteral(
    "INSERT INTO CutPara VALUES ('Brilliant',2,'CrownAngle','Crown Angle'), "
    "('Brilliant',1,'TablePct','Table %'), ('Brilliant',3,'PavAngle','Pavilion Angle'), "
    "('Brilliant',4,'Depth','Total Depth %');\n"
    "INSERT INTO CutLab VALUES ('Brilliant','Nordic','north'), ('Brilliant','AGL','main');\n"
    "INSERT INTO Cut VALUES ('Brilliant','AGL',1,'Very Good'), ('Brilliant','AGL',0,'Excellent'), "
    "('Brilliant','AGL',2,'Good'), ('Brilliant','Nordic',0,'Top');\n"
    "INSERT INTO CutData VALUES ('Brilliant','AGL',1,'Table %','52','62',0,'Excellent','TablePct',1), "
    "('Brilliant','AGL',2,'Table %','50','66',0,'Very Good','TablePct',1), "
    "('Brilliant','AGL',3,'Table %','47','69',0,'Good','TablePct',1), "
    "('Brilliant','AGL',1,'Crown Angle','31.5','36.5',0,'Excellent','CrownAngle',0), "
    "('Brilliant','AGL',3,'Crown Angle','22','40',1,'Good','CrownAngle',0), "
    "('Brilliant','AGL',2,'total depth %','56','64.5',1,'Very Good','Depth',0), "
    "('Brilliant','AGL',4,'Table %','1','2',1,'Gone','TablePct',1), "
    "('Brilliant','AGL',1,'Girdle','1','2',1,'Excellent','Girdle',1), "
    "('Brilliant','Nordic',1,'Table %','53','60',1,'Top','TablePct',1);\n"
    "INSERT INTO SymPara VALUES ('Brilliant',1,'OutOfRound','Out of Round %');\n"
    "INSERT INTO SymLab VALUES ('Brilliant','AGL','');\n"
    "INSERT INTO Sym VALUES ('Brilliant','AGL',0,'Excellent');\n"
    "INSERT INTO SymData VALUES ('Brilliant','AGL',1,'Out of Round %','0','0.9',1,'Excellent','OutOfRound',0);\n");
