#include "store/LabStore.h"

#include "store/History.h"
#include "store/Sql.h"

namespace store {

LabStore::LabStore(const QSqlDatabase &db) : m_db(db)
{
}

bool LabStore::exists(const RuleTables &tables, const QString &shape, const QString &lab) const
{
    QSqlQuery q = run(m_db,
                      QStringLiteral("SELECT 1 FROM %1 WHERE Lab = ? AND Shape = ? LIMIT 1").arg(tables.labTable),
                      {lab, shape});
    return q.next();
}

QVector<ScopeRows> LabStore::labListRows(const QString &shape) const
{
    QVector<ScopeRows> scopes;
    for (const QString &type : {QStringLiteral("Cut"), QStringLiteral("Sym")}) {
        scopes.append({QStringLiteral("SELECT Shape, Lab, Description FROM %1 WHERE Shape = ? ORDER BY rowid")
                           .arg(RuleTables::forType(type).labTable),
                       {shape}});
    }
    return scopes;
}

Fingerprint LabStore::labListFingerprint(const QString &shape) const
{
    return fingerprintOf(m_db, labListRows(shape));
}

ScopeRows LabStore::labRows(const RuleTables &tables, const Scope &scope) const
{
    return {QStringLiteral("SELECT Shape, Lab, Description FROM %1 WHERE Lab = ? AND Shape = ? ORDER BY rowid")
                .arg(tables.labTable),
            {scope.lab, scope.shape}};
}

Fingerprint LabStore::labFingerprint(const RuleTables &tables, const Scope &scope) const
{
    return fingerprintOf(m_db, {labRows(tables, scope)});
}

namespace {

constexpr int kLabPart = 0; // a lab's own row, in its history

Subject labListSubject(const QString &shape)
{
    return {QStringLiteral("The institutes of %1").arg(shape), true};
}

} // namespace

void LabStore::create(const QString &shape, const QString &lab, const QString &description,
                      Fingerprint *labListSeen) const
{
    Transaction transaction(m_db);
    expectUnchanged(m_db, labListSeen, labListRows(shape), labListSubject(shape));
    for (const QString &type : {QStringLiteral("Cut"), QStringLiteral("Sym")}) {
        const QString table = RuleTables::forType(type).labTable;
        ScopeRecord record(m_db, HistoryScope::ofLab(RuleTables::forType(type), {shape, lab}));
        QSqlQuery first = run(m_db,
                              QStringLiteral("SELECT rowid FROM %1 WHERE Lab = ? AND Shape = ? ORDER BY rowid LIMIT 1")
                                  .arg(table),
                              {lab, shape});
        if (first.next()) {
            const qint64 rowid = first.value(0).toLongLong();
            first.finish();
            run(m_db, QStringLiteral("UPDATE %1 SET Description = ? WHERE rowid = ?").arg(table),
                {description, rowid});
        } else {
            run(m_db, QStringLiteral("INSERT INTO %1 (Shape, Lab, Description) VALUES (?, ?, ?)").arg(table),
                {shape, lab, description});
        }
        record.wrote(kLabPart);
        record.record(history::kCreateLab);
    }
    const Fingerprint stored = storedNow(m_db, labListSeen, labListRows(shape));
    transaction.commit();
    if (labListSeen)
        *labListSeen = stored;
}

void LabStore::copy(const RuleTables &tables, const QString &shape, const QString &from,
                    const QString &to, const QString &description, Fingerprint *labListSeen) const
{
    Transaction transaction(m_db);
    expectUnchanged(m_db, labListSeen, labListRows(shape), labListSubject(shape));
    ScopeRecord record(m_db, HistoryScope::ofLab(tables, {shape, to}));
    run(m_db,
        QStringLiteral("INSERT INTO %1 (Shape, Lab, Serial, Class) "
                       "SELECT Shape, ?, Serial, Class FROM %1 WHERE Lab = ? AND Shape = ? ORDER BY rowid")
            .arg(tables.classTable),
        {to, from, shape});
    run(m_db,
        QStringLiteral("INSERT INTO %1 (Shape, Lab, serial, cPara, \"cMin\", \"cMax\", include, Class, Parameters, Show) "
                       "SELECT Shape, ?, serial, cPara, \"cMin\", \"cMax\", include, Class, Parameters, Show "
                       "FROM %1 WHERE Lab = ? AND Shape = ? ORDER BY rowid")
            .arg(tables.dataTable),
        {to, from, shape});
    run(m_db, QStringLiteral("INSERT INTO %1 (Shape, Lab, Description) VALUES (?, ?, ?)").arg(tables.labTable),
        {shape, to, description});
    for (int part = 0; part < 3; ++part)
        record.wrote(part);
    record.record(history::kCopyLab, QStringLiteral("from %1").arg(from));
    const Fingerprint stored = storedNow(m_db, labListSeen, labListRows(shape));
    transaction.commit();
    if (labListSeen)
        *labListSeen = stored;
}

void LabStore::remove(const RuleTables &tables, const QString &shape, const QString &lab,
                      const Fingerprint *seen) const
{
    Transaction transaction(m_db);
    const Scope scope{shape, lab};
    ScopeRecord record(m_db, HistoryScope::ofLab(tables, scope));
    // The lab row, the class rows and the range rows: the history's parts.
    record.expectUnchanged(seen, {0, 1, 2}, RuleStore(m_db, tables).subject(scope));
    for (const QString &table : {tables.labTable, tables.classTable, tables.dataTable})
        run(m_db, QStringLiteral("DELETE FROM %1 WHERE Lab = ? AND Shape = ?").arg(table), {lab, shape});
    for (int part = 0; part < 3; ++part)
        record.wrote(part, Rows());
    record.record(history::kDeleteLab);
    transaction.commit();
}

} // namespace store
