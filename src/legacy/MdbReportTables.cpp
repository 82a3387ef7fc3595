#include "legacy/MdbReportTables.h"

#include "legacy/MdbFile.h"
#include "store/ClassModule.h"
#include "store/Database.h"

#include <QFileInfo>
#include <algorithm>

namespace legacy {

namespace {

// The rows of one table of the file as read: texts and nulls.
class MdbReportRows final : public store::ReportRows {
public:
    MdbReportRows(const Table *table, const QStringList &columns, std::optional<qint64> rid) : m_rid(rid)
    {
        if (!table)
            return;
        m_rows = &table->rows;
        m_columns.append(int(table->columns.indexOf(store::kReportNumber)));
        for (const QString &column : columns)
            m_columns.append(int(table->columns.indexOf(column)));
    }

    bool next() override
    {
        while (m_rows && ++m_next < m_rows->size()) {
            if (!m_rid || rid() == m_rid)
                return true;
        }
        return false;
    }

    std::optional<qint64> rid() override
    {
        bool ok = false;
        const qint64 rid = cell(0).toString().trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(rid) : std::nullopt;
    }

    store::Reading::Kind value(int column, double &, QString &text) override
    {
        const QVariant &value = cell(column + 1);
        if (value.isNull())
            return store::Reading::Missing;
        text = value.toString();
        return store::Reading::Text;
    }

private:
    const QVariant &cell(int column) const
    {
        static const QVariant null;
        const Row &row = m_rows->at(m_next);
        const int at = m_columns.value(column, -1);
        return at >= 0 && at < row.size() ? row.at(at) : null;
    }

    const QList<Row> *m_rows = nullptr;
    QVector<int> m_columns; // RID, then the columns asked for
    std::optional<qint64> m_rid;
    qsizetype m_next = -1;
};

} // namespace

const Source &MdbReportTables::current(bool withRows) const
{
    const QFileInfo info(m_path);
    if (m_size < 0 || info.size() != m_size || info.lastModified() != m_modified || (withRows && !m_withRows)) {
        Source source = readMdbFile(m_path, withRows);
        QStringList names;
        for (const Table &table : source.tables())
            names.append(table.name);
        // Code-point order, as Reports.db's tables are listed.
        std::sort(names.begin(), names.end());
        m_source = std::move(source);
        m_withRows = withRows;
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

const Table *MdbReportTables::table(const QString &name) const
{
    for (const Table &candidate : current(true).tables()) {
        if (candidate.name == name)
            return &candidate;
    }
    return nullptr;
}

qint64 MdbReportTables::rowCount(const QString &name) const
{
    const Table *found = table(name);
    return found ? found->rows.size() : 0;
}

std::unique_ptr<store::ReportRows> MdbReportTables::rows(const QString &name, const QStringList &columns,
                                                         std::optional<qint64> rid) const
{
    return std::make_unique<MdbReportRows>(table(name), columns, rid);
}

std::unique_ptr<store::ReportTables> openReportTables(const store::DataDir &dir, const QString &connection)
{
    if (dir.reportsInAccessFile())
        return std::make_unique<MdbReportTables>(dir.file(QString::fromLatin1(store::kReportsMdb)));
    return std::make_unique<store::SqlReportTables>(store::openStore(connection, dir, store::StoreKind::Reports));
}

std::unique_ptr<store::ReportTables> openReportTables(const store::ClassModule &module)
{
    if (module.dataDir().reportsInAccessFile())
        return std::make_unique<MdbReportTables>(module.dataDir().file(QString::fromLatin1(store::kReportsMdb)));
    return std::make_unique<store::SqlReportTables>(module.reportDb());
}

} // namespace legacy
