#include "store/Fingerprint.h"

#include "store/Engine.h"
#include "store/RowReader.h"

#include <bit>
#include <cstring>

namespace store {

Fingerprint Fingerprint::ofBytes(const QByteArray &bytes)
{
    FingerprintBuilder builder;
    builder.addBlob(bytes.constData(), bytes.size());
    return builder.result();
}

Fingerprint Fingerprint::operator+(const Fingerprint &other) const
{
    if (m_any || other.m_any)
        return any();
    Fingerprint sum;
    sum.m_any = false;
    sum.m_digest = m_digest + other.m_digest;
    return sum;
}

void FingerprintBuilder::flush()
{
    // Two multiply-rotate lanes over 8-byte words: a few cycles a word,
    // and every bit of the block reaches both lanes.
    quint64 a = m_lanes[0], b = m_lanes[1];
    qsizetype i = 0;
    for (; i + 8 <= m_used; i += 8) {
        quint64 word;
        memcpy(&word, m_buffer + i, sizeof word);
        a = std::rotl((a ^ word) * 0x9E3779B97F4A7C15ULL, 29);
        b = std::rotl((b + word) * 0xC2B2AE3D27D4EB4FULL, 31);
    }
    quint64 tail = quint64(m_used - i) << 56;
    memcpy(&tail, m_buffer + i, size_t(m_used - i));
    a = std::rotl((a ^ tail) * 0x9E3779B97F4A7C15ULL, 29);
    b = std::rotl((b + tail) * 0xC2B2AE3D27D4EB4FULL, 31);
    m_lanes[0] = a;
    m_lanes[1] = b;
    m_used = 0;
}

void FingerprintBuilder::append(const void *bytes, qsizetype size)
{
    const char *from = static_cast<const char *>(bytes);
    while (size > 0) {
        if (m_used == kBlock)
            flush();
        const qsizetype n = qMin(size, kBlock - m_used);
        memcpy(m_buffer + m_used, from, size_t(n));
        m_used += n;
        from += n;
        size -= n;
    }
}

void FingerprintBuilder::putSlowly(char tag, const void *bytes, qsizetype size)
{
    append(&tag, 1);
    append(bytes, size);
}

void FingerprintBuilder::addText(const QString &text)
{
    const qsizetype size = text.size();
    if (m_used + 5 + size <= kBlock) {
        char *out = m_buffer + m_used + 5;
        const QChar *in = text.constData();
        qsizetype i = 0;
        while (i < size && in[i].unicode() < 0x80) {
            out[i] = char(in[i].unicode());
            ++i;
        }
        if (i == size) { // ASCII: one byte a character, as UTF-8 has it
            const qint32 length = qint32(size);
            m_buffer[m_used] = 'T';
            memcpy(m_buffer + m_used + 1, &length, sizeof length);
            m_used += 5 + size;
            return;
        }
    }
    const QByteArray utf8 = text.toUtf8();
    addText(utf8.constData(), utf8.size());
}

void FingerprintBuilder::addValue(const QVariant &value)
{
    if (value.isNull()) {
        addNull();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: // how the server's driver hands over a bigint that is not negative
    case QMetaType::Short:
    case QMetaType::UShort:
        addInteger(value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        addReal(value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        addBlob(bytes.constData(), bytes.size());
        break;
    }
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        addText(utf8.constData(), utf8.size());
    }
    }
}

Fingerprint FingerprintBuilder::result()
{
    // The row count closes each scope, so rows cannot move from one scope
    // into the next unnoticed.
    put('#', &m_rows, sizeof m_rows);
    flush();
    Fingerprint fingerprint;
    fingerprint.m_any = false;
    fingerprint.m_digest = QByteArray(reinterpret_cast<const char *>(m_lanes), sizeof m_lanes);
    m_lanes[0] = 0x243F6A8885A308D3ULL;
    m_lanes[1] = 0x13198A2E03707344ULL;
    m_rows = 0;
    return fingerprint;
}

Fingerprint fingerprintOf(const QSqlDatabase &db, const QVector<ScopeRows> &scopes)
{
    Fingerprint total;
    const bool onServer = engineOf(db) == Engine::Server;
    for (int i = 0; i < scopes.size(); ++i) {
        FingerprintBuilder builder;
        RowReader rows(db, onServer ? serverDigestQuery(scopes[i].sql) : scopes[i].sql, scopes[i].values);
        while (rows.next())
            rows.addRowTo(builder);
        total = i == 0 ? builder.result() : total + builder.result();
    }
    return total;
}

Fingerprint ServerVersions::fingerprint() const
{
    // As fingerprintOf reads serverDigestQuery's one row.
    FingerprintBuilder builder;
    builder.addInteger(rows);
    builder.addInteger(rowids);
    builder.addInteger(writers);
    builder.endRow();
    return builder.result();
}

QString changedElsewhere(const Subject &subject)
{
    return subject.plural
        ? QStringLiteral("%1 were changed on another workstation since you opened them.").arg(subject.text)
        : QStringLiteral("%1 was changed on another workstation since you opened it.").arg(subject.text);
}

Conflict::Conflict(const Subject &subject) : Error(changedElsewhere(subject)), m_subject(subject)
{
}

void expectUnchanged(const QSqlDatabase &db, const Fingerprint *seen, const QVector<ScopeRows> &scopes,
                     const Subject &subject)
{
    if (!seen || seen->matchesAnything())
        return;
    if (!seen->matches(fingerprintOf(db, scopes)))
        throw Conflict(subject);
}

Fingerprint storedNow(const QSqlDatabase &db, const Fingerprint *seen, const QVector<ScopeRows> &scopes)
{
    return seen ? fingerprintOf(db, scopes) : Fingerprint::any();
}

} // namespace store
