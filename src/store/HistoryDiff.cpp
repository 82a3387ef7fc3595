#include "store/HistoryDiff.h"

#include "store/Error.h"
#include "store/StoredValue.h"

#include <QHash>
#include <bit>
#include <cstring>
#include <limits>

namespace store {

namespace {

// The value held, without the copy QVariant::toString() makes.
const QString &textOf(const QVariant &v)
{
    return *static_cast<const QString *>(v.constData());
}

} // namespace

bool sameValue(const QVariant &a, const QVariant &b)
{
    const QMetaType type = a.metaType();
    if (type != b.metaType())
        return false;
    switch (type.id()) {
    case QMetaType::UnknownType:
        return true;
    case QMetaType::LongLong:
        return *static_cast<const qint64 *>(a.constData()) == *static_cast<const qint64 *>(b.constData());
    case QMetaType::Double: // exact, NaN and -0 included
        return std::memcmp(a.constData(), b.constData(), sizeof(double)) == 0;
    case QMetaType::QString:
        return textOf(a) == textOf(b);
    default:
        return a.toByteArray() == b.toByteArray();
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

// Numbers as variable-length integers, 7 bits a byte.
void appendNumber(QByteArray &out, quint64 v)
{
    while (v >= 0x80) {
        out += char(v | 0x80);
        v >>= 7;
    }
    out += char(v);
}

// Value tags.
enum : char { kNull = 0, kInteger = 1, kReal = 2, kText = 3, kBlob = 4 };

class Reader {
public:
    // stored: a format byte (1 as it stands, 2 compressed), then the bytes.
    static Reader ofStored(const QByteArray &stored)
    {
        if (stored.isEmpty() || (stored[0] != char(1) && stored[0] != char(2)))
            damaged();
        Reader reader(QByteArrayView{});
        reader.m_owned = stored[0] == char(1) ? stored.mid(1) : qUncompress(stored.mid(1));
        reader.m_bytes = reader.m_owned;
        return reader;
    }
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}

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
        case kNull:
            return {};
        case kInteger: {
            const quint64 z = number();
            return QVariant(qint64((z >> 1) ^ (~(z & 1) + 1)));
        }
        case kReal: {
            double d;
            std::memcpy(&d, take(sizeof d), sizeof d);
            return QVariant(d);
        }
        case kText: {
            const int length = size();
            return QVariant(QString::fromUtf8(take(length), length));
        }
        case kBlob: {
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
    qsizetype at() const { return m_at; }
    bool atEnd() const { return m_at == m_bytes.size(); }

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
    QByteArray m_owned;
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

QByteArray stored(const QByteArray &bytes)
{
    // Small ones as they stand: compressing would only add to them.
    if (bytes.size() < 160)
        return char(1) + bytes;
    return char(2) + qCompress(bytes, 6);
}

} // namespace

RowBytes::RowBytes(const Rows &rows)
{
    for (const Row &row : rows) {
        beginRow(row.size());
        for (const QVariant &value : row)
            addValue(value);
    }
}

namespace {

char *putNumber(char *out, quint64 v)
{
    while (v >= 0x80) {
        *out++ = char(v | 0x80);
        v >>= 7;
    }
    *out++ = char(v);
    return out;
}

constexpr qsizetype kLongestNumber = 10;

} // namespace

// Values are written straight into the buffer, grown ahead: a save of a
// large lab writes a hundred thousand of them.
char *RowBytes::room(qsizetype size)
{
    if (m_used + size > m_buffer.size())
        m_buffer.resize(qMax<qsizetype>(2 * m_buffer.size(), m_used + size + 4096));
    return m_buffer.data() + m_used;
}

void RowBytes::wrote(const char *end)
{
    m_used = end - m_buffer.constData();
}

void RowBytes::beginRow(qsizetype columns)
{
    m_starts.append(m_used);
    wrote(putNumber(room(kLongestNumber), quint64(columns)));
}

void RowBytes::addNull()
{
    char *out = room(1);
    *out++ = kNull;
    wrote(out);
}

void RowBytes::addInteger(qint64 value)
{
    char *out = room(1 + kLongestNumber);
    *out++ = kInteger;
    wrote(putNumber(out, (quint64(value) << 1) ^ quint64(value >> 63)));
}

void RowBytes::addReal(double value)
{
    char *out = room(1 + sizeof value);
    *out++ = kReal;
    std::memcpy(out, &value, sizeof value);
    wrote(out + sizeof value);
}

void RowBytes::addSized(char kind, const void *bytes, qsizetype size)
{
    char *out = room(1 + kLongestNumber + size);
    *out++ = kind;
    out = putNumber(out, quint64(size));
    if (size > 0)
        std::memcpy(out, bytes, size_t(size));
    wrote(out + size);
}

void RowBytes::addText(const char *utf8, qsizetype size)
{
    addSized(kText, utf8, size);
}

void RowBytes::addText(const QString &text)
{
    // Plain ASCII, by far the most of what rules hold, without converting
    // each value on its own.
    const qsizetype size = text.size();
    const QChar *in = text.constData();
    char *out = room(1 + kLongestNumber + size);
    char *start = out;
    *out++ = kText;
    out = putNumber(out, quint64(size));
    for (qsizetype i = 0; i < size; ++i) {
        if (in[i].unicode() >= 0x80) {
            const QByteArray utf8 = text.toUtf8();
            wrote(start); // what was begun is dropped
            addText(utf8.constData(), utf8.size());
            return;
        }
        out[i] = char(in[i].unicode());
    }
    wrote(out + size);
}

void RowBytes::addBlob(const void *bytes, qsizetype size)
{
    addSized(kBlob, bytes, size);
}

void RowBytes::addValue(const QVariant &value)
{
    addStoredValue(*this, value);
}

QByteArrayView RowBytes::row(qsizetype i) const
{
    const qsizetype end = i + 1 < m_starts.size() ? m_starts[i + 1] : m_used;
    return QByteArrayView(m_buffer.constData() + m_starts[i], end - m_starts[i]);
}

Row RowBytes::decoded(qsizetype i) const
{
    Reader reader(row(i));
    return reader.row();
}

Rows RowBytes::decoded() const
{
    Rows rows;
    rows.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        rows.append(decoded(i));
    return rows;
}

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

void applyDiff(const PartsDiff &diff, Parts &parts, bool forward)
{
    if (diff.size() != parts.size())
        damaged();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const RowsDiff &part = diff[i];
        if (part.movesRows()) {
            parts[i] = applyDiff(part, parts[i], forward);
            continue;
        }
        // Cells only: changed where they stand, so that replaying thousands
        // of one-cell saves never copies the rows.
        if (part.changed.isEmpty())
            continue;
        Rows &rows = parts[i];
        if (rows.size() != part.oldCount || part.oldCount != part.newCount)
            damaged();
        for (const RowsDiff::Changed &changed : part.changed) {
            if (changed.oldRow < 0 || changed.oldRow >= rows.size())
                damaged();
            Row &row = rows[changed.oldRow];
            for (const RowsDiff::Cell &cell : changed.cells) {
                if (cell.column < 0)
                    damaged();
                if (cell.column >= row.size())
                    row.resize(cell.column + 1);
                row[cell.column] = forward ? cell.after : cell.before;
            }
        }
    }
}

RowsDiff diffRows(const RowBytes &before, const RowBytes &after, const QVector<int> &keyColumns)
{
    // Equal rows are equal bytes: only the rows between the equal ends are
    // made into values, and where both sides have as many, only those that
    // differ.
    const qsizetype n = before.size(), m = after.size();
    qsizetype p = 0, s = 0;
    while (p < n && p < m && before.row(p) == after.row(p))
        ++p;
    while (s < n - p && s < m - p && before.row(n - 1 - s) == after.row(m - 1 - s))
        ++s;
    RowsDiff diff;
    diff.oldCount = int(n);
    diff.newCount = int(m);
    if (n - p - s == m - p - s) {
        for (qsizetype i = p; i < n - s; ++i) {
            if (before.row(i) == after.row(i))
                continue;
            const RowsDiff one = diffRows(Rows{before.decoded(i)}, Rows{after.decoded(i)}, {});
            for (RowsDiff::Changed changed : one.changed) {
                changed.oldRow = changed.newRow = int(i);
                diff.changed.append(changed);
            }
        }
        return diff;
    }
    Rows oldMiddle, newMiddle;
    for (qsizetype i = p; i < n - s; ++i)
        oldMiddle.append(before.decoded(i));
    for (qsizetype j = p; j < m - s; ++j)
        newMiddle.append(after.decoded(j));
    RowsDiff middle = diffRows(oldMiddle, newMiddle, keyColumns);
    for (RowsDiff::Changed &changed : middle.changed) {
        changed.oldRow += int(p);
        changed.newRow += int(p);
    }
    for (QVector<RowsDiff::Whole> *wholes : {&middle.removed, &middle.added}) {
        for (RowsDiff::Whole &whole : *wholes)
            whole.index += int(p);
    }
    diff.changed = middle.changed;
    diff.removed = middle.removed;
    diff.added = middle.added;
    return diff;
}

PartBytes partBytes(const Parts &parts)
{
    PartBytes bytes;
    for (const Rows &rows : parts)
        bytes.append(RowBytes(rows));
    return bytes;
}

QByteArray encodeParts(const PartBytes &parts)
{
    QByteArray out;
    appendNumber(out, quint64(parts.size()));
    for (const RowBytes &rows : parts) {
        appendNumber(out, quint64(rows.size()));
        out.append(rows.bytes());
    }
    return stored(out);
}

QByteArray encodeParts(const Parts &parts)
{
    return encodeParts(partBytes(parts));
}

Parts decodeParts(const QByteArray &bytes)
{
    Reader in = Reader::ofStored(bytes);
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
    QByteArray out;
    auto row = [&out](const Row &values) {
        RowBytes one(Rows{values});
        out.append(one.bytes());
    };
    appendNumber(out, quint64(diff.size()));
    for (const RowsDiff &part : diff) {
        appendNumber(out, quint64(part.oldCount));
        appendNumber(out, quint64(part.newCount));
        appendNumber(out, quint64(part.changed.size()));
        for (const RowsDiff::Changed &changed : part.changed) {
            appendNumber(out, quint64(changed.oldRow));
            appendNumber(out, quint64(changed.newRow));
            appendNumber(out, quint64(changed.cells.size()));
            for (const RowsDiff::Cell &cell : changed.cells) {
                appendNumber(out, quint64(cell.column));
                row({cell.before, cell.after}); // the two values as one row of two
            }
        }
        for (const QVector<RowsDiff::Whole> *wholes : {&part.removed, &part.added}) {
            appendNumber(out, quint64(wholes->size()));
            for (const RowsDiff::Whole &whole : *wholes) {
                appendNumber(out, quint64(whole.index));
                row(whole.row);
            }
        }
    }
    return stored(out);
}

PartsDiff decodeDiff(const QByteArray &bytes)
{
    Reader in = Reader::ofStored(bytes);
    PartsDiff diff(in.size());
    for (RowsDiff &part : diff) {
        part.oldCount = in.count();
        part.newCount = in.count();
        part.changed.resize(in.size());
        for (RowsDiff::Changed &changed : part.changed) {
            changed.oldRow = in.count();
            changed.newRow = in.count();
            changed.cells.resize(in.size());
            for (RowsDiff::Cell &cell : changed.cells) {
                cell.column = in.count();
                const Row values = in.row();
                if (values.size() != 2)
                    damaged();
                cell.before = values[0];
                cell.after = values[1];
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

namespace {

// Two multiply-rotate lanes over 8-byte words, fed a block at a time. It
// and the layout digestOf feeds it never change: digests are kept in the
// store and compared across runs, workstations and program versions.
class StableHash {
public:
    // data: size bytes, or nothing when null (a count).
    void put(char tag, const void *data, qsizetype size)
    {
        const qint64 length = size;
        const qsizetype bytes = data ? size : 0;
        if (m_used + 9 + bytes < kBlock) { // the common case, without a call per piece
            m_block[m_used] = tag;
            std::memcpy(m_block + m_used + 1, &length, sizeof length);
            if (bytes > 0)
                std::memcpy(m_block + m_used + 9, data, size_t(bytes));
            m_used += 9 + bytes;
            m_total += 9 + bytes;
            return;
        }
        append(&tag, 1);
        append(&length, sizeof length);
        if (data)
            append(data, size);
    }
    QByteArray result()
    {
        const qint64 total = m_total;
        append(&total, sizeof total);
        std::memset(m_block + m_used, 0, size_t(kBlock - m_used));
        m_used = (m_used + 7) / 8 * 8;
        flush();
        for (quint64 *lane : {&m_a, &m_b}) {
            *lane ^= *lane >> 33;
            *lane *= 0xFF51AFD7ED558CCDULL;
            *lane ^= *lane >> 33;
        }
        const quint64 lanes[2] = {m_a, m_b};
        return QByteArray(reinterpret_cast<const char *>(lanes), sizeof lanes);
    }

private:
    void append(const void *data, qsizetype size)
    {
        const char *from = static_cast<const char *>(data);
        m_total += size;
        while (size > 0) {
            const qsizetype n = qMin(size, kBlock - m_used);
            std::memcpy(m_block + m_used, from, size_t(n));
            m_used += n;
            from += n;
            size -= n;
            if (m_used == kBlock)
                flush();
        }
    }
    void flush()
    {
        for (qsizetype i = 0; i + 8 <= m_used; i += 8) {
            quint64 word;
            std::memcpy(&word, m_block + i, sizeof word);
            m_a = std::rotl((m_a ^ word) * 0x87C37B91114253D5ULL, 31);
            m_b = std::rotl((m_b + word) * 0x4CF5AD432745937FULL, 33) ^ m_a;
        }
        m_used = 0;
    }

    static constexpr qsizetype kBlock = 8192;
    char m_block[kBlock];
    qsizetype m_used = 0;
    qint64 m_total = 0;
    quint64 m_a = 0x9E3779B97F4A7C15ULL;
    quint64 m_b = 0xC2B2AE3D27D4EB4FULL;
};

} // namespace

QByteArray digestOf(const PartBytes &parts)
{
    StableHash hash;
    for (const RowBytes &rows : parts) {
        hash.put('P', nullptr, rows.size());
        hash.put('B', rows.bytes().constData(), rows.bytes().size());
    }
    return hash.result();
}

QByteArray digestOf(const Parts &parts)
{
    return digestOf(partBytes(parts));
}

} // namespace store
