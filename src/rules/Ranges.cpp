#include "rules/Ranges.h"

#include "controls/Number.h"

#include <cmath>
#include <optional>

namespace rules {

namespace {

// A limit as a number; nullopt for an empty (open) limit. `ok` is false for
// text that is not a number.
std::optional<double> number(const QString &text, bool &ok)
{
    if (QStringView(text).trimmed().isEmpty()) {
        ok = true;
        return std::nullopt;
    }
    const std::optional<double> value = controls::readNumber(text);
    ok = value.has_value();
    return value;
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
    QVector<std::optional<double>> values(limits.size());
    QVector<bool> numeric(limits.size());
    for (int i = 0; i < limits.size(); ++i) {
        bool ok = true;
        values[i] = number(limits[i], ok);
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

std::optional<double> readLimit(const QString &text)
{
    bool ok = true;
    const auto value = number(text, ok);
    return ok ? value : std::optional<double>(std::nan(""));
}

} // namespace rules
