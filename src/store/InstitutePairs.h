#pragma once

#include <QSqlDatabase>
#include <QVector>

namespace store {

// A cut institute paired with a symmetry institute for one shape.
struct InstitutePair {
    QString cutLab;
    QString symLab;
    bool operator==(const InstitutePair &) const = default;
};

// The shape's pairs of MultiData, in stored order.
QVector<InstitutePair> institutePairs(const QSqlDatabase &db, const QString &shape);

// Replaces the shape's pairs in one transaction; other shapes keep theirs.
void saveInstitutePairs(const QSqlDatabase &db, const QString &shape, const QVector<InstitutePair> &pairs);

} // namespace store
