#include "legacy/LegacySource.h"

namespace legacy {

const Table *Source::table(const QString &name) const
{
    for (const Table &table : m_tables) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return &table;
    }
    return nullptr;
}

Table &Source::addTable(const QString &name, const QStringList &columns)
{
    m_tables.append(Table{name, columns, {}});
    return m_tables.last();
}

} // namespace legacy
