#pragma once

#include <QSqlDatabase>
#include <QStringList>
#include <memory>
#include <optional>

namespace store {

// One value of a report table as stored: a number, nothing (NULL, or no
// row for the stone), or text, which grading reads as a number if it can.
struct Reading {
    enum Kind : quint8 { Missing, Number, Text, NotANumber };
    double number = 0; // Number: the value; Text: where its text is kept
    Kind kind = Missing;
};

// The column that holds a report's number in every report table.
inline const QString kReportNumber = QStringLiteral("RID");

// The rows of one report table being read: the report number, then the
// columns asked for.
class ReportRows {
public:
    virtual ~ReportRows() = default;
    virtual bool next() = 0;
    // The report number; nothing when it is NULL or not a whole number.
    virtual std::optional<qint64> rid() = 0;
    // Column c of those asked for (from 0); a text goes into `text`.
    virtual Reading::Kind value(int column, double &number, QString &text) = 0;
};

// The report database: the catalogue the field browser offers a shape's
// fields from, and the rows that hold the stones graded, whatever engine
// holds the report tables.
class ReportTables {
public:
    virtual ~ReportTables() = default;
    // Every report table, in name order.
    virtual QStringList tables() const = 0;
    // The columns of one table, in column order.
    virtual QStringList columns(const QString &table) const = 0;
    // How many rows a table holds.
    virtual qint64 rowCount(const QString &table) const = 0;
    // The rows of a table that has the RID column and the named columns;
    // with rid, only that report's rows. One table is read at a time.
    virtual std::unique_ptr<ReportRows> rows(const QString &table, const QStringList &columns,
                                             std::optional<qint64> rid) const = 0;
};

// The report tables of a SQLite database (Reports.db). Throws store::Error
// with the database's message when the catalogue cannot be read.
class SqlReportTables final : public ReportTables {
public:
    explicit SqlReportTables(const QSqlDatabase &db) : m_db(db) {}
    QStringList tables() const override;
    QStringList columns(const QString &table) const override;
    qint64 rowCount(const QString &table) const override;
    std::unique_ptr<ReportRows> rows(const QString &table, const QStringList &columns,
                                     std::optional<qint64> rid) const override;

private:
    QSqlDatabase m_db;
};

// Passes every read on and counts it, to show what a refresh really reads.
class CountingReportTables final : public ReportTables {
public:
    explicit CountingReportTables(const ReportTables &inner) : m_inner(inner) {}
    QStringList tables() const override;
    QStringList columns(const QString &table) const override;
    qint64 rowCount(const QString &table) const override;
    std::unique_ptr<ReportRows> rows(const QString &table, const QStringList &columns,
                                     std::optional<qint64> rid) const override;
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
