#include "rules/Ranges.h"

#include "controls/CellEditor.h"

#include <QLocale>
#include <cmath>
#include <optional>

namespace rules {

namespace {

// A limit as a number; nullopt for an empty (open) limit. `ok` is false for
// text that is not a number by the editor's test. `point` is the user's
// decimal separator, which that test follows.
std::optional<double> number(const QString &text, QChar point, bool &ok)
{
    ok = true;
    const QString plain = text.trimmed();
    if (plain.isEmpty())
        return std::nullopt;
    // Most limits are plain decimals: spare them the full number pattern.
    bool plainDecimal = true;
    int points = 0, digits = 0;
    for (qsizetype i = 0; i < plain.size() && plainDecimal; ++i) {
        const QChar c = plain.at(i);
        if (c == point)
            ++points;
        else if (c >= u'0' && c <= u'9')
            ++digits;
        else
            plainDecimal = i == 0 && (c == u'-' || c == u'+');
    }
    ok = (plainDecimal && points <= 1 && digits > 0) || controls::isNumeric(plain, QString(point));
    if (!ok)
        return std::nullopt;
    return QString(plain).replace(point, u'.').toDouble(&ok);
}

QString shown(const QString &min, const QString &max)
{
    return QStringLiteral("%1 to %2").arg(min.trimmed().isEmpty() ? QStringLiteral("open") : min.trimmed(),
                                          max.trimmed().isEmpty() ? QStringLiteral("open") : max.trimmed());
}

} // namespace

QVector<LimitProblem> checkLimits(const QStringList &limits, const QStringList &classes)
{
    QVector<LimitProblem> problems;
    const int count = int(limits.size()) / 2;
    const QChar point = QLocale().decimalPoint().front();
    QVector<std::optional<double>> values(limits.size());
    QVector<bool> numeric(limits.size());
    for (int i = 0; i < limits.size(); ++i) {
        bool ok = true;
        values[i] = number(limits[i], point, ok);
        numeric[i] = ok;
        if (!ok)
            problems.append({i, LimitProblem::NotANumber, QStringLiteral("\"%1\" is not a number.").arg(limits[i])});
    }
    for (int k = 0; k < count; ++k) {
        const auto &min = values[2 * k];
        const auto &max = values[2 * k + 1];
        if (min && max && *min > *max) {
            const QString why = QStringLiteral("Min is above Max.");
            problems.append({2 * k, LimitProblem::MinAboveMax, why});
            problems.append({2 * k + 1, LimitProblem::MinAboveMax, why});
        }
        if (k + 1 >= count || !numeric[2 * k] || !numeric[2 * k + 1] || !numeric[2 * k + 2] || !numeric[2 * k + 3])
            continue;
        const auto &nextMin = values[2 * k + 2];
        const auto &nextMax = values[2 * k + 3];
        // An open side is inside only an open side.
        const bool minOut = nextMin && (!min || *min < *nextMin);
        const bool maxOut = nextMax && (!max || *max > *nextMax);
        if (!minOut && !maxOut)
            continue;
        const QString why = QStringLiteral("Not inside the range of %1 (%2).")
                                .arg(classes.value(k + 1), shown(limits[2 * k + 2], limits[2 * k + 3]));
        if (minOut)
            problems.append({2 * k, LimitProblem::NotInsideNext, why});
        if (maxOut)
            problems.append({2 * k + 1, LimitProblem::NotInsideNext, why});
    }
    return problems;
}

std::optional<double> readNumber(const QString &text)
{
    bool ok = true;
    const auto value = number(text, QLocale().decimalPoint().front(), ok);
    return ok ? value : std::optional<double>(std::nan(""));
}

} // namespace rules
