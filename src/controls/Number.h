#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <optional>

namespace controls {

// How limits are read as numbers, everywhere. Limits come from offices with
// either decimal separator (the old program stored them as typed under each
// workstation's locale), from rules files and from workstations sharing one
// server, so the reading does not follow the locale: blanks around it
// ignored, an optional sign, digits with at most one decimal separator,
// point or comma alike, at least one digit, and an optional exponent (e or
// E, an optional sign, digits). Nothing else: no grouping, currency, hex or
// inner blanks; "1,234" is one and a bit. Nullopt for what does not read,
// and for values beyond a double's range.
std::optional<double> readNumber(QStringView text);

// What the cell editors let a limit cell move on with: exactly what
// readNumber reads.
inline bool isNumeric(QStringView text)
{
    return readNumber(text).has_value();
}

// A value of a numeric column as shown for editing: the shortest form that
// reads back as the same number, with the user's decimal separator and
// never grouped, so it can be saved again unchanged. A NULL is an empty
// cell; a text that a numeric column holds anyway is shown as it is.
QString numberText(const QVariant &value);

} // namespace controls
