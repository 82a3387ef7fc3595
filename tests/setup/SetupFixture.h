#pragma once

#include "controls/ReportList.h"
#include "definer/DefinerFixture.h"
#include "definer/ShapeList.h"
#include "store/ClassModule.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QTest>
#include <functional>

// A data directory with rows in Class.db and tables in Reports.db, opened
// the way the program starts: the main window's shape combo filled from
// Shapes.txt (with ShapeCodes), both connections open.
struct SetupFixture {
    explicit SetupFixture(const QString &classSql = {}, const QString &reportsSql = {},
                          const QString &shapes = QStringLiteral("Brilliant~BRCUTSYM\r\nOval~OVLCUTSYM\r\n"))
        : dir(shapes)
    {
        dir.exec(classSql);
        dir.exec(reportsSql, QStringLiteral("Reports.db"));
        module.OpenDatabases();
        definer::LoadShapeList(&mainShapes, module);
    }

    QStringList rows(const QString &sql) const { return dir.rows(sql); }

    QByteArray shapesFile() const
    {
        QFile file(dir.file("Shapes.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    // As another program or workstation would.
    void writeShapesFile(const QByteArray &bytes) const
    {
        QFile file(dir.file("Shapes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
    }

    // "text|sub-item" per item, or the text alone for a one-column list;
    // "+" before a ticked one.
    static QStringList items(const controls::ReportList *list)
    {
        QStringList texts;
        for (int i = 1; i <= list->count(); ++i)
            texts.append((list->checked(i) ? "+" : "") + list->text(i) +
                         (list->columnCount() > 1 ? u'|' + list->subItem(i) : QString()));
        return texts;
    }

    testsupport::ScriptedPrompt prompt;
    testsupport::TestDataDir dir;
    store::ClassModule module{store::DataDir(dir.path())};
    QComboBox mainShapes;
};
