#include "store/Fingerprint.h"

#include "store/Engine.h"
#include "store/RowReader.h"
#include "store/StoredValue.h"

#include <cstring>
#include <new>
#include <xxhash.h>

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

FingerprintBuilder::FingerprintBuilder() : m_state(XXH3_createState())
{
    if (!m_state)
        throw std::bad_alloc();
    XXH3_128bits_reset(m_state);
}

FingerprintBuilder::~FingerprintBuilder()
{
    XXH3_freeState(m_state);
}

void FingerprintBuilder::flush()
{
    XXH3_128bits_update(m_state, m_buffer, size_t(m_used));
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
    addStoredValue(*this, value);
}

Fingerprint FingerprintBuilder::result()
{
    // The row count closes each scope, so rows cannot move from one scope
    // into the next unnoticed.
    put('#', &m_rows, sizeof m_rows);
    flush();
    XXH128_canonical_t digest;
    XXH128_canonicalFromHash(&digest, XXH3_128bits_digest(m_state));
    Fingerprint fingerprint;
    fingerprint.m_any = false;
    fingerprint.m_digest = QByteArray(reinterpret_cast<const char *>(digest.digest), sizeof digest.digest);
    XXH3_128bits_reset(m_state);
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
