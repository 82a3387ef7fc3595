#pragma once

#include "store/RuleStore.h"

namespace store {

// Labs of one shape. Each operation is one transaction: it is done whole
// or not at all.
class LabStore {
public:
    explicit LabStore(const QSqlDatabase &db);

    bool exists(const RuleTables &tables, const QString &shape, const QString &lab) const;

    // A row in both CutLab and SymLab; where the lab exists already its
    // first row gets the new description instead of a second row.
    void create(const QString &shape, const QString &lab, const QString &description) const;

    // Copies the lab's class rows and range rows of one type under a new
    // name, every other column unchanged, then adds the lab row.
    void copy(const RuleTables &tables, const QString &shape, const QString &from,
              const QString &to, const QString &description) const;

    // Removes the lab's lab row, class rows and range rows of one type.
    void remove(const RuleTables &tables, const QString &shape, const QString &lab) const;

private:
    QSqlDatabase m_db;
};

} // namespace store
