#pragma once

#include "store/Fingerprint.h"

#include <QSqlDatabase>
#include <QVector>

namespace store {

// A cut institute paired with a symmetry institute for one shape.
struct InstitutePair {
    QString cutLab;
    QString symLab;
    bool operator==(const InstitutePair &) const = default;
};

// The rows saveInstitutePairs rewrites.
ScopeRows institutePairRows(const QString &shape);

// The shape's pairs of MultiData, in stored order; seen, when given,
// becomes their fingerprint.
QVector<InstitutePair> institutePairs(const QSqlDatabase &db, const QString &shape, Fingerprint *seen = nullptr);

// Replaces the shape's pairs in one transaction; other shapes keep theirs.
// With seen, throws store::Conflict and writes nothing when the stored pairs
// differ from it; afterwards seen is what is stored.
void saveInstitutePairs(const QSqlDatabase &db, const QString &shape, const QVector<InstitutePair> &pairs,
                        Fingerprint *seen = nullptr);

} // namespace store
