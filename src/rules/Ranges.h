#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace rules {

// A limit, or a measurement kept as text, read by the one number reader
// (controls::readNumber): nullopt when it is empty, NaN when it is not a
// number. Grading reads limits and measurements through here.
std::optional<double> readLimit(const QString &text);

// What looks wrong in one parameter's row of limits; nothing here stops
// anything the user may type.
struct LimitProblem {
    enum Kind { NotANumber, MinAboveMax, NotInsideNext };
    int index; // into the row's limits: 2k is class k's Min, 2k + 1 its Max
    Kind kind;
    QString why;
};

// limits: Min and Max of each class in class order; classes: their names.
// Grades usually widen from the best class to the worst, so each class's
// range should lie inside the range of the class after it.
QVector<LimitProblem> checkLimits(const QStringList &limits, const QStringList &classes);

} // namespace rules
