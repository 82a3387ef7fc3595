#pragma once

#include "store/ReportTables.h"

#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

namespace store {

// The stones of a shape as its report tables hold them: one per report
// number, with a value per field asked for.
struct Stones {
    QStringList fields;
    QStringList tables;      // the shape's tables that were read, in name order
    QVector<qint64> rids;    // ascending
    QVector<Reading> values; // rids.size() rows of fields.size() values
    QStringList texts;       // what the Text readings hold
    qint64 withoutNumber = 0; // rows left out: their RID is empty or not a whole number

    qsizetype count() const { return rids.size(); }
    const Reading *stone(qsizetype index) const { return values.constData() + index * fields.size(); }
    // The stone with that report number, or -1.
    qsizetype find(qint64 rid) const;
};

// Told the rows read so far and the rows of all the tables; false stops.
using ReadProgress = std::function<bool(qint64 read, qint64 total)>;

// Reads the named fields of the stones of the shape with the given code
// (the tables shapeTables() gives it, joined on RID), or with rid that one
// stone alone. A field's value comes from the first table, in name order,
// that holds one for the stone; a field no table has stays missing. Throws
// store::Error, also for a table that has a wanted field but no RID column;
// nothing when progress said stop.
std::optional<Stones> readStones(const ReportTables &reports, const QString &shapeCode, const QStringList &fields,
                                 const ReadProgress &progress = {}, std::optional<qint64> rid = std::nullopt);

} // namespace store
