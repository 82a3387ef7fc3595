#include "store/RuleStore.h"

#include "store/Error.h"
#include "store/History.h"
#include "store/RowReader.h"
#include "store/Engine.h"
#include "store/Sql.h"

namespace store {

RuleTables RuleTables::forType(const QString &type)
{
    if (type == QLatin1String("Cut"))
        return {QStringLiteral("Cut"), QStringLiteral("CutLab"), QStringLiteral("CutPara"),
                QStringLiteral("CutData"), true};
    if (type == QLatin1String("Sym"))
        return {QStringLiteral("Sym"), QStringLiteral("SymLab"), QStringLiteral("SymPara"),
                QStringLiteral("SymData"), true};
    throw Error(QStringLiteral("Unknown class type \"%1\".").arg(type));
}

RuleTables RuleTables::secondary()
{
    return {QStringLiteral("Class"), QString(), QStringLiteral("SYMPARA"), QStringLiteral("SymData"),
            false};
}

void RangeLookup::add(const QString &para, int serial, const RangeCell &cell)
{
    if (serial < 1 || serial > kMaxClassNumber)
        return;
    if (para != m_lastPara || m_lastKey.isNull()) {
        m_lastPara = para;
        m_lastKey = para.toCaseFolded();
    }
    Cells &cells = m_cells[m_lastKey];
    if (cells.size() < serial)
        cells.resize(serial);
    RangeCell &slot = cells[serial - 1];
    if (!slot.stored) { // the first stored row wins
        slot = cell;
        slot.stored = true;
        ++m_size;
    }
}

const RangeLookup::Cells *RangeLookup::parameter(const QString &para) const
{
    const auto it = m_cells.constFind(para.toCaseFolded());
    return it == m_cells.cend() ? nullptr : &it.value();
}

const RangeCell *RangeLookup::find(const QString &para, int serial) const
{
    const Cells *cells = parameter(para);
    if (!cells || serial < 1 || serial > cells->size() || !cells->at(serial - 1).stored)
        return nullptr;
    return &cells->at(serial - 1);
}

RuleStore::RuleStore(const QSqlDatabase &db, const RuleTables &tables) : m_db(db), m_tables(tables)
{
}

QString RuleStore::scopeCondition() const
{
    return m_tables.scoped ? QStringLiteral(" WHERE Lab = ? AND Shape = ?") : QString();
}

QVariantList RuleStore::scopeValues(const Scope &scope) const
{
    return m_tables.scoped ? QVariantList{scope.lab, scope.shape} : QVariantList{};
}

QVector<Parameter> RuleStore::parameters(const QString &shape) const
{
    QSqlQuery q = m_tables.scoped
        ? run(m_db, QStringLiteral("SELECT Display_Name, Parameters FROM %1 WHERE Shape = ? ORDER BY ID")
                        .arg(m_tables.paraTable),
              {shape})
        : run(m_db, QStringLiteral("SELECT Display_Name, Parameters FROM %1 ORDER BY ID")
                        .arg(m_tables.paraTable));
    QVector<Parameter> result;
    while (q.next())
        result.append({text(q, 0), text(q, 1)});
    return result;
}

QStringList RuleStore::labs(const QString &shape) const
{
    return firstColumn(
        m_db, QStringLiteral("SELECT DISTINCT Lab FROM %1 WHERE Shape = ? ORDER BY %2").arg(m_tables.labTable, caselessOrder(m_db, QStringLiteral("Lab"))),
        {shape});
}

QString RuleStore::labDescription(const Scope &scope) const
{
    return firstColumn(m_db,
                       QStringLiteral("SELECT Description FROM %1 WHERE Lab = ? AND Shape = ? ORDER BY rowid LIMIT 1")
                           .arg(m_tables.labTable),
                       {scope.lab, scope.shape})
        .value(0);
}

QStringList RuleStore::classes(const Scope &scope) const
{
    return firstColumn(
        m_db, QStringLiteral("SELECT Class FROM %1%2 ORDER BY Serial").arg(m_tables.classTable, scopeCondition()),
        scopeValues(scope));
}

ScopeRows RuleStore::classRows(const Scope &scope) const
{
    const QString columns = m_tables.scoped ? QStringLiteral("Shape, Lab, Serial, Class") : QStringLiteral("Class, Serial");
    return {QStringLiteral("SELECT %1 FROM %2%3 ORDER BY rowid").arg(columns, m_tables.classTable, scopeCondition()),
            scopeValues(scope)};
}

ScopeRows RuleStore::rangeRows(const Scope &scope) const
{
    const QString columns = QStringLiteral("serial, cPara, \"cMin\", \"cMax\", include, Class, Parameters, Show");
    return {QStringLiteral("SELECT %1%2 FROM %3%4 ORDER BY rowid")
                .arg(m_tables.scoped ? QStringLiteral("Shape, Lab, ") : QString(), columns, m_tables.dataTable,
                     scopeCondition()),
            scopeValues(scope)};
}

Fingerprint RuleStore::classesFingerprint(const Scope &scope) const
{
    return fingerprintOf(m_db, {classRows(scope)});
}

Subject RuleStore::subject(const Scope &scope) const
{
    if (!m_tables.scoped)
        return {QStringLiteral("The OMZ symmetry rules"), true};
    return {QStringLiteral("%1 (%2, %3)").arg(scope.lab, scope.shape, m_tables.classTable), false};
}

RangeLookup RuleStore::ranges(const Scope &scope, Fingerprint *seen) const
{
    // One query for the whole lab, every column a save rewrites, so that the
    // fingerprint costs no second read; rowid order keeps "the first stored
    // row wins". On the server the same read sums the rows' versions.
    const bool digestHere = engineOf(m_db) == Engine::SQLite;
    const ScopeRows query = rangeRows(scope);
    RowReader rows(m_db, digestHere ? query.sql : withServerVersions(query.sql), query.values);
    const int o = m_tables.scoped ? 2 : 0; // Shape and Lab come first
    FingerprintBuilder fingerprint;
    ServerVersions versions;
    RangeLookup lookup;
    while (rows.next()) {
        const qint64 serial = rows.integer(o);
        lookup.add(rows.text(o + 1), int(qBound<qint64>(0, serial, RangeLookup::kMaxClassNumber + 1LL)),
                   {rows.text(o + 2), rows.text(o + 3), rows.integer(o + 4) != 0, rows.integer(o + 7) != 0});
        if (seen && digestHere)
            rows.addRowTo(fingerprint);
        else if (seen)
            versions.add(rows.integer(o + 8), rows.integer(o + 9));
    }
    if (seen)
        *seen = digestHere ? fingerprint.result() : versions.fingerprint();
    return lookup;
}

QVector<RangeRow> RuleStore::storedRanges(const Scope &scope) const
{
    const QString columns = QStringLiteral("serial, cPara, \"cMin\", \"cMax\", include, Class, Parameters, Show");
    QSqlQuery q = run(m_db,
                      QStringLiteral("SELECT %1 FROM %2%3 ORDER BY rowid")
                          .arg(columns, m_tables.dataTable, scopeCondition()),
                      scopeValues(scope));
    QVector<RangeRow> rows;
    while (q.next())
        rows.append(RangeRow{q.value(0).toInt(), text(q, 1), text(q, 2), text(q, 3), flag(q, 4), text(q, 5),
                     text(q, 6), flag(q, 7)});
    return rows;
}

void RuleStore::saveClasses(const Scope &scope, const QStringList &names, Fingerprint *seen) const
{
    saveRuleSet(scope, nullptr, &names, nullptr, seen);
}

void RuleStore::saveRanges(const Scope &scope, const QVector<RangeRow> &rows, Fingerprint *seen) const
{
    saveRuleSet(scope, &rows, nullptr, seen, nullptr);
}

void RuleStore::saveRuleSet(const Scope &scope, const QVector<RangeRow> *ranges, const QStringList *classes,
                            Fingerprint *rangesSeen, Fingerprint *classesSeen) const
{
    Transaction transaction(m_db);
    ScopeRecord record(m_db, HistoryScope::ofLab(m_tables, scope), {},
                       ranges ? QVector<int>{rangesPart()} : QVector<int>{});
    // Both parts are compared before either is written (the ranges may be
    // deleted already, inside this transaction), so a conflict leaves the
    // whole rule set as the other workstation stored it.
    if (ranges)
        record.expectUnchanged(rangesSeen, {rangesPart()}, subject(scope));
    if (classes)
        record.expectUnchanged(classesSeen, {classesPart()}, subject(scope));
    const Fingerprint rangesStored = ranges ? writeRanges(scope, *ranges, rangesSeen, record) : Fingerprint();
    const Fingerprint classesStored = classes ? writeClasses(scope, *classes, classesSeen, record) : Fingerprint();
    record.record(history::kSave);
    transaction.commit();
    if (ranges && rangesSeen)
        *rangesSeen = rangesStored;
    if (classes && classesSeen)
        *classesSeen = classesStored;
}

int RuleStore::classesPart() const
{
    return m_tables.scoped ? 1 : 0; // a lab's own row comes first
}

int RuleStore::rangesPart() const
{
    return classesPart() + 1;
}

Fingerprint RuleStore::writeClasses(const Scope &scope, const QStringList &names, const Fingerprint *seen,
                                    ScopeRecord &record) const
{
    run(m_db, QStringLiteral("DELETE FROM %1%2").arg(m_tables.classTable, scopeCondition()),
        scopeValues(scope));
    const QString sql = m_tables.scoped
        ? QStringLiteral("INSERT INTO %1 (Shape, Lab, Serial, Class) VALUES (?, ?, ?, ?)")
        : QStringLiteral("INSERT INTO %1 (Class, Serial) VALUES (?, ?)");
    QSqlQuery insert = prepare(m_db, sql.arg(m_tables.classTable));
    for (int p = 0; p < names.size(); ++p) {
        runPrepared(insert, m_tables.scoped ? QVariantList{scope.shape, scope.lab, p, names[p]}
                                            : QVariantList{names[p], p});
    }
    insert.finish();
    record.wrote(classesPart());
    return storedNow(m_db, seen, {classRows(scope)});
}

namespace {

// A range row's values as the table stores them (its scope first when the
// table has one), to whatever takes values one by one.
template <typename Sink>
void addStoredRange(Sink &sink, const Scope *scope, const RangeRow &r)
{
    if (scope) {
        sink.addText(scope->shape);
        sink.addText(scope->lab);
    }
    sink.addInteger(r.serial);
    sink.addText(r.para);
    sink.addText(r.min);
    sink.addText(r.max);
    sink.addInteger(int(r.include));
    sink.addText(r.className);
    sink.addText(r.fieldName);
    sink.addInteger(int(r.show));
}

} // namespace

Fingerprint RuleStore::writeRanges(const Scope &scope, const QVector<RangeRow> &rows, const Fingerprint *seen,
                                   ScopeRecord &record) const
{
    if (!record.cleared(rangesPart()))
        run(m_db, QStringLiteral("DELETE FROM %1%2").arg(m_tables.dataTable, scopeCondition()), scopeValues(scope));
    // What a fresh read of the rows will return, taken from the values as
    // they are written: the range table's TEXT and INTEGER columns keep text
    // and integers as sent, so reading thousands of rows back would only
    // repeat them.
    const bool digestHere = engineOf(m_db) == Engine::SQLite; // the server digests its own rows
    FingerprintBuilder written;
    QVector<QVariantList> values;
    values.reserve(rows.size());
    // The history's copy of the rows, made from the values themselves too.
    RowBytes history;
    const bool keepHistory = historyRecording();
    for (const RangeRow &r : rows) {
        QVariantList row{r.serial, r.para, r.min, r.max, int(r.include), r.className, r.fieldName, int(r.show)};
        if (m_tables.scoped)
            row = QVariantList{scope.shape, scope.lab} + row;
        values.append(row);
        if (keepHistory) {
            history.beginRow(row.size());
            addStoredRange(history, m_tables.scoped ? &scope : nullptr, r);
        }
        if (seen && digestHere) {
            addStoredRange(written, m_tables.scoped ? &scope : nullptr, r);
            written.endRow();
        }
    }
    // By position, as the table's layout is checked before the store is used.
    insertRows(m_db, m_tables.dataTable, m_tables.scoped ? 10 : 8, values);
    record.wrote(rangesPart(), history); // read back as written, as for the fingerprint
    return digestHere && seen ? written.result() : storedNow(m_db, seen, {rangeRows(scope)});
}

} // namespace store
