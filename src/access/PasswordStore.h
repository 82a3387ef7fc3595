#pragma once

#include <QString>
#include <optional>

// The password that unlocks the Settings menu. It is kept scrambled where the
// earlier program of the office kept it, so an office's password carries over:
// every character is moved up the Windows-1252 code page by a fixed shift.
class PasswordStore {
public:
    // '~': the only shift at which every printable ASCII character still
    // lands on a defined code below 256, so no letter or digit is barred.
    static constexpr int kShift = u'~';

    // nullopt when some character cannot be stored (see firstUnstorable).
    static std::optional<QString> scramble(const QString &plain);
    // nullopt when the text is not something scramble() could have made.
    static std::optional<QString> unscramble(const QString &stored);
    // Index of the first character that has no scrambled form, or -1.
    static qsizetype firstUnstorable(const QString &plain);

    // The plain password; empty when none is stored; nullopt when a stored
    // value cannot be read (which the window treats as empty, and says so).
    static std::optional<QString> load();
    // False when the password cannot be scrambled or the setting not written.
    static bool save(const QString &plain);
};
