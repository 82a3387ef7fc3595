#pragma once

#include "store/Error.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>

namespace store {

// A digest of the rows a save rewrites, as they were stored when a window
// loaded them. A save given one compares it, inside its own write
// transaction, with what is stored then, so that it never overwrites unasked
// what another workstation saved in the meantime. Nothing is added to the
// tables: older copies of the program share the same files.
class Fingerprint {
public:
    // Matches whatever is stored: a save given it overwrites (the user's
    // choice, or nothing was loaded to compare with).
    Fingerprint() = default;
    static Fingerprint any() { return {}; }
    // The digest of a file's bytes.
    static Fingerprint ofBytes(const QByteArray &bytes);

    bool matchesAnything() const { return m_any; }
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
// its kind, so NULL, empty text, 0 and "0" all differ.
class FingerprintBuilder {
public:
    void addNull();
    void addInteger(qint64 value);
    void addReal(double value);
    void addText(const char *utf8, qsizetype size);
    void addBlob(const void *bytes, qsizetype size);
    void addValue(const QVariant &value);
    void endRow() { ++m_rows; }
    Fingerprint result();

private:
    void flushIfFull();
    QByteArray m_buffer; // hashed in blocks: one hash call per value would cost more than the read
    QCryptographicHash m_hash{QCryptographicHash::Sha1};
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
