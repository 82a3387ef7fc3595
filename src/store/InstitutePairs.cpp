#include "store/InstitutePairs.h"

#include "store/History.h"
#include "store/Sql.h"

namespace store {

ScopeRows institutePairRows(const QString &shape)
{
    return {QStringLiteral("SELECT Shape, CutLab, SymLab FROM MultiData WHERE Shape = ? ORDER BY rowid"), {shape}};
}

QVector<InstitutePair> institutePairs(const QSqlDatabase &db, const QString &shape, Fingerprint *seen)
{
    if (seen)
        *seen = fingerprintOf(db, {institutePairRows(shape)});
    QSqlQuery q = run(db, QStringLiteral("SELECT CutLab, SymLab FROM MultiData WHERE Shape = ? ORDER BY rowid"),
                      {shape});
    QVector<InstitutePair> pairs;
    while (q.next())
        pairs.append({text(q, 0), text(q, 1)});
    return pairs;
}

void saveInstitutePairs(const QSqlDatabase &db, const QString &shape, const QVector<InstitutePair> &pairs,
                        Fingerprint *seen)
{
    Transaction transaction(db);
    ScopeRecord record(db, HistoryScope::ofPairs(shape));
    record.expectUnchanged(seen, {0}, {QStringLiteral("The institute pairs of %1").arg(shape), true});
    run(db, QStringLiteral("DELETE FROM MultiData WHERE Shape = ?"), {shape});
    QSqlQuery insert = prepare(db, QStringLiteral("INSERT INTO MultiData (Shape, CutLab, SymLab) VALUES (?, ?, ?)"));
    for (const InstitutePair &pair : pairs)
        runPrepared(insert, {shape, pair.cutLab, pair.symLab});
    insert.finish();
    record.wrote(0);
    record.record(history::kPairs);
    const Fingerprint stored = storedNow(db, seen, {institutePairRows(shape)});
    transaction.commit();
    if (seen)
        *seen = stored;
}

} // namespace store
