#pragma once

#include "store/Fingerprint.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

namespace store {

class ScopeRecord;

// The four tables of one rule set. Names come from this fixed set only,
// never from free text.
struct RuleTables {
    QString classTable;
    QString labTable;
    QString paraTable;
    QString dataTable;
    bool scoped = true; // rows carry Shape and Lab

    // "Cut" or "Sym"; throws store::Error for anything else.
    static RuleTables forType(const QString &type);
    // The secondary rule set: one set, no shape, no lab.
    static RuleTables secondary();
};

struct Scope {
    QString shape;
    QString lab;
};

struct Parameter {
    QString displayName;
    QString fieldName; // the report field, column "Parameters"
};

struct RangeCell {
    QString min;
    QString max;
    bool include = false;
    bool show = false;
    bool stored = false; // a row of the range table holds it
};

// One stored range row, in the column order of the range table.
struct RangeRow {
    int serial = 0; // 1-based class number
    QString para;   // the parameter's display name
    QString min;
    QString max;
    bool include = false;
    QString className;
    QString fieldName;
    bool show = false;
    bool operator==(const RangeRow &) const = default;
};

// The ranges of one lab, found by parameter display name (without regard to
// case, as the old engine compared) and class number. The first row added
// for a pair wins.
class RangeLookup {
public:
    // Index = class number - 1; cells no row holds are not `stored`.
    using Cells = QVector<RangeCell>;

    void add(const QString &para, int serial, const RangeCell &cell);
    // The parameter's ranges, or nullptr when it has none.
    const Cells *parameter(const QString &para) const;
    const RangeCell *find(const QString &para, int serial) const;
    int size() const { return m_size; }

    // Beyond this class number a row can never be shown; it is not kept.
    static constexpr int kMaxClassNumber = 10000;

private:
    QHash<QString, Cells> m_cells; // by case-folded name
    // Stored rows come grouped by parameter: fold each name once.
    QString m_lastPara;
    QString m_lastKey;
    int m_size = 0;
};

class RuleStore {
public:
    RuleStore(const QSqlDatabase &db, const RuleTables &tables);

    const RuleTables &tables() const { return m_tables; }

    // In ID order.
    QVector<Parameter> parameters(const QString &shape) const;
    // Distinct lab names, in name order without regard to case.
    QStringList labs(const QString &shape) const;
    // The description of the lab's first row in the lab table.
    QString labDescription(const Scope &scope) const;
    // Class names in Serial order.
    QStringList classes(const Scope &scope) const;
    // seen, when given, becomes the fingerprint of the range rows read.
    RangeLookup ranges(const Scope &scope, Fingerprint *seen = nullptr) const;

    // The rows each save rewrites, every column in stored order, and what
    // they hold now.
    ScopeRows classRows(const Scope &scope) const;
    ScopeRows rangeRows(const Scope &scope) const;
    Fingerprint classesFingerprint(const Scope &scope) const;
    // How a conflict names the scope: "AGL (Brilliant, Cut)".
    Subject subject(const Scope &scope) const;

    // Replace the scope's class list (Serial = position) in one transaction.
    // With seen, throws store::Conflict and writes nothing when the stored
    // list differs from it, and afterwards seen is what is stored.
    void saveClasses(const Scope &scope, const QStringList &names, Fingerprint *seen = nullptr) const;
    // Replace the scope's ranges in one transaction; seen as for saveClasses.
    void saveRanges(const Scope &scope, const QVector<RangeRow> &rows, Fingerprint *seen = nullptr) const;
    // Replace the scope's ranges and class list, each where given, in one
    // transaction. Each part is compared with its own seen, as above, before
    // anything is written: one conflict writes nothing. What changed is
    // recorded in the history in the same transaction.
    void saveRuleSet(const Scope &scope, const QVector<RangeRow> *ranges, const QStringList *classes,
                     Fingerprint *rangesSeen, Fingerprint *classesSeen) const;

    // Every stored range row of the scope, in stored order.
    QVector<RangeRow> storedRanges(const Scope &scope) const;

private:
    // Inside a save's transaction: replace the rows; what they hold now when
    // seen is kept (see storedNow).
    Fingerprint writeClasses(const Scope &scope, const QStringList &names, const Fingerprint *seen,
                             ScopeRecord &record) const;
    Fingerprint writeRanges(const Scope &scope, const QVector<RangeRow> &rows, const Fingerprint *seen,
                            ScopeRecord &record) const;
    // Where the class list and the ranges stand in the scope's history.
    int classesPart() const;
    int rangesPart() const;
    QString scopeCondition() const;
    QVariantList scopeValues(const Scope &scope) const;

    QSqlDatabase m_db;
    RuleTables m_tables;
};

} // namespace store
