#include "rules/Grading.h"

#include "rules/Ranges.h"

#include <climits>
#include <cmath>
#include <limits>

namespace rules {

namespace {

constexpr double kOpen = std::numeric_limits<double>::infinity();

// An empty limit is open on its side; one that is not a number reads NaN.
double limit(const QString &text, double open)
{
    return readLimit(text).value_or(open);
}

} // namespace

int Grade::badness() const
{
    switch (kind) {
    case InClass:
        return classIndex;
    case Outside:
        return INT_MAX - 1;
    default:
        return INT_MAX;
    }
}

Grader::Grader(const RuleSheet &sheet, const QVector<int> &columns) : m_sheet(sheet)
{
    for (int r = 0; r < sheet.rows.size(); ++r) {
        const RuleSheet::Row &row = sheet.rows[r];
        if (!row.include)
            continue;
        Parameter parameter{r, columns.value(r, -1), {}};
        for (int k = 0; k < sheet.classes.size(); ++k)
            parameter.ranges.append({limit(row.limits.value(2 * k), -kOpen), limit(row.limits.value(2 * k + 1), kOpen)});
        m_parameters.append(parameter);
    }
}

QVector<int> Grader::columnsOf(const RuleSheet &sheet, const QStringList &fields)
{
    QVector<int> columns;
    for (const RuleSheet::Row &row : sheet.rows)
        columns.append(int(fields.indexOf(row.field)));
    return columns;
}

Grade Grader::grade(const store::Reading *values, QVector<Grade> *byParameter) const
{
    if (byParameter)
        *byParameter = QVector<Grade>(m_sheet.rows.size());
    Grade stone;
    int worst = -1;
    for (const Parameter &parameter : m_parameters) {
        Grade found{Grade::NoValue, -1, parameter.row};
        const store::Reading value = parameter.column >= 0 ? values[parameter.column] : store::Reading{};
        if (value.kind == store::Reading::Number) {
            found.kind = Grade::Outside;
            for (int k = 0; k < parameter.ranges.size(); ++k) {
                // NaN limits fail both tests.
                if (parameter.ranges[k].min <= value.number && value.number <= parameter.ranges[k].max) {
                    found = {Grade::InClass, k, parameter.row};
                    break;
                }
            }
        } else if (value.kind != store::Reading::Missing) {
            found.kind = Grade::NotANumber;
        }
        if (byParameter)
            (*byParameter)[parameter.row] = found;
        if (found.badness() > worst) {
            worst = found.badness();
            stone = found;
        }
    }
    return stone;
}

QString Grader::className(const Grade &grade) const
{
    switch (grade.kind) {
    case Grade::InClass:
        return m_sheet.classes.value(grade.classIndex);
    case Grade::Outside:
        return kOutside;
    default:
        return kNotGraded;
    }
}

QString Grader::parameterName(const Grade &grade) const
{
    return grade.parameter >= 0 ? m_sheet.rows.value(grade.parameter).parameter : QString();
}

void readTexts(store::Stones &stones)
{
    for (store::Reading &value : stones.values) {
        if (value.kind != store::Reading::Text)
            continue;
        const std::optional<double> number = readLimit(stones.texts.value(qsizetype(value.number)));
        if (!number)
            value = {};
        else if (std::isnan(*number))
            value.kind = store::Reading::NotANumber;
        else
            value = {*number, store::Reading::Number};
    }
}

Comparison compareGrades(const store::Stones &stones, const Grader &before, const Grader &after)
{
    Comparison comparison;
    // Each grader's grades are counted in the slot of their name.
    auto slotOf = [&](const QString &name) {
        for (int i = 0; i < comparison.counts.size(); ++i) {
            if (comparison.counts[i].name == name)
                return i;
        }
        comparison.counts.append({name});
        return int(comparison.counts.size()) - 1;
    };
    QVector<int> afterSlots, beforeSlots;
    for (const QString &name : after.sheet().classes)
        afterSlots.append(slotOf(name));
    for (const QString &name : before.sheet().classes)
        beforeSlots.append(slotOf(name));
    const int outside = slotOf(kOutside);
    const int notGraded = slotOf(kNotGraded);
    auto slot = [&](const Grade &grade, const QVector<int> &classSlots) {
        return grade.kind == Grade::InClass ? classSlots[grade.classIndex] : grade.kind == Grade::Outside ? outside : notGraded;
    };
    for (qsizetype i = 0; i < stones.count(); ++i) {
        const Grade was = before.grade(stones.stone(i));
        const Grade is = after.grade(stones.stone(i));
        const int from = slot(was, beforeSlots), to = slot(is, afterSlots);
        ++comparison.counts[from].before;
        ++comparison.counts[to].after;
        if (from != to)
            comparison.changes.append({stones.rids[i], was, is});
    }
    return comparison;
}

} // namespace rules
