#pragma once

#include "legacy/LegacySource.h"

#include <QDir>
#include <QStringList>

namespace legacyfixture {

// A table from "a|b|c" rows; "<null>" stands for a null.
inline void addTable(legacy::Source &source, const QString &name, const QStringList &columns,
                     const QStringList &rows = {})
{
    legacy::Table &table = source.addTable(name, columns);
    for (const QString &row : rows) {
        legacy::Row values;
        for (const QString &value : row.split(u'|'))
            values.append(value == QLatin1String("<null>") ? QVariant() : QVariant(value));
        table.rows.append(values);
    }
}

// Every rule table of Class.mdb, with the old program's own column names
// where they are free, holding one lab of two parameters and two classes.
inline legacy::Source classMdb()
{
    legacy::Source source(QStringLiteral("Class.mdb"));
    const QStringList classes{"Shape", "Lab", "Serial", "Class"};
    addTable(source, "Cut", classes, {"Brilliant|AGL|0|Excellent", "Brilliant|AGL|1|Very Good"});
    addTable(source, "Sym", classes);
    addTable(source, "CutLab", {"Shape", "Lab", "LabDesc"}, {"Brilliant|AGL|American lab"});
    addTable(source, "SymLab", {"Shape", "Lab", "LabDesc"});
    // Read by name: the old file may hold the columns in another order.
    addTable(source, "CutPara", {"display_name", "Parameters", "ID", "Shape"},
             {"Table %|T|1|Brilliant", "Depth %|D|2|Brilliant"});
    addTable(source, "SymPara", {"Shape", "ID", "Parameters", "Display_Name"});
    const QStringList ranges{"Shape", "Lab", "serial", "cPara", "cMin", "cMax", "include", "ClassName", "Field", "Show"};
    addTable(source, "CutData", ranges,
             {"Brilliant|AGL|1|Table %|52|62|-1|Excellent|T|0", "Brilliant|AGL|2|Table %|50|64|-1|Very Good|T|0",
              "Brilliant|AGL|1|Depth %|59.5|<null>|0|Excellent|D|-1",
              "Brilliant|AGL|2|Depth %|58|63.0|0|Very Good|D|-1"});
    addTable(source, "SymData", ranges);
    addTable(source, "MultiData", {"Shape", "CutInst", "SymInst"});
    addTable(source, "GIRDLE_DESC", {"Shape", "Lab", "ID", "Desc", "B1", "B2", "B3", "B4", "B5", "B6"});
    addTable(source, "GIRDLE_CLASS", {"From", "To", "Class", "Lab", "Shape", "GIRDLECLASS"});
    return source;
}

// The files of a directory, hidden ones included: what an import left.
inline QStringList filesIn(const QString &path)
{
    return QDir(path).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace legacyfixture
