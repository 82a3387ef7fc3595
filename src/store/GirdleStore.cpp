#include "store/GirdleStore.h"

#include "store/Engine.h"
#include "store/History.h"
#include "store/Sql.h"

namespace store {

GirdleStore::GirdleStore(const QSqlDatabase &db) : m_db(db)
{
}

QStringList GirdleStore::labs(const QString &shape) const
{
    // Labs come from the cut class names, whether or not they have descriptions yet.
    return firstColumn(m_db, QStringLiteral("SELECT DISTINCT Lab FROM Cut WHERE Shape = ? ORDER BY %1").arg(caselessOrder(m_db, QStringLiteral("Lab"))),
                       {shape});
}

QStringList GirdleStore::classes(const Scope &scope) const
{
    return RuleStore(m_db, RuleTables::forType(QStringLiteral("Cut"))).classes(scope);
}

ScopeRows girdleDescriptionRows(const Scope &scope)
{
    return {QStringLiteral("SELECT Shape, Lab, ID, Description, BazelMin, BazelMax, BoneMin, BoneMax, NarrowMin, "
                           "NarrowMax FROM GIRDLE_DESC WHERE Lab = ? AND Shape = ? ORDER BY rowid"),
            {scope.lab, scope.shape}};
}

ScopeRows girdleGradeRows(const Scope &scope, const QString &part)
{
    return {QStringLiteral("SELECT FromID, ToID, Class, Lab, Shape, GIRDLECLASS FROM GIRDLE_CLASS "
                           "WHERE Lab = ? AND Shape = ? AND GIRDLECLASS = ? ORDER BY rowid"),
            {scope.lab, scope.shape, part}};
}

QVector<GirdleDescription> GirdleStore::descriptions(const Scope &scope, Fingerprint *seen) const
{
    if (seen)
        *seen = fingerprintOf(m_db, {girdleDescriptionRows(scope)});
    QSqlQuery q = run(m_db,
                      QStringLiteral("SELECT ID, Description, BazelMin, BazelMax, BoneMin, BoneMax, NarrowMin, NarrowMax "
                                     "FROM GIRDLE_DESC WHERE Lab = ? AND Shape = ? ORDER BY ID"),
                      {scope.lab, scope.shape});
    QVector<GirdleDescription> rows;
    while (q.next()) {
        GirdleDescription row{q.value(0).toInt(), text(q, 1), {}};
        for (int i = 2; i < 8; ++i)
            row.limits.append(q.value(i));
        rows.append(row);
    }
    return rows;
}

void GirdleStore::saveDescriptions(const Scope &scope, const QVector<GirdleDescription> &rows,
                                   Fingerprint *seen) const
{
    Transaction transaction(m_db);
    ScopeRecord record(m_db, HistoryScope::ofGirdleDescriptions(scope));
    record.expectUnchanged(seen, {0}, {QStringLiteral("The girdle descriptions of %1 (%2)").arg(scope.lab, scope.shape), true});
    run(m_db, QStringLiteral("DELETE FROM GIRDLE_DESC WHERE Lab = ? AND Shape = ?"), {scope.lab, scope.shape});
    QSqlQuery insert = prepare(m_db, QStringLiteral("INSERT INTO GIRDLE_DESC VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const GirdleDescription &row : rows)
        runPrepared(insert, QVariantList{scope.shape, scope.lab, row.id, row.text} + row.limits);
    insert.finish();
    record.wrote(0);
    record.record(history::kGirdleDescriptions);
    const Fingerprint stored = storedNow(m_db, seen, {girdleDescriptionRows(scope)});
    transaction.commit();
    if (seen)
        *seen = stored;
}

QVector<GirdleGrade> GirdleStore::grades(const Scope &scope, const QString &part, Fingerprint *seen) const
{
    if (seen)
        *seen = fingerprintOf(m_db, {girdleGradeRows(scope, part)});
    QSqlQuery q = run(m_db,
                      QStringLiteral("SELECT FromID, ToID, Class FROM GIRDLE_CLASS "
                                     "WHERE Lab = ? AND Shape = ? AND GIRDLECLASS = ? ORDER BY Class"),
                      {scope.lab, scope.shape, part});
    QVector<GirdleGrade> grades;
    while (q.next())
        grades.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt()});
    return grades;
}

void GirdleStore::saveGrades(const Scope &scope, const QString &part, const QVector<GirdleGrade> &grades,
                             Fingerprint *seen) const
{
    Transaction transaction(m_db);
    ScopeRecord record(m_db, HistoryScope::ofGirdleGrades(scope, part));
    record.expectUnchanged(seen, {0}, {QStringLiteral("The %1 girdle grades of %2 (%3)").arg(part, scope.lab, scope.shape), true});
    run(m_db, QStringLiteral("DELETE FROM GIRDLE_CLASS WHERE Lab = ? AND Shape = ? AND GIRDLECLASS = ?"),
        {scope.lab, scope.shape, part});
    QSqlQuery insert = prepare(m_db, QStringLiteral("INSERT INTO GIRDLE_CLASS VALUES (?, ?, ?, ?, ?, ?)"));
    for (const GirdleGrade &grade : grades)
        runPrepared(insert, {grade.fromId, grade.toId, grade.classPosition, scope.lab, scope.shape, part});
    insert.finish();
    record.wrote(0);
    record.record(history::kGirdleGrades);
    const Fingerprint stored = storedNow(m_db, seen, {girdleGradeRows(scope, part)});
    transaction.commit();
    if (seen)
        *seen = stored;
}

} // namespace store
