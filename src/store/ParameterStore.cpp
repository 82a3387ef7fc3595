#include "store/ParameterStore.h"

#include "store/Sql.h"

namespace store {

void saveParameters(const QSqlDatabase &db, const RuleTables &tables, const QString &shape,
                    const QVector<Parameter> &parameters)
{
    Transaction transaction(db);
    run(db, QStringLiteral("DELETE FROM %1 WHERE Shape = ?").arg(tables.paraTable), {shape});
    QSqlQuery insert = prepare(
        db, QStringLiteral("INSERT INTO %1 (Shape, ID, Parameters, Display_Name) VALUES (?, ?, ?, ?)")
                .arg(tables.paraTable));
    for (int i = 0; i < parameters.size(); ++i)
        runPrepared(insert, {shape, i + 1, parameters[i].fieldName, parameters[i].displayName});
    insert.finish();
    transaction.commit();
}

} // namespace store
