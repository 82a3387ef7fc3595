#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace rules {

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

// The first class, in class order, whose range holds value (an empty
// limit is open on its side), or -1. Limits that are not numbers hold
// nothing.
int classOf(double value, const QStringList &limits);

} // namespace rules
