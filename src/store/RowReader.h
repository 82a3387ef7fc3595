#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <QVector>

struct sqlite3_stmt;

namespace store {

class FingerprintBuilder;
class RowBytes;

// Reads the rows of one query, forward only, for the loads that read
// thousands of rows (a lab's ranges). On SQLite it steps the statement
// through the connection's own handle, which spares a QVariant per value;
// on any other engine it reads through QSqlQuery. A text equal to the same
// column's text in the row before comes back as that same QString, so long
// runs of one parameter name cost one string. Throws store::Error with the
// database's message on failure.
class RowReader {
public:
    RowReader(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {});
    ~RowReader();
    RowReader(const RowReader &) = delete;
    RowReader &operator=(const RowReader &) = delete;

    bool next();
    // NULL reads as empty text, and as 0.
    QString text(int column);
    qint64 integer(int column) const;
    // The value as stored: NULL as an invalid QVariant, integers as qint64,
    // reals as double, text as QString, blobs as QByteArray.
    QVariant value(int column);
    // What a column holds as stored; an integer or a real goes into `number`.
    enum class Kind { Null, Number, Text, Other };
    Kind read(int column, double &number) const;
    int columnCount() const;
    // Feeds every column of the row, as stored (kind and all), into a
    // fingerprint, then ends the row there.
    void addRowTo(FingerprintBuilder &builder) const;
    // Appends the row's first `columns` values, as stored, as one row.
    void addRowTo(RowBytes &rows, int columns) const;
    // Both at once: every value read once.
    void addRowTo(RowBytes &rows, FingerprintBuilder &builder) const;

private:
    // Feeds the first `columns` values of the row to sink, kind and all.
    template <typename Sink>
    void feed(Sink &sink, int columns) const;

    struct LastText {
        QByteArray raw;
        QString text;
    };

    sqlite3_stmt *m_statement = nullptr;
    QSqlQuery m_query; // engines other than SQLite
    QVector<LastText> m_last;
};

} // namespace store
