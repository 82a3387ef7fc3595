#pragma once

#include "store/RuleStore.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

namespace store {

// One girdle description of a lab and shape, in the column order of
// GIRDLE_DESC.
struct GirdleDescription {
    int id = 0;
    QString text;
    // Six numbers: Bazel min and max, Bone min and max, Narrow min and max.
    // Read back as stored (NULL stays a null QVariant).
    QVariantList limits;
};

// The range of two descriptions (by ID) that one class admits.
struct GirdleGrade {
    int fromId = 0;
    int toId = 0;
    int classPosition = 0; // 0-based place in the lab's cut class list
    bool operator==(const GirdleGrade &) const = default;
};

// The rows each save rewrites.
ScopeRows girdleDescriptionRows(const Scope &scope);
ScopeRows girdleGradeRows(const Scope &scope, const QString &part);

// GIRDLE_DESC and GIRDLE_CLASS, and what the girdle windows read of the cut
// classes. Each save replaces its scope in one transaction.
class GirdleStore {
public:
    explicit GirdleStore(const QSqlDatabase &db);

    // Labs that have cut classes for the shape, in name order.
    QStringList labs(const QString &shape) const;
    // The lab's cut class names in Serial order.
    QStringList classes(const Scope &scope) const;

    // In ID order. seen, when given, becomes the fingerprint of the rows
    // the save rewrites.
    QVector<GirdleDescription> descriptions(const Scope &scope, Fingerprint *seen = nullptr) const;
    // With seen, throws store::Conflict and writes nothing when the stored
    // rows differ from it; afterwards seen is what is stored (limits read
    // back as the REAL columns keep them).
    void saveDescriptions(const Scope &scope, const QVector<GirdleDescription> &rows,
                          Fingerprint *seen = nullptr) const;

    // In Class order; seen as for descriptions().
    QVector<GirdleGrade> grades(const Scope &scope, const QString &part, Fingerprint *seen = nullptr) const;
    void saveGrades(const Scope &scope, const QString &part, const QVector<GirdleGrade> &grades,
                    Fingerprint *seen = nullptr) const;

private:
    QSqlDatabase m_db;
};

} // namespace store
