#include "store/HistoryDiff.h"

#include "store/Error.h"

#include <QCryptographicHash>
#include <QHash>
#include <cstring>
#include <limits>

namespace store {

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isValid() != b.isValid() || a.typeId() != b.typeId())
        return false;
    if (!a.isValid())
        return true;
    switch (a.typeId()) {
    case QMetaType::LongLong:
        return a.toLongLong() == b.toLongLong();
    case QMetaType::Double: {
        const double x = a.toDouble(), y = b.toDouble();
        return std::memcmp(&x, &y, sizeof x) == 0; // exact, NaN and -0 included
    }
    case QMetaType::QByteArray:
        return a.toByteArray() == b.toByteArray();
    default:
        return a.toString() == b.toString();
    }
}

bool sameRow(const Row &a, const Row &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!sameValue(a[i], b[i]))
            return false;
    }
    return true;
}

QString valueText(const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("(none)");
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

int RowsDiff::size() const
{
    int cells = 0;
    for (const Changed &row : changed)
        cells += int(row.cells.size());
    return cells + int(removed.size() + added.size());
}

int changeCount(const PartsDiff &diff)
{
    int count = 0;
    for (const RowsDiff &part : diff)
        count += part.size();
    return count;
}

namespace {

class Differ {
public:
    Differ(const Rows &a, const Rows &b, const QVector<int> &keys, RowsDiff &out) : m_a(a), m_b(b), m_keys(keys), m_out(out) {}

    void run() { matchRange(0, int(m_a.size()), 0, int(m_b.size())); }

private:
    void pair(int i, int j)
    {
        RowsDiff::Changed change{i, j, {}};
        const Row &x = m_a[i];
        const Row &y = m_b[j];
        for (int c = 0; c < qMax(x.size(), y.size()); ++c) {
            const QVariant before = x.value(c), after = y.value(c);
            if (!sameValue(before, after))
                change.cells.append({c, before, after});
        }
        if (!change.cells.isEmpty())
            m_out.changed.append(change);
    }

    // Rows between matched ones: equal ends stay, an equal count changes
    // cell by cell, anything else is removed and added whole.
    void gap(int aFrom, int aTo, int bFrom, int bTo)
    {
        while (aFrom < aTo && bFrom < bTo && sameRow(m_a[aFrom], m_b[bFrom]))
            ++aFrom, ++bFrom;
        while (aFrom < aTo && bFrom < bTo && sameRow(m_a[aTo - 1], m_b[bTo - 1]))
            --aTo, --bTo;
        if (aTo - aFrom == bTo - bFrom) {
            for (int k = 0; k < aTo - aFrom; ++k)
                pair(aFrom + k, bFrom + k);
            return;
        }
        for (int i = aFrom; i < aTo; ++i)
            m_out.removed.append({i, m_a[i]});
        for (int j = bFrom; j < bTo; ++j)
            m_out.added.append({j, m_b[j]});
    }

    QString keyOf(const Row &row) const
    {
        QString key;
        for (int c : m_keys) {
            const QVariant v = row.value(c);
            key += QChar(u'0' + (v.isValid() ? v.typeId() % 64 : 63)) + v.toString() + QChar(0x1f);
        }
        return key;
    }

    // Keys found once on a side, by position; -1 for repeated ones.
    QHash<QString, int> uniqueKeys(const Rows &rows, int from, int to) const
    {
        QHash<QString, int> keys;
        for (int i = from; i < to; ++i) {
            const QString key = keyOf(rows[i]);
            auto it = keys.find(key);
            if (it == keys.end())
                keys.insert(key, i);
            else
                it.value() = -1;
        }
        return keys;
    }

    void matchRange(int aFrom, int aTo, int bFrom, int bTo)
    {
        while (aFrom < aTo && bFrom < bTo && sameRow(m_a[aFrom], m_b[bFrom]))
            ++aFrom, ++bFrom;
        while (aFrom < aTo && bFrom < bTo && sameRow(m_a[aTo - 1], m_b[bTo - 1]))
            --aTo, --bTo;
        if (m_keys.isEmpty() || aTo - aFrom == bTo - bFrom) {
            gap(aFrom, aTo, bFrom, bTo);
            return;
        }
        // Rows whose key is found once on each side, kept in the longest
        // run that rises on both sides (patience matching).
        const QHash<QString, int> oldKeys = uniqueKeys(m_a, aFrom, aTo);
        const QHash<QString, int> newKeys = uniqueKeys(m_b, bFrom, bTo);
        QVector<std::pair<int, int>> candidates;
        for (int j = bFrom; j < bTo; ++j) {
            const QString key = keyOf(m_b[j]);
            const int i = oldKeys.value(key, -1);
            if (i >= 0 && newKeys.value(key) >= 0)
                candidates.append({i, j});
        }
        QVector<int> tails, previous(candidates.size(), -1);
        for (int k = 0; k < candidates.size(); ++k) {
            const auto at = std::lower_bound(tails.begin(), tails.end(), candidates[k].first,
                                             [&](int t, int value) { return candidates[t].first < value; });
            if (at != tails.begin())
                previous[k] = *(at - 1);
            if (at == tails.end())
                tails.append(k);
            else
                *at = k;
        }
        QVector<std::pair<int, int>> anchors;
        for (int k = tails.isEmpty() ? -1 : tails.last(); k >= 0; k = previous[k])
            anchors.prepend(candidates[k]);
        int i = aFrom, j = bFrom;
        for (const auto &[ai, bj] : anchors) {
            gap(i, ai, j, bj);
            pair(ai, bj);
            i = ai + 1;
            j = bj + 1;
        }
        gap(i, aTo, j, bTo);
    }

    const Rows &m_a;
    const Rows &m_b;
    const QVector<int> &m_keys;
    RowsDiff &m_out;
};

[[noreturn]] void damaged()
{
    throw Error(QStringLiteral("The history data is damaged; this version cannot be rebuilt."));
}

// Values as tagged bytes; numbers as variable-length integers.
class Writer {
public:
    void number(quint64 v)
    {
        while (v >= 0x80) {
            m_bytes += char(v | 0x80);
            v >>= 7;
        }
        m_bytes += char(v);
    }
    void value(const QVariant &v)
    {
        if (!v.isValid()) {
            m_bytes += char(0);
            return;
        }
        switch (v.typeId()) {
        case QMetaType::LongLong: {
            const qint64 i = v.toLongLong();
            m_bytes += char(1);
            number((quint64(i) << 1) ^ quint64(i >> 63));
            return;
        }
        case QMetaType::Double: {
            const double d = v.toDouble();
            m_bytes += char(2);
            m_bytes.append(reinterpret_cast<const char *>(&d), sizeof d);
            return;
        }
        case QMetaType::QByteArray:
            m_bytes += char(4);
            bytes(v.toByteArray());
            return;
        default:
            m_bytes += char(3);
            bytes(v.toString().toUtf8());
        }
    }
    void row(const Row &row)
    {
        number(quint64(row.size()));
        for (const QVariant &v : row)
            value(v);
    }
    QByteArray finish() const
    {
        // A leading format byte: 1 as it stands, 2 compressed.
        if (m_bytes.size() < 160)
            return char(1) + m_bytes;
        return char(2) + qCompress(m_bytes, 6);
    }
    const QByteArray &raw() const { return m_bytes; }

private:
    void bytes(const QByteArray &b)
    {
        number(quint64(b.size()));
        m_bytes += b;
    }
    QByteArray m_bytes;
};

class Reader {
public:
    explicit Reader(const QByteArray &stored)
    {
        if (stored.isEmpty())
            damaged();
        if (stored[0] == char(1))
            m_bytes = stored.mid(1);
        else if (stored[0] == char(2))
            m_bytes = qUncompress(stored.mid(1));
        else
            damaged();
    }
    quint64 number()
    {
        quint64 v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            const quint8 b = byte();
            v |= quint64(b & 0x7f) << shift;
            if (!(b & 0x80))
                return v;
        }
        damaged();
    }
    int count()
    {
        const quint64 v = number();
        if (v > quint64(std::numeric_limits<int>::max()))
            damaged();
        return int(v);
    }
    // A number of things still to read: each takes a byte at least, so a
    // damaged count cannot ask for more memory than the data holds.
    int size()
    {
        const int v = count();
        if (v > m_bytes.size() - m_at)
            damaged();
        return v;
    }
    QVariant value()
    {
        switch (byte()) {
        case 0:
            return {};
        case 1: {
            const quint64 z = number();
            return QVariant(qint64((z >> 1) ^ (~(z & 1) + 1)));
        }
        case 2: {
            double d;
            std::memcpy(&d, take(sizeof d), sizeof d);
            return QVariant(d);
        }
        case 3: {
            const int length = size();
            return QVariant(QString::fromUtf8(take(length), length));
        }
        case 4: {
            const int length = size();
            return QVariant(QByteArray(take(length), length));
        }
        default:
            damaged();
        }
    }
    Row row()
    {
        Row row(size());
        for (QVariant &v : row)
            v = value();
        return row;
    }

private:
    quint8 byte() { return quint8(*take(1)); }
    const char *take(qsizetype size)
    {
        if (size < 0 || m_at + size > m_bytes.size())
            damaged();
        const char *at = m_bytes.constData() + m_at;
        m_at += size;
        return at;
    }
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

void writeParts(Writer &out, const Parts &parts)
{
    out.number(quint64(parts.size()));
    for (const Rows &rows : parts) {
        out.number(quint64(rows.size()));
        for (const Row &row : rows)
            out.row(row);
    }
}

} // namespace

RowsDiff diffRows(const Rows &before, const Rows &after, const QVector<int> &keyColumns)
{
    RowsDiff diff;
    diff.oldCount = int(before.size());
    diff.newCount = int(after.size());
    Differ(before, after, keyColumns, diff).run();
    return diff;
}

Rows applyDiff(const RowsDiff &diff, const Rows &rows, bool forward)
{
    if (rows.size() != (forward ? diff.oldCount : diff.newCount))
        damaged();
    const QVector<RowsDiff::Whole> &dropped = forward ? diff.removed : diff.added;
    const QVector<RowsDiff::Whole> &put = forward ? diff.added : diff.removed;
    const int outCount = forward ? diff.newCount : diff.oldCount;
    Rows out;
    out.reserve(outCount);
    qsizetype in = 0, d = 0, p = 0, c = 0;
    auto skipDropped = [&] {
        while (d < dropped.size() && dropped[d].index == in)
            ++d, ++in;
    };
    for (int o = 0; o < outCount; ++o) {
        if (p < put.size() && put[p].index == o) {
            out.append(put[p++].row);
            continue;
        }
        skipDropped();
        if (in >= rows.size())
            damaged();
        Row row = rows[in];
        if (c < diff.changed.size() && (forward ? diff.changed[c].oldRow : diff.changed[c].newRow) == in) {
            for (const RowsDiff::Cell &cell : diff.changed[c].cells) {
                if (cell.column >= row.size())
                    row.resize(cell.column + 1);
                row[cell.column] = forward ? cell.after : cell.before;
            }
            ++c;
        }
        out.append(row);
        ++in;
    }
    skipDropped();
    if (in != rows.size() || p != put.size() || c != diff.changed.size())
        damaged();
    return out;
}

Parts applyDiff(const PartsDiff &diff, const Parts &parts, bool forward)
{
    if (diff.size() != parts.size())
        damaged();
    Parts result(parts.size());
    for (qsizetype i = 0; i < parts.size(); ++i)
        result[i] = diff[i].isEmpty() ? parts[i] : applyDiff(diff[i], parts[i], forward);
    return result;
}

QByteArray encodeParts(const Parts &parts)
{
    Writer out;
    writeParts(out, parts);
    return out.finish();
}

Parts decodeParts(const QByteArray &bytes)
{
    Reader in(bytes);
    Parts parts(in.size());
    for (Rows &rows : parts) {
        rows.resize(in.size());
        for (Row &row : rows)
            row = in.row();
    }
    return parts;
}

QByteArray encodeDiff(const PartsDiff &diff)
{
    Writer out;
    out.number(quint64(diff.size()));
    for (const RowsDiff &part : diff) {
        out.number(quint64(part.oldCount));
        out.number(quint64(part.newCount));
        out.number(quint64(part.changed.size()));
        for (const RowsDiff::Changed &row : part.changed) {
            out.number(quint64(row.oldRow));
            out.number(quint64(row.newRow));
            out.number(quint64(row.cells.size()));
            for (const RowsDiff::Cell &cell : row.cells) {
                out.number(quint64(cell.column));
                out.value(cell.before);
                out.value(cell.after);
            }
        }
        for (const QVector<RowsDiff::Whole> *wholes : {&part.removed, &part.added}) {
            out.number(quint64(wholes->size()));
            for (const RowsDiff::Whole &whole : *wholes) {
                out.number(quint64(whole.index));
                out.row(whole.row);
            }
        }
    }
    return out.finish();
}

PartsDiff decodeDiff(const QByteArray &bytes)
{
    Reader in(bytes);
    PartsDiff diff(in.size());
    for (RowsDiff &part : diff) {
        part.oldCount = in.count();
        part.newCount = in.count();
        part.changed.resize(in.size());
        for (RowsDiff::Changed &row : part.changed) {
            row.oldRow = in.count();
            row.newRow = in.count();
            row.cells.resize(in.size());
            for (RowsDiff::Cell &cell : row.cells) {
                cell.column = in.count();
                cell.before = in.value();
                cell.after = in.value();
            }
        }
        for (QVector<RowsDiff::Whole> *wholes : {&part.removed, &part.added}) {
            wholes->resize(in.size());
            for (RowsDiff::Whole &whole : *wholes) {
                whole.index = in.count();
                whole.row = in.row();
            }
        }
    }
    return diff;
}

QByteArray digestOf(const Parts &parts)
{
    Writer out;
    writeParts(out, parts);
    return QCryptographicHash::hash(out.raw(), QCryptographicHash::Md5);
}

} // namespace store
