#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace store {

// A stored row as read: NULL as an invalid QVariant, integers as qint64,
// reals as double, text as QString, blobs as QByteArray.
using Row = QVector<QVariant>;
using Rows = QVector<Row>;
// The rows of each table a history scope holds, in stored order.
using Parts = QVector<Rows>;

// The same value: kind and content, text compared exactly.
bool sameValue(const QVariant &a, const QVariant &b);
bool sameRow(const Row &a, const Row &b);
// How a value reads in a message or a tool tip.
QString valueText(const QVariant &value);

// What changed between two versions of one table's rows: cells changed in
// rows that stayed, rows removed and rows added. It holds both sides of
// every change, so it rebuilds either version from the other.
struct RowsDiff {
    struct Cell {
        int column = 0;
        QVariant before;
        QVariant after;
    };
    struct Changed {
        int oldRow = 0;
        int newRow = 0;
        QVector<Cell> cells;
    };
    struct Whole {
        int index = 0; // in the old rows for removed, in the new rows for added
        Row row;
    };
    int oldCount = 0;
    int newCount = 0;
    QVector<Changed> changed; // rising row numbers on both sides
    QVector<Whole> removed;   // rising
    QVector<Whole> added;     // rising

    bool isEmpty() const { return changed.isEmpty() && removed.isEmpty() && added.isEmpty(); }
    bool movesRows() const { return !removed.isEmpty() || !added.isEmpty(); }
    // Cells changed plus rows removed and added.
    int size() const;
};

using PartsDiff = QVector<RowsDiff>;

// Rows as the history keeps them: each row's values as tagged bytes, one
// row after another. The same values always give the same bytes, so a save
// compares and digests tens of thousands of rows without making a value of
// each.
class RowBytes {
public:
    RowBytes() = default;
    explicit RowBytes(const Rows &rows);

    // A row value by value, as a statement reads it.
    void beginRow(qsizetype columns);
    void addNull();
    void addInteger(qint64 value);
    void addReal(double value);
    void addText(const char *utf8, qsizetype size);
    void addText(const QString &text);
    void addBlob(const void *bytes, qsizetype size);
    // As stored: whole numbers, reals, texts (an empty box as empty text), bytes, NULL.
    void addValue(const QVariant &value);

    qsizetype size() const { return m_starts.size(); }
    QByteArrayView row(qsizetype i) const;
    Row decoded(qsizetype i) const;
    Rows decoded() const;
    QByteArrayView bytes() const { return {m_buffer.constData(), m_used}; }

private:
    char *room(qsizetype size);
    void wrote(const char *end);
    // A value of its kind with its length in front.
    void addSized(char kind, const void *bytes, qsizetype size);

    QByteArray m_buffer; // written up to m_used
    qsizetype m_used = 0;
    QVector<qsizetype> m_starts;
};
using PartBytes = QVector<RowBytes>;
PartBytes partBytes(const Parts &parts);

// The changes from before to after. Rows are first matched on equal
// content at both ends, then on the key columns (a parameter and class
// number, say), so that one value typed or one class added costs one
// change, not a rewrite of everything after it.
RowsDiff diffRows(const Rows &before, const Rows &after, const QVector<int> &keyColumns);
RowsDiff diffRows(const RowBytes &before, const RowBytes &after, const QVector<int> &keyColumns);
// before rebuilt into after (forward), or after into before. Throws
// store::Error when the rows do not fit the changes (a damaged history).
Rows applyDiff(const RowsDiff &diff, const Rows &rows, bool forward = true);
int changeCount(const PartsDiff &diff);
// The same for every table of a scope, in place.
void applyDiff(const PartsDiff &diff, Parts &parts, bool forward = true);

// Compact bytes for the history tables, compressed when that pays, and back.
QByteArray encodeParts(const Parts &parts);
QByteArray encodeParts(const PartBytes &parts);
Parts decodeParts(const QByteArray &bytes);
QByteArray encodeDiff(const PartsDiff &diff);
PartsDiff decodeDiff(const QByteArray &bytes);
// A digest of the rows that stays the same across runs and versions of the
// program, kept with each entry to see whether the stored rows are still
// what the history says.
QByteArray digestOf(const Parts &parts);
QByteArray digestOf(const PartBytes &parts);

} // namespace store
