#include "store/ReportTables.h"

#include "store/Engine.h"
#include "store/RowReader.h"
#include "store/Sql.h"

#include <cmath>

namespace store {

namespace {

// The rows of a SQLite or server table, stepped through without a copy.
class SqlReportRows final : public ReportRows {
public:
    SqlReportRows(const QSqlDatabase &db, const QString &table, const QStringList &columns, std::optional<qint64> rid)
        : m_reader(db, select(table, columns, rid), rid ? QVariantList{*rid} : QVariantList{})
    {
    }

    bool next() override { return m_reader.next(); }

    std::optional<qint64> rid() override
    {
        double number = 0;
        switch (m_reader.read(0, number)) {
        case RowReader::Kind::Number:
            if (number == std::trunc(number) && std::fabs(number) < 9e15)
                return qint64(number);
            return std::nullopt;
        case RowReader::Kind::Text: {
            bool ok = false;
            const qint64 rid = m_reader.text(0).trimmed().toLongLong(&ok);
            return ok ? std::optional<qint64>(rid) : std::nullopt;
        }
        default:
            return std::nullopt;
        }
    }

    Reading::Kind value(int column, double &number, QString &text) override
    {
        switch (m_reader.read(column + 1, number)) {
        case RowReader::Kind::Null:
            return Reading::Missing;
        case RowReader::Kind::Number:
            return Reading::Number;
        case RowReader::Kind::Text:
            text = m_reader.text(column + 1);
            return Reading::Text;
        case RowReader::Kind::Other:
            break;
        }
        return Reading::NotANumber;
    }

private:
    static QString select(const QString &table, const QStringList &columns, std::optional<qint64> rid)
    {
        QStringList names{quoted(kReportNumber)};
        for (const QString &column : columns)
            names.append(quoted(column));
        return QStringLiteral("SELECT %1 FROM %2").arg(names.join(QStringLiteral(", ")), quoted(table))
            + (rid ? QStringLiteral(" WHERE %1 = ?").arg(quoted(kReportNumber)) : QString());
    }

    RowReader m_reader;
};

} // namespace

QStringList SqlReportTables::tables() const
{
    // Binary order, so the list does not depend on the collation of the day.
    return tableNames(m_db);
}

QStringList SqlReportTables::columns(const QString &table) const
{
    return tableColumns(m_db, table);
}

qint64 SqlReportTables::rowCount(const QString &table) const
{
    QSqlQuery count = run(m_db, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table)));
    return count.next() ? count.value(0).toLongLong() : 0;
}

std::unique_ptr<ReportRows> SqlReportTables::rows(const QString &table, const QStringList &columns,
                                                  std::optional<qint64> rid) const
{
    return std::make_unique<SqlReportRows>(m_db, table, columns, rid);
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

qint64 CountingReportTables::rowCount(const QString &table) const
{
    ++m_reads;
    return m_inner.rowCount(table);
}

std::unique_ptr<ReportRows> CountingReportTables::rows(const QString &table, const QStringList &columns,
                                                       std::optional<qint64> rid) const
{
    ++m_reads;
    return m_inner.rows(table, columns, rid);
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
