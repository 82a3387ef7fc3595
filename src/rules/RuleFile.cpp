#include "rules/RuleFile.h"

#include "rules/Csv.h"
#include "store/Error.h"
#include "store/History.h"
#include "store/RuleStore.h"
#include "store/Sql.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

namespace rules {

namespace {

enum Column { Record, Type, Shape, Lab, Description, ClassNumber, Class, Position, Parameter, Field, Min, Max,
              Include, Show, ColumnCount };

const QString kParameter = QStringLiteral("parameter");
const QString kLab = QStringLiteral("lab");
const QString kClass = QStringLiteral("class");
const QString kRange = QStringLiteral("range");

QStringList blankRow(const QString &record, const QString &type)
{
    QStringList row(ColumnCount);
    row[Record] = record;
    row[Type] = type;
    return row;
}

QString yesNo(const QVariant &value)
{
    return value.toLongLong() != 0 ? QStringLiteral("1") : QStringLiteral("0");
}

// Values in first-seen order, without regard to case (as the tables compare).
void appendNew(QStringList &list, QSet<QString> &seen, const QString &value)
{
    const QString key = value.toCaseFolded();
    if (!seen.contains(key)) {
        seen.insert(key);
        list.append(value);
    }
}

class Exporter {
public:
    Exporter(const QSqlDatabase &db, const QString &type)
        : m_db(db), m_type(type), m_tables(store::RuleTables::forType(type))
    {
    }

    QStringList shapes() const
    {
        QStringList shapes;
        QSet<QString> seen;
        for (const QString &table : {m_tables.paraTable, m_tables.labTable, m_tables.classTable, m_tables.dataTable})
            for (const QString &shape : store::firstColumn(m_db, QStringLiteral("SELECT Shape FROM %1 ORDER BY rowid").arg(table)))
                appendNew(shapes, seen, shape);
        return shapes;
    }

    QStringList labs(const QString &shape) const
    {
        QStringList labs;
        QSet<QString> seen;
        for (const QString &table : {m_tables.labTable, m_tables.classTable, m_tables.dataTable})
            for (const QString &lab : store::firstColumn(
                     m_db, QStringLiteral("SELECT Lab FROM %1 WHERE Shape = ? ORDER BY rowid").arg(table), {shape}))
                appendNew(labs, seen, lab);
        return labs;
    }

    // Each writes the rows and returns how many.
    int parameters(QByteArray &out, const QString &shape) const
    {
        int written = 0;
        QSqlQuery q = store::run(
            m_db, QStringLiteral("SELECT Shape, ID, Parameters, Display_Name FROM %1 WHERE Shape = ? ORDER BY rowid")
                      .arg(m_tables.paraTable),
            {shape});
        while (q.next()) {
            QStringList row = blankRow(kParameter, m_type);
            row[Shape] = store::text(q, 0);
            row[Position] = store::text(q, 1);
            row[Field] = store::text(q, 2);
            row[Parameter] = store::text(q, 3);
            out += csvRecord(row);
            ++written;
        }
        return written;
    }

    int lab(QByteArray &out, const QString &shape, const QString &lab) const
    {
        int written = 0;
        const QVariantList scope{shape, lab};
        QSqlQuery labs = store::run(
            m_db, QStringLiteral("SELECT Shape, Lab, Description FROM %1 WHERE Shape = ? AND Lab = ? ORDER BY rowid")
                      .arg(m_tables.labTable),
            scope);
        while (labs.next()) {
            QStringList row = blankRow(kLab, m_type);
            row[Shape] = store::text(labs, 0);
            row[Lab] = store::text(labs, 1);
            row[Description] = store::text(labs, 2);
            out += csvRecord(row);
            ++written;
        }
        QSqlQuery classes = store::run(
            m_db, QStringLiteral("SELECT Shape, Lab, Serial, Class FROM %1 WHERE Shape = ? AND Lab = ? ORDER BY Serial, rowid")
                      .arg(m_tables.classTable),
            scope);
        while (classes.next()) {
            QStringList row = blankRow(kClass, m_type);
            row[Shape] = store::text(classes, 0);
            row[Lab] = store::text(classes, 1);
            row[ClassNumber] = QString::number(classes.value(2).toLongLong() + 1);
            row[Class] = store::text(classes, 3);
            out += csvRecord(row);
            ++written;
        }
        QSqlQuery ranges = store::run(
            m_db, QStringLiteral("SELECT Shape, Lab, serial, cPara, \"cMin\", \"cMax\", include, Class, Parameters, Show "
                                 "FROM %1 WHERE Shape = ? AND Lab = ? ORDER BY rowid")
                      .arg(m_tables.dataTable),
            scope);
        while (ranges.next()) {
            QStringList row = blankRow(kRange, m_type);
            row[Shape] = store::text(ranges, 0);
            row[Lab] = store::text(ranges, 1);
            row[ClassNumber] = store::text(ranges, 2);
            row[Parameter] = store::text(ranges, 3);
            row[Min] = store::text(ranges, 4);
            row[Max] = store::text(ranges, 5);
            row[Include] = yesNo(ranges.value(6));
            row[Class] = store::text(ranges, 7);
            row[Field] = store::text(ranges, 8);
            row[Show] = yesNo(ranges.value(9));
            out += csvRecord(row);
            ++written;
        }
        return written;
    }

private:
    QSqlDatabase m_db;
    QString m_type;
    store::RuleTables m_tables;
};

[[noreturn]] void refuse(int line, const QString &what)
{
    throw store::Error(QStringLiteral("Line %1: %2").arg(line).arg(what));
}

int number(const CsvRecord &r, int column, int least)
{
    bool ok = false;
    const int value = r.fields[column].toInt(&ok);
    if (!ok || value < least)
        refuse(r.line, QStringLiteral("%1 \"%2\" is not a whole number of at least %3.")
                           .arg(ruleFileHeader()[column], r.fields[column])
                           .arg(least));
    return value;
}

QString tick(const CsvRecord &r, int column)
{
    const QString &value = r.fields[column];
    if (value != QLatin1String("0") && value != QLatin1String("1"))
        refuse(r.line, QStringLiteral("%1 \"%2\" must be 0 or 1.").arg(ruleFileHeader()[column], value));
    return value;
}

// Whether the shape's parameter list (lab empty) or the lab is stored.
bool isStored(const QSqlDatabase &db, const QString &type, const QString &shape, const QString &lab)
{
    const store::RuleTables tables = store::RuleTables::forType(type);
    if (lab.isEmpty())
        return !store::firstColumn(db, QStringLiteral("SELECT 1 FROM %1 WHERE Shape = ? LIMIT 1").arg(tables.paraTable), {shape})
                    .isEmpty();
    return !store::firstColumn(db,
                               QStringLiteral("SELECT 1 FROM %1 WHERE Shape = ? AND Lab = ? UNION ALL "
                                              "SELECT 1 FROM %2 WHERE Shape = ? AND Lab = ? LIMIT 1")
                                   .arg(tables.labTable, tables.classTable),
                               {shape, lab, shape, lab})
                .isEmpty();
}

QString nothingFound(const Selection &selection)
{
    switch (selection.scope) {
    case Selection::Lab:
        return QStringLiteral("There is no lab \"%1\" of %2 (%3); nothing was exported.")
            .arg(selection.lab, selection.shape, selection.type);
    case Selection::ShapeAndType:
        return QStringLiteral("There are no rules of %1 (%2); nothing was exported.").arg(selection.shape, selection.type);
    case Selection::Everything:
        break;
    }
    return QStringLiteral("There are no rules to export; nothing was exported.");
}

} // namespace

QStringList ruleFileHeader()
{
    return {QStringLiteral("Record"),   QStringLiteral("Type"),      QStringLiteral("Shape"),
            QStringLiteral("Lab"),      QStringLiteral("Description"), QStringLiteral("Class number"),
            QStringLiteral("Class"),    QStringLiteral("Position"),  QStringLiteral("Parameter"),
            QStringLiteral("Field"),    QStringLiteral("Min"),       QStringLiteral("Max"),
            QStringLiteral("Include"),  QStringLiteral("Show")};
}

QByteArray exportRules(const QSqlDatabase &db, const Selection &selection)
{
    QByteArray out("\xEF\xBB\xBF");
    out += csvRecord(ruleFileHeader());
    const QStringList types = selection.scope == Selection::Everything
        ? QStringList{QStringLiteral("Cut"), QStringLiteral("Sym")}
        : QStringList{selection.type};
    int found = 0;
    for (const QString &type : types) {
        const Exporter exporter(db, type);
        const QStringList shapes =
            selection.scope == Selection::Everything ? exporter.shapes() : QStringList{selection.shape};
        for (const QString &shape : shapes) {
            const int parameters = exporter.parameters(out, shape);
            // A lab's shape brings its parameters along, but they are not the lab.
            if (selection.scope != Selection::Lab)
                found += parameters;
            const QStringList labs = selection.scope == Selection::Lab ? QStringList{selection.lab} : exporter.labs(shape);
            for (const QString &lab : labs)
                found += exporter.lab(out, shape, lab);
        }
    }
    if (found == 0)
        throw store::Error(nothingFound(selection));
    return out;
}

ImportPlan::Group &ImportPlan::group(const QString &type, const QString &shape, const QString &lab, int line)
{
    // Names compare without regard to case, as the tables do.
    const QString key = type + u'\n' + shape.toCaseFolded() + u'\n' + lab.toCaseFolded();
    const auto found = m_index.constFind(key);
    if (found != m_index.constEnd())
        return m_groups[*found];
    m_index.insert(key, int(m_groups.size()));
    Group added;
    added.type = type;
    added.shape = shape;
    added.lab = lab;
    added.firstLine = line;
    m_groups.append(added);
    return m_groups.last();
}

ImportPlan ImportPlan::read(const QSqlDatabase &db, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw store::Error(QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    const QString wrongHeader = QStringLiteral("the header must read %1.").arg(ruleFileHeader().join(u','));
    ImportPlan plan;
    bool header = true;
    readCsv(file, kMaxRuleFileBytes, [&](const CsvRecord &r) {
        if (header && r.fields != ruleFileHeader())
            refuse(r.line, wrongHeader);
        if (!header)
            plan.add(r);
        header = false;
    });
    if (header)
        refuse(1, wrongHeader);
    for (Group &g : plan.m_groups) {
        if (!g.lab.isEmpty() && g.labRows.isEmpty())
            refuse(g.firstLine, QStringLiteral("the lab \"%1\" of %2 (%3) has no lab record; a lab is imported whole, "
                                               "with its lab record, its classes and its ranges.")
                                    .arg(g.lab, g.shape, g.type));
        g.exists = isStored(db, g.type, g.shape, g.lab);
    }
    return plan;
}

void ImportPlan::add(const CsvRecord &r)
{
    const QStringList &f = r.fields;
    if (f.size() != ColumnCount)
        refuse(r.line, QStringLiteral("%1 fields; a rules file has %2.").arg(f.size()).arg(ColumnCount));
    if (f[Type] != QLatin1String("Cut") && f[Type] != QLatin1String("Sym"))
        refuse(r.line, QStringLiteral("unknown type \"%1\"; it must be Cut or Sym.").arg(f[Type]));
    const QString &kind = f[Record];
    if (kind == kParameter) {
        number(r, Position, 0);
        group(f[Type], f[Shape], QString(), r.line).parameters.append({f[Shape], f[Position], f[Field], f[Parameter]});
        return;
    }
    if (kind != kLab && kind != kClass && kind != kRange)
        refuse(r.line, QStringLiteral("unknown record \"%1\"; it must be parameter, lab, class or range.").arg(kind));
    if (f[Lab].isEmpty())
        refuse(r.line, QStringLiteral("a %1 record needs a lab.").arg(kind));
    Group &g = group(f[Type], f[Shape], f[Lab], r.line);
    if (kind == kLab) {
        g.labRows.append({f[Shape], f[Lab], f[Description]});
    } else if (kind == kClass) {
        const int n = number(r, ClassNumber, 1);
        if (n <= g.lastClass)
            refuse(r.line, QStringLiteral("class number %1 is out of order; the classes of a lab are numbered upwards.").arg(n));
        g.lastClass = n;
        g.classes.append({f[Shape], f[Lab], QString::number(n - 1), f[Class]});
    } else {
        number(r, ClassNumber, 1);
        g.ranges.append({f[Shape], f[Lab], f[ClassNumber], f[Parameter], f[Min], f[Max], tick(r, Include), f[Class],
                         f[Field], tick(r, Show)});
    }
}

QStringList ImportPlan::summary() const
{
    int added = 0, replaced = 0;
    QStringList lines;
    for (const Group &g : m_groups) {
        if (g.lab.isEmpty()) {
            lines << QStringLiteral("%1, %2: parameter list %3 (%4 parameters)")
                         .arg(g.type, g.shape, g.exists ? QStringLiteral("replaced") : QStringLiteral("added"))
                         .arg(g.parameters.size());
            continue;
        }
        (g.exists ? replaced : added) += 1;
        lines << QStringLiteral("%1, %2, %3: %4 (%5 classes, %6 ranges)")
                     .arg(g.type, g.shape, g.lab, g.exists ? QStringLiteral("replaced") : QStringLiteral("added"))
                     .arg(g.classes.size())
                     .arg(g.ranges.size());
    }
    lines.prepend(QStringLiteral("Labs added: %1. Labs replaced: %2.").arg(added).arg(replaced));
    return lines;
}

void ImportPlan::apply(const QSqlDatabase &db) const
{
    store::Transaction transaction(db);
    // into: a table, with its columns named where they may stand in any order.
    auto insertAll = [&](const QString &into, int columns, const QVector<QStringList> &rows) {
        if (rows.isEmpty())
            return;
        QStringList marks(columns, QStringLiteral("?"));
        QSqlQuery insert = store::prepare(db, QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(into, marks.join(u',')));
        for (const QStringList &row : rows) {
            store::runPrepared(insert, QVariantList(row.begin(), row.end()));
        }
    };
    for (const Group &g : m_groups) {
        const store::RuleTables tables = store::RuleTables::forType(g.type);
        const store::HistoryScope scope = g.lab.isEmpty() ? store::HistoryScope::ofParameters(tables, g.shape)
                                                          : store::HistoryScope::ofLab(tables, {g.shape, g.lab});
        store::ScopeRecord record(db, scope);
        if (g.lab.isEmpty()) {
            store::run(db, QStringLiteral("DELETE FROM %1 WHERE Shape = ?").arg(tables.paraTable), {g.shape});
            insertAll(tables.paraTable + QStringLiteral(" (Shape, ID, Parameters, Display_Name)"), 4, g.parameters);
        } else {
            for (const QString &table : {tables.labTable, tables.classTable, tables.dataTable})
                store::run(db, QStringLiteral("DELETE FROM %1 WHERE Shape = ? AND Lab = ?").arg(table), {g.shape, g.lab});
            insertAll(tables.labTable, 3, g.labRows);
            insertAll(tables.classTable, 4, g.classes);
            insertAll(tables.dataTable, 10, g.ranges);
        }
        for (int part = 0; part < scope.partCount(); ++part)
            record.wrote(part);
        record.record(store::history::kRulesFile);
    }
    transaction.commit();
}

} // namespace rules
