#pragma once

#include "store/RuleStore.h"

namespace store {

// Replaces the parameter list of a shape in the parameter table of the
// given rule set: IDs 1 to n in list order, one transaction. The rows of
// other shapes are untouched.
// With seen, throws store::Conflict and writes nothing when the shape's
// stored parameters differ from it; afterwards seen is what is stored.
void saveParameters(const QSqlDatabase &db, const RuleTables &tables, const QString &shape,
                    const QVector<Parameter> &parameters, Fingerprint *seen = nullptr);

// The rows saveParameters rewrites, and what they hold now.
ScopeRows parameterRows(const RuleTables &tables, const QString &shape);
Fingerprint parametersFingerprint(const QSqlDatabase &db, const RuleTables &tables, const QString &shape);

} // namespace store
