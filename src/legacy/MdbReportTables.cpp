#include "legacy/MdbReportTables.h"

#include "legacy/MdbFile.h"
#include "store/ClassModule.h"

#include <QFileInfo>
#include <algorithm>

namespace legacy {

const Source &MdbReportTables::current() const
{
    const QFileInfo info(m_path);
    if (m_size < 0 || info.size() != m_size || info.lastModified() != m_modified) {
        Source source = readMdbFile(m_path, false);
        QStringList names;
        for (const Table &table : source.tables())
            names.append(table.name);
        // Code-point order, as Reports.db's tables are listed.
        std::sort(names.begin(), names.end());
        m_source = std::move(source);
        m_tables = names;
        m_size = info.size();
        m_modified = info.lastModified();
    }
    return m_source;
}

QStringList MdbReportTables::tables() const
{
    current();
    return m_tables;
}

QStringList MdbReportTables::columns(const QString &table) const
{
    for (const Table &candidate : current().tables()) {
        if (candidate.name == table)
            return candidate.columns;
    }
    return {};
}

std::unique_ptr<store::ReportTables> openReportTables(const store::ClassModule &module)
{
    if (module.dataDir().reportsInAccessFile())
        return std::make_unique<MdbReportTables>(module.dataDir().file(QString::fromLatin1(store::kReportsMdb)));
    return std::make_unique<store::SqlReportTables>(module.reportDb());
}

} // namespace legacy
