#include "store/InstitutePairs.h"

#include "store/Sql.h"

namespace store {

QVector<InstitutePair> institutePairs(const QSqlDatabase &db, const QString &shape)
{
    QSqlQuery q = run(db, QStringLiteral("SELECT CutLab, SymLab FROM MultiData WHERE Shape = ? ORDER BY rowid"),
                      {shape});
    QVector<InstitutePair> pairs;
    while (q.next())
        pairs.append({text(q, 0), text(q, 1)});
    return pairs;
}

void saveInstitutePairs(const QSqlDatabase &db, const QString &shape, const QVector<InstitutePair> &pairs)
{
    Transaction transaction(db);
    run(db, QStringLiteral("DELETE FROM MultiData WHERE Shape = ?"), {shape});
    QSqlQuery insert = prepare(db, QStringLiteral("INSERT INTO MultiData (Shape, CutLab, SymLab) VALUES (?, ?, ?)"));
    for (const InstitutePair &pair : pairs)
        runPrepared(insert, {shape, pair.cutLab, pair.symLab});
    insert.finish();
    transaction.commit();
}

} // namespace store
