#include "store/ParameterStore.h"

#include "store/History.h"
#include "store/Sql.h"

namespace store {

ScopeRows parameterRows(const RuleTables &tables, const QString &shape)
{
    return {QStringLiteral("SELECT Shape, ID, Parameters, Display_Name FROM %1 WHERE Shape = ? ORDER BY rowid")
                .arg(tables.paraTable),
            {shape}};
}

Fingerprint parametersFingerprint(const QSqlDatabase &db, const RuleTables &tables, const QString &shape)
{
    return fingerprintOf(db, {parameterRows(tables, shape)});
}

void saveParameters(const QSqlDatabase &db, const RuleTables &tables, const QString &shape,
                    const QVector<Parameter> &parameters, Fingerprint *seen)
{
    Transaction transaction(db);
    ScopeRecord record(db, HistoryScope::ofParameters(tables, shape));
    record.expectUnchanged(seen, {0}, {QStringLiteral("The parameters of %1 (%2)").arg(shape, tables.classTable), true});
    run(db, QStringLiteral("DELETE FROM %1 WHERE Shape = ?").arg(tables.paraTable), {shape});
    QSqlQuery insert = prepare(
        db, QStringLiteral("INSERT INTO %1 (Shape, ID, Parameters, Display_Name) VALUES (?, ?, ?, ?)")
                .arg(tables.paraTable));
    for (int i = 0; i < parameters.size(); ++i)
        runPrepared(insert, {shape, i + 1, parameters[i].fieldName, parameters[i].displayName});
    insert.finish();
    record.wrote(0);
    record.record(history::kParameters);
    const Fingerprint stored = storedNow(db, seen, {parameterRows(tables, shape)});
    transaction.commit();
    if (seen)
        *seen = stored;
}

} // namespace store
