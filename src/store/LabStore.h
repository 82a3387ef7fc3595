#pragma once

#include "store/RuleStore.h"

namespace store {

// Labs of one shape. Each operation is one transaction: it is done whole
// or not at all.
class LabStore {
public:
    explicit LabStore(const QSqlDatabase &db);

    bool exists(const RuleTables &tables, const QString &shape, const QString &lab) const;

    // The lab rows of a shape in CutLab and SymLab: what a window that lists
    // the labs saw. Create and copy compare it, so that a lab created or
    // deleted elsewhere meanwhile is not missed.
    QVector<ScopeRows> labListRows(const QString &shape) const;
    Fingerprint labListFingerprint(const QString &shape) const;
    // The lab's own rows in the type's lab table. Remove compares this plus
    // the lab's class rows plus its range rows (RuleStore::classesFingerprint
    // and ranges()), added in that order.
    ScopeRows labRows(const RuleTables &tables, const Scope &scope) const;
    Fingerprint labFingerprint(const RuleTables &tables, const Scope &scope) const;

    // A row in both CutLab and SymLab; where the lab exists already its
    // first row gets the new description instead of a second row. With
    // labListSeen, throws store::Conflict and writes nothing when the lab
    // list of the shape changed since.
    void create(const QString &shape, const QString &lab, const QString &description,
                Fingerprint *labListSeen = nullptr) const;

    // Copies the lab's class rows and range rows of one type under a new
    // name, every other column unchanged, then adds the lab row; compares
    // labListSeen as create does. Both leave labListSeen as stored after.
    void copy(const RuleTables &tables, const QString &shape, const QString &from,
              const QString &to, const QString &description, Fingerprint *labListSeen = nullptr) const;

    // Removes the lab's lab row, class rows and range rows of one type.
    // With seen, throws store::Conflict and removes nothing when any of them
    // changed since.
    void remove(const RuleTables &tables, const QString &shape, const QString &lab,
                const Fingerprint *seen = nullptr) const;

private:
    QSqlDatabase m_db;
};

} // namespace store
