#include "store/ReportStones.h"

#include "store/Error.h"

#include <QHash>
#include <algorithm>
#include <numeric>

namespace store {

namespace {

constexpr qint64 kProgressEvery = 4096;

// A table of the shape to read, with the wanted fields it has.
struct TablePlan {
    QString table;
    QStringList columns;
    QVector<int> fieldOf; // index into the stones' fields, per column
};

QVector<TablePlan> planTables(const ReportTables &reports, const QString &shapeCode, const QStringList &fields)
{
    QVector<TablePlan> plans;
    for (const QString &table : shapeTables(reports.tables(), shapeCode)) {
        const QStringList columns = reports.columns(table);
        TablePlan plan{table, {}, {}};
        for (int f = 0; f < fields.size(); ++f) {
            if (columns.contains(fields[f])) {
                plan.columns.append(fields[f]);
                plan.fieldOf.append(f);
            }
        }
        if (plan.columns.isEmpty())
            continue; // nothing wanted from it: not read at all
        if (!columns.contains(kReportNumber))
            throw Error(QStringLiteral("The report table %1 has no %2 column, so its rows cannot be told apart.")
                            .arg(table, kReportNumber));
        plans.append(plan);
    }
    return plans;
}

// Puts the stones in report number order (tables are mostly in that order
// already, so the check usually ends it).
void sortByNumber(Stones &stones)
{
    if (std::is_sorted(stones.rids.cbegin(), stones.rids.cend()))
        return;
    QVector<qsizetype> order(stones.rids.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return stones.rids[a] < stones.rids[b]; });
    const qsizetype width = stones.fields.size();
    QVector<qint64> rids(order.size());
    QVector<Reading> values(stones.values.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        rids[i] = stones.rids[order[i]];
        std::copy_n(stones.values.constData() + order[i] * width, width, values.data() + i * width);
    }
    stones.rids = std::move(rids);
    stones.values = std::move(values);
}

} // namespace

qsizetype Stones::find(qint64 rid) const
{
    const auto at = std::lower_bound(rids.cbegin(), rids.cend(), rid);
    return at != rids.cend() && *at == rid ? at - rids.cbegin() : -1;
}

std::optional<Stones> readStones(const ReportTables &reports, const QString &shapeCode, const QStringList &fields,
                                 const ReadProgress &progress, std::optional<qint64> rid)
{
    Stones stones;
    stones.fields = fields;
    const qsizetype width = fields.size();
    qint64 total = 0;
    const QVector<TablePlan> plans = planTables(reports, shapeCode, fields);
    for (const TablePlan &plan : plans) {
        if (progress)
            total += reports.rowCount(plan.table);
        stones.tables.append(plan.table);
    }
    QHash<qint64, qsizetype> byNumber;
    qint64 read = 0;
    QString text;
    for (const TablePlan &plan : plans) {
        const std::unique_ptr<ReportRows> rows = reports.rows(plan.table, plan.columns, rid);
        ReportRows &table = *rows;
        const QVector<int> &fieldOf = plan.fieldOf;
        while (table.next()) {
            if (++read % kProgressEvery == 0 && progress && !progress(read, total))
                return std::nullopt;
            const std::optional<qint64> number = table.rid();
            if (!number) {
                ++stones.withoutNumber;
                continue;
            }
            auto found = byNumber.constFind(*number);
            if (found == byNumber.cend()) {
                found = byNumber.insert(*number, stones.rids.size());
                stones.rids.append(*number);
                stones.values.resize(stones.values.size() + width);
            }
            Reading *stone = stones.values.data() + found.value() * width;
            for (int c = 0; c < fieldOf.size(); ++c) {
                Reading &slot = stone[fieldOf[c]];
                if (slot.kind != Reading::Missing)
                    continue; // an earlier table gave it
                slot.kind = table.value(c, slot.number, text);
                if (slot.kind == Reading::Text) {
                    slot.number = double(stones.texts.size());
                    stones.texts.append(text);
                }
            }
        }
    }
    if (progress && !progress(read, total))
        return std::nullopt;
    sortByNumber(stones);
    return stones;
}

} // namespace store
