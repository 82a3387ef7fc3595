#pragma once

#include "store/RuleStore.h"

namespace store {

// Replaces the parameter list of a shape in the parameter table of the
// given rule set: IDs 1 to n in list order, one transaction. The rows of
// other shapes are untouched.
void saveParameters(const QSqlDatabase &db, const RuleTables &tables, const QString &shape,
                    const QVector<Parameter> &parameters);

} // namespace store
