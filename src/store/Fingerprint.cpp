#include "store/Fingerprint.h"

#include "store/RowReader.h"

#include <cstring>

namespace store {

namespace {

constexpr qsizetype kBlock = 64 * 1024;

enum Tag : char { kNull = 'N', kInteger = 'I', kReal = 'R', kText = 'T', kBlob = 'B', kRowCount = '#' };

void appendRaw(QByteArray &buffer, const void *bytes, qsizetype size)
{
    buffer.append(static_cast<const char *>(bytes), size);
}

} // namespace

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

void FingerprintBuilder::flushIfFull()
{
    if (m_buffer.size() >= kBlock) {
        m_hash.addData(m_buffer);
        m_buffer.resize(0);
    }
}

void FingerprintBuilder::addNull()
{
    m_buffer.append(kNull);
}

void FingerprintBuilder::addInteger(qint64 value)
{
    m_buffer.append(kInteger);
    appendRaw(m_buffer, &value, sizeof value);
    flushIfFull();
}

void FingerprintBuilder::addReal(double value)
{
    m_buffer.append(kReal);
    appendRaw(m_buffer, &value, sizeof value);
    flushIfFull();
}

void FingerprintBuilder::addText(const char *utf8, qsizetype size)
{
    const qint64 length = size;
    m_buffer.append(kText);
    appendRaw(m_buffer, &length, sizeof length);
    appendRaw(m_buffer, utf8, size);
    flushIfFull();
}

void FingerprintBuilder::addBlob(const void *bytes, qsizetype size)
{
    const qint64 length = size;
    m_buffer.append(kBlob);
    appendRaw(m_buffer, &length, sizeof length);
    appendRaw(m_buffer, bytes, size);
    flushIfFull();
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
    case QMetaType::Short:
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
    m_buffer.append(kRowCount);
    appendRaw(m_buffer, &m_rows, sizeof m_rows);
    m_hash.addData(m_buffer);
    m_buffer.resize(0);
    Fingerprint fingerprint;
    fingerprint.m_any = false;
    fingerprint.m_digest = m_hash.result();
    m_hash.reset();
    m_rows = 0;
    return fingerprint;
}

Fingerprint fingerprintOf(const QSqlDatabase &db, const QVector<ScopeRows> &scopes)
{
    Fingerprint total;
    for (int i = 0; i < scopes.size(); ++i) {
        FingerprintBuilder builder;
        RowReader rows(db, scopes[i].sql, scopes[i].values);
        const int columns = rows.columnCount();
        while (rows.next()) {
            for (int c = 0; c < columns; ++c)
                rows.addTo(builder, c);
            builder.endRow();
        }
        total = i == 0 ? builder.result() : total + builder.result();
    }
    return total;
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
