#pragma once

#include <QSqlDatabase>
#include <QStringList>

namespace store {

// The catalogue of the report database: what the field browser needs to
// offer a shape's fields, whatever engine holds the report tables.
class ReportTables {
public:
    virtual ~ReportTables() = default;
    // Every report table, in name order.
    virtual QStringList tables() const = 0;
    // The columns of one table, in column order.
    virtual QStringList columns(const QString &table) const = 0;
};

// The report tables of a SQLite database (Reports.db). Throws store::Error
// with the database's message when the catalogue cannot be read.
class SqlReportTables final : public ReportTables {
public:
    explicit SqlReportTables(const QSqlDatabase &db) : m_db(db) {}
    QStringList tables() const override;
    QStringList columns(const QString &table) const override;

private:
    QSqlDatabase m_db;
};

// Passes every read on and counts it, to show what a refresh really reads.
class CountingReportTables final : public ReportTables {
public:
    explicit CountingReportTables(const ReportTables &inner) : m_inner(inner) {}
    QStringList tables() const override;
    QStringList columns(const QString &table) const override;
    int reads() const { return m_reads; }

private:
    const ReportTables &m_inner;
    mutable int m_reads = 0;
};

// The report tables of the shape with the given code, in the order of
// `tables`: those whose name less its last character equals the code less
// its last six characters, compared exactly. A code shorter than six
// characters names no table.
QStringList shapeTables(const QStringList &tables, const QString &shapeCode);

} // namespace store
