#pragma once

#include <QString>
#include <stdexcept>

namespace store {

// Every failure of the store: the database's own message, and its native
// code where it gave one (5 busy, 8 read-only, 13 full, 26 not a database).
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message, const QString &nativeCode = {});

    QString message() const { return m_message; }
    QString nativeCode() const { return m_nativeCode; }

private:
    QString m_message;
    QString m_nativeCode;
};

} // namespace store
