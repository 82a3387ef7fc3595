#include "store/ReportTables.h"

#include "store/Engine.h"
#include "store/Sql.h"

namespace store {

QStringList SqlReportTables::tables() const
{
    // Binary order, so the list does not depend on the collation of the day.
    return tableNames(m_db);
}

QStringList SqlReportTables::columns(const QString &table) const
{
    return tableColumns(m_db, table);
}

QStringList CountingReportTables::tables() const
{
    ++m_reads;
    return m_inner.tables();
}

QStringList CountingReportTables::columns(const QString &table) const
{
    ++m_reads;
    return m_inner.columns(table);
}

QStringList shapeTables(const QStringList &tables, const QString &shapeCode)
{
    constexpr int kSuffix = 6; // the code's own tail, not part of the table names
    QStringList selected;
    if (shapeCode.size() < kSuffix)
        return selected;
    const QString prefix = shapeCode.chopped(kSuffix);
    for (const QString &table : tables) {
        if (!table.isEmpty() && table.chopped(1) == prefix)
            selected.append(table);
    }
    return selected;
}

} // namespace store
