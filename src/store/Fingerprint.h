#pragma once

#include "store/Error.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <cstring>

struct XXH3_state_s;

namespace store {

// A digest of the rows a save rewrites, as they were stored when a window
// loaded them. A save given one compares it, inside its own write
// transaction, with what is stored then, so that it never overwrites unasked
// what another workstation saved in the meantime. Nothing is added to the
// tables: older copies of the program share the same files. A load that
// reads its rows apart from their fingerprint takes the fingerprint first:
// a save slipping in between then makes the next save ask needlessly,
// never overwrite unasked.
class Fingerprint {
public:
    // Matches whatever is stored: a save given it overwrites (the user's
    // choice, or nothing was loaded to compare with).
    Fingerprint() = default;
    static Fingerprint any() { return {}; }
    // The digest of a file's bytes.
    static Fingerprint ofBytes(const QByteArray &bytes);

    bool matchesAnything() const { return m_any; }
    // What is compared: an XXH3-128 digest (as xxh128sum shows it) per scope.
    const QByteArray &digest() const { return m_digest; }
    bool matches(const Fingerprint &stored) const { return m_any || m_digest == stored.m_digest; }
    // Several scopes checked as one; matches anything when either part does.
    Fingerprint operator+(const Fingerprint &other) const;
    bool operator==(const Fingerprint &) const = default;

private:
    friend class FingerprintBuilder;
    QByteArray m_digest;
    bool m_any = true;
};

// Feeds values, row by row, into a fingerprint. Each value is tagged with
// its kind, so NULL, empty text, 0 and "0" all differ. The digest is
// xxHash's XXH3 in 128 bits: made for this, fast, and too wide for two
// different sets of rows to share one by chance. Values are fed in the
// machine's byte order: fingerprints are compared within one run only.
class FingerprintBuilder {
public:
    FingerprintBuilder();
    ~FingerprintBuilder();
    FingerprintBuilder(const FingerprintBuilder &) = delete;
    FingerprintBuilder &operator=(const FingerprintBuilder &) = delete;

    void addNull() { put('N', nullptr, 0); }
    void addInteger(qint64 value) { put('I', &value, sizeof value); }
    void addReal(double value) { put('R', &value, sizeof value); }
    void addText(const char *utf8, qsizetype size) { putSized('T', utf8, size); }
    // The same as addText() of its UTF-8 bytes, without converting plain
    // ASCII text first.
    void addText(const QString &text);
    void addBlob(const void *bytes, qsizetype size) { putSized('B', bytes, size); }
    void addValue(const QVariant &value);
    void endRow() { ++m_rows; }
    Fingerprint result();

private:
    // Inline: a fingerprint feeds tens of thousands of values; only a full
    // block leaves the fast path.
    void put(char tag, const void *bytes, qsizetype size)
    {
        if (m_used + 1 + size > kBlock) {
            putSlowly(tag, bytes, size);
            return;
        }
        m_buffer[m_used] = tag;
        if (size > 0)
            memcpy(m_buffer + m_used + 1, bytes, size_t(size));
        m_used += 1 + size;
    }
    void putSized(char tag, const void *bytes, qsizetype size)
    {
        const qint32 length = qint32(size);
        if (m_used + 5 + size > kBlock) {
            putSlowly(tag, &length, sizeof length);
            append(bytes, size);
            return;
        }
        m_buffer[m_used] = tag;
        memcpy(m_buffer + m_used + 1, &length, sizeof length);
        if (size > 0)
            memcpy(m_buffer + m_used + 5, bytes, size_t(size));
        m_used += 5 + size;
    }
    void putSlowly(char tag, const void *bytes, qsizetype size);
    void append(const void *bytes, qsizetype size);
    void flush();

    // Values are gathered and hashed a block at a time: a hash call per
    // value would cost more than reading the row.
    static constexpr qsizetype kBlock = 16 * 1024;
    char m_buffer[kBlock];
    qsizetype m_used = 0;
    XXH3_state_s *m_state;
    qint64 m_rows = 0;
};

// The rows of one scope as a save rewrites them: an explicit column list,
// in stored order (ORDER BY rowid).
struct ScopeRows {
    QString sql;
    QVariantList values;
};

// What the rows hold now.
Fingerprint fingerprintOf(const QSqlDatabase &db, const QVector<ScopeRows> &scopes);

// On the server, what fingerprintOf gives for one scope, from the sums a
// load took while reading its rows (see withServerVersions).
struct ServerVersions {
    qint64 rows = 0;
    qint64 rowids = 0;
    qint64 writers = 0;
    void add(qint64 rowid, qint64 xmin)
    {
        ++rows;
        rowids += rowid;
        writers += xmin;
    }
    Fingerprint fingerprint() const;
};

// What a message names: "AGL (Brilliant, Cut)", or a plural such as "The
// parameters of Brilliant (Cut)".
struct Subject {
    QString text;
    bool plural = false;
};

// The one sentence that tells the user another workstation got there first.
QString changedElsewhere(const Subject &subject);

// A save found its scope changed since the window loaded it; nothing was
// written.
class Conflict : public Error {
public:
    explicit Conflict(const Subject &subject);
    const Subject &subject() const { return m_subject; }

private:
    Subject m_subject;
};

// Inside a save's transaction, before anything is written: throws Conflict
// when seen is given, claims something, and the rows differ from it.
void expectUnchanged(const QSqlDatabase &db, const Fingerprint *seen, const QVector<ScopeRows> &scopes,
                     const Subject &subject);
// After writing, in the same transaction: what a fresh read returns, column
// affinity included; computed only when the caller keeps a fingerprint
// (seen given). The caller hands it to seen once the commit succeeded.
Fingerprint storedNow(const QSqlDatabase &db, const Fingerprint *seen, const QVector<ScopeRows> &scopes);

} // namespace store
