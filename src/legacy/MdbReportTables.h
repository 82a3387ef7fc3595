#pragma once

#include "legacy/LegacySource.h"
#include "store/ReportTables.h"

#include <QDateTime>
#include <memory>

namespace store {
class ClassModule;
class DataDir;
}

namespace legacy {

// The report tables of an Access file read in place, read only: tables in
// name order, columns in column order, as SqlReportTables gives them. Other
// software keeps writing the file, so it is read afresh whenever its size
// or time stamp changed. Rows are read, and then kept, only once asked
// for. Throws store::Error naming the file.
class MdbReportTables final : public store::ReportTables {
public:
    explicit MdbReportTables(const QString &path) : m_path(path) {}
    QStringList tables() const override;
    QStringList columns(const QString &table) const override;
    qint64 rowCount(const QString &table) const override;
    std::unique_ptr<store::ReportRows> rows(const QString &table, const QStringList &columns,
                                            std::optional<qint64> rid) const override;

private:
    const Source &current(bool withRows = false) const;
    const Table *table(const QString &name) const; // with its rows

    QString m_path;
    mutable Source m_source;
    mutable bool m_withRows = false;
    mutable QStringList m_tables;
    mutable QDateTime m_modified;
    mutable qint64 m_size = -1;
};

// The report tables of the module's data directory: Reports.db through the
// report connection, or Reports.mdb when that is all there is.
std::unique_ptr<store::ReportTables> openReportTables(const store::ClassModule &module);
// The same for a thread of its own: Reports.db, or the reports store on the
// server, is opened on the named connection, which the caller closes.
std::unique_ptr<store::ReportTables> openReportTables(const store::DataDir &dir, const QString &connection);

} // namespace legacy
