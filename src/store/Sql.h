#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

namespace store {

// Prepares a statement, binds every value positionally and runs it.
// Throws store::Error carrying the database's message on any failure.
QSqlQuery run(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {});

// Prepares a statement for repeated use; throws store::Error on failure.
QSqlQuery prepare(const QSqlDatabase &db, const QString &sql);

// Binds the values to an already prepared query and runs it (for loops of
// inserts that reuse one prepared statement).
void runPrepared(QSqlQuery &query, const QVariantList &values);

// Inserts rows of `width` values each into the first columns of the table
// (by position), many rows to a statement: on a server every statement is
// a round trip.
void insertRows(const QSqlDatabase &db, const QString &table, qsizetype width, const QVector<QVariantList> &rows);
// The same into the named columns, in that order.
void insertRows(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                const QVector<QVariantList> &rows);

// Runs a query and returns the text of the first column of every row.
QStringList firstColumn(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {});

// Text of a column that may be NULL: NULL reads as empty text.
QString text(const QSqlQuery &query, int column);

// The old engine read booleans as True when non-zero.
bool flag(const QSqlQuery &query, int column);

// One transaction holding the store's write lock from construction (see
// beginWrite), so that a lock held by someone else fails here, before
// anything is deleted; rolled back by the destructor unless commit()
// succeeded.
class Transaction {
public:
    explicit Transaction(const QSqlDatabase &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

} // namespace store
