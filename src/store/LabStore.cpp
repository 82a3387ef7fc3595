#include "store/LabStore.h"

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

void LabStore::create(const QString &shape, const QString &lab, const QString &description) const
{
    Transaction transaction(m_db);
    for (const QString &type : {QStringLiteral("Cut"), QStringLiteral("Sym")}) {
        const QString table = RuleTables::forType(type).labTable;
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
    }
    transaction.commit();
}

void LabStore::copy(const RuleTables &tables, const QString &shape, const QString &from,
                    const QString &to, const QString &description) const
{
    Transaction transaction(m_db);
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
    transaction.commit();
}

void LabStore::remove(const RuleTables &tables, const QString &shape, const QString &lab) const
{
    Transaction transaction(m_db);
    for (const QString &table : {tables.labTable, tables.classTable, tables.dataTable})
        run(m_db, QStringLiteral("DELETE FROM %1 WHERE Lab = ? AND Shape = ?").arg(table), {lab, shape});
    transaction.commit();
}

} // namespace store
