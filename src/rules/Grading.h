#pragma once

#include "rules/RuleSheet.h"
#include "store/ReportStones.h"

#include <QString>
#include <QVector>

namespace rules {

inline const QString kOutside = QStringLiteral("outside every class");
inline const QString kNotGraded = QStringLiteral("not graded");

// What one parameter, or a whole stone, comes to.
struct Grade {
    enum Kind : quint8 { InClass, Outside, NoValue, NotANumber };
    Kind kind = NoValue;
    int classIndex = -1; // InClass: the class, in class order
    int parameter = -1;  // a stone's grade: the sheet row that decided it
    // How bad it is: the later class the worse, outside every class worse
    // still, not graded worst.
    int badness() const;
    bool operator==(const Grade &) const = default;
};

// The one grading rule, for a stone typed in and for every stone of the
// report tables alike: each included parameter's value falls into the
// first class, in class order, whose range holds it (Min <= value <= Max;
// an empty limit is open, one that is not a number holds nothing). The
// stone's grade is the worst of them: a later class, then outside every
// class, then not graded (a value missing or not a number), decided by the
// first parameter that has it. Limits are read once, here.
class Grader {
public:
    // columns: for each row of the sheet, where its value stands among a
    // stone's values; -1 when it has none.
    Grader(const RuleSheet &sheet, const QVector<int> &columns);
    // The columns when a stone's values are those of `fields`: each row
    // reads its report field.
    static QVector<int> columnsOf(const RuleSheet &sheet, const QStringList &fields);

    // byParameter, when given, gets the grade of every sheet row (rows
    // not included stay NoValue).
    Grade grade(const store::Reading *values, QVector<Grade> *byParameter = nullptr) const;

    const RuleSheet &sheet() const { return m_sheet; }
    // "Excellent", kOutside or kNotGraded.
    QString className(const Grade &grade) const;
    // The display name of the parameter that decided; empty for none.
    QString parameterName(const Grade &grade) const;

private:
    struct Range {
        double min, max; // open sides are infinite; NaN holds nothing
    };
    struct Parameter {
        int row;
        int column;
        QVector<Range> ranges; // in class order
    };
    RuleSheet m_sheet;
    QVector<Parameter> m_parameters; // the included ones, in sheet order
};

// Reads the texts of text values as numbers, once, before grading: an
// empty text is no value.
void readTexts(store::Stones &stones);

// Stones graded by two rule sets: the stored rules and those on screen.
struct Comparison {
    struct Count {
        QString name;
        qint64 before = 0, after = 0;
    };
    struct Change {
        qint64 rid;
        Grade before, after;
    };
    // The classes of the rules after, in class order; those only the rules
    // before have; then kOutside and kNotGraded.
    QVector<Count> counts;
    // The stones whose class (by name) differs, in report number order.
    QVector<Change> changes;
};
Comparison compareGrades(const store::Stones &stones, const Grader &before, const Grader &after);

} // namespace rules
