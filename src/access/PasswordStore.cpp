#include "access/PasswordStore.h"

#include <QSettings>

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five codes the page leaves undefined.
// A table rather than QStringDecoder: ICU decodes those five to C1 controls,
// and not every Qt build has ICU.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int toCp1252(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] != 0 && kCp1252High[i] == u)
            return 0x80 + i;
    }
    return -1;
}

std::optional<QChar> fromCp1252(int code)
{
    if (code < 0 || code > 0xFF)
        return std::nullopt;
    if (code >= 0x80 && code < 0xA0) {
        const char16_t u = kCp1252High[code - 0x80];
        if (u == 0)
            return std::nullopt;
        return QChar(u);
    }
    return QChar(char16_t(code));
}

std::optional<QChar> moved(QChar c, int by)
{
    const int code = toCp1252(c);
    if (code < 0)
        return std::nullopt;
    return fromCp1252(code + by);
}

std::optional<QString> movedAll(const QString &text, int by)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        const std::optional<QChar> m = moved(c, by);
        if (!m)
            return std::nullopt;
        result.append(*m);
    }
    return result;
}

const QString kKey = QStringLiteral("SEC/SEC");

// On Windows this is HKCU\Software\VB and VBA Program Settings\VARDO7731,
// where the earlier program kept the password.
QSettings passwordSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QStringLiteral("VB and VBA Program Settings"), QStringLiteral("VARDO7731"));
}

} // namespace

std::optional<QString> PasswordStore::scramble(const QString &plain)
{
    return movedAll(plain, kShift);
}

std::optional<QString> PasswordStore::unscramble(const QString &stored)
{
    return movedAll(stored, -kShift);
}

qsizetype PasswordStore::firstUnstorable(const QString &plain)
{
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (!moved(plain.at(i), kShift))
            return i;
    }
    return -1;
}

std::optional<QString> PasswordStore::load()
{
    QSettings settings = passwordSettings();
    const QVariant value = settings.value(kKey);
    if (settings.status() != QSettings::NoError)
        return std::nullopt;
    if (!value.isValid())
        return QString();
    if (!value.canConvert<QString>())
        return std::nullopt;
    return unscramble(value.toString());
}

bool PasswordStore::save(const QString &plain)
{
    const std::optional<QString> scrambled = scramble(plain);
    if (!scrambled)
        return false;
    QSettings settings = passwordSettings();
    settings.setValue(kKey, *scrambled);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
