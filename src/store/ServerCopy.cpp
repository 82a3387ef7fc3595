#include "store/ServerCopy.h"

#include "store/Database.h"
#include "store/Engine.h"
#include "store/Error.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/Sql.h"

#include <QFileInfo>
#include <algorithm>

namespace store {

namespace {

const QString kFrom = QStringLiteral("orvana-copy-from");
const QString kTo = QStringLiteral("orvana-copy-to");

struct Connections {
    ~Connections()
    {
        closeDatabase(kFrom);
        closeDatabase(kTo);
    }
};

QString schemaScriptOf(StoreKind kind)
{
    const QString history = builtInScript(QStringLiteral("history.sql"));
    switch (kind) {
    case StoreKind::Class: return builtInScript(QStringLiteral("class.sql")) + history;
    case StoreKind::Secondary: return builtInScript(QStringLiteral("omz.sql")) + history;
    case StoreKind::Reports: break;
    }
    return {};
}

// A store made by a version before the history has no history table: it
// stays empty in the copy.
bool copiedWhenThere(const QStringList &names, const QString &table)
{
    if (table.compare(QLatin1String("History"), Qt::CaseInsensitive) != 0)
        return true;
    return std::any_of(names.begin(), names.end(),
                       [&](const QString &name) { return name.compare(table, Qt::CaseInsensitive) == 0; });
}

// The table of `names` that is `table` without regard to case (the server
// folds the names of tables made unquoted).
QString actualName(const QStringList &names, const QString &table)
{
    for (const QString &name : names) {
        if (name.compare(table, Qt::CaseInsensitive) == 0)
            return name;
    }
    throw Error(QStringLiteral("The table %1 is missing.").arg(table));
}

// Rows in the order they were written, NULL kept apart from empty text, by
// position into `into`.
qint64 copyRows(const QSqlDatabase &from, const QString &table, const QSqlDatabase &to, const QString &into)
{
    QStringList columns = tableColumns(from, table);
    for (QString &column : columns)
        column = quoted(column);
    QSqlQuery read = run(from, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columns.join(QStringLiteral(", ")), quoted(table)));
    QVector<QVariantList> batch;
    qint64 copied = 0;
    auto flush = [&] {
        insertRows(to, into, columns.size(), batch);
        copied += batch.size();
        batch.clear();
    };
    while (read.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            row.append(read.isNull(i) ? QVariant() : read.value(i));
        batch.append(row);
        if (batch.size() == 5000)
            flush();
    }
    flush();
    return copied;
}

// A report table as the office made it: exact name, columns with the server
// type nearest to the declared one.
QString reportTableDefinition(const QSqlDatabase &from, const QString &table)
{
    QSqlQuery q = run(from, QStringLiteral("SELECT name, upper(type) FROM pragma_table_info(?) ORDER BY cid"), {table});
    QStringList columns;
    while (q.next()) {
        const QString type = q.value(1).toString();
        QString serverType = QStringLiteral("text");
        if (type.contains(QLatin1String("INT")))
            serverType = QStringLiteral("bigint");
        else if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) || type.contains(QLatin1String("DOUB")))
            serverType = QStringLiteral("double precision");
        else if (type.contains(QLatin1String("NUM")) || type.contains(QLatin1String("DEC")))
            serverType = QStringLiteral("numeric");
        columns.append(quoted(q.value(0).toString()) + u' ' + serverType);
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(table), columns.join(QStringLiteral(", ")));
}

struct MadeStore {
    StoreKind kind;
    bool madeSchema = false;
    QStringList tables;
};

// Removes what copyStore made, for a copy that failed in a later store.
// Returns why it could not, or empty text.
QString undo(const ServerConfig &to, const MadeStore &made)
{
    const QString schema = quoted(to.schema(made.kind));
    try {
        const QSqlDatabase db = openServerStore(kTo, to, made.kind, true);
        Transaction transaction(db);
        if (made.madeSchema) {
            run(db, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
        } else {
            for (const QString &table : made.tables)
                run(db, QStringLiteral("DROP TABLE IF EXISTS %1.%2").arg(schema, table));
        }
        transaction.commit();
    } catch (const Error &error) {
        return QStringLiteral("schema %1: %2").arg(to.schema(made.kind), error.message());
    }
    return {};
}

MadeStore copyStore(const DataDir &from, StoreKind kind, const ServerConfig &to, QVector<CopiedTable> &lines)
{
    MadeStore made{kind, false, {}};
    const QSqlDatabase source = openDatabase(kFrom, from.file(QString::fromLatin1(storeFile(kind))));
    const QSqlDatabase target = openServerStore(kTo, to, kind, true);
    const QString schema = to.schema(kind);
    made.madeSchema = !schemaExists(target, schema);

    Transaction transaction(target);
    run(target, QStringLiteral("CREATE SCHEMA IF NOT EXISTS %1").arg(quoted(schema)));
    const QStringList sourceTables = tableNames(source);
    QVector<CopiedTable> copied;
    if (kind == StoreKind::Reports) {
        for (const QString &table : sourceTables) {
            run(target, reportTableDefinition(source, table));
            made.tables.append(quoted(table));
            copied.append({storeCaption(kind), table, copyRows(source, table, target, quoted(table))});
        }
    } else {
        // The rule tables are made from the program's own schema, so the
        // server compares names without regard to case as SQLite does. The
        // extension gets a schema of its own: its schema is on every
        // store's search path, and public must not be.
        if (caselessTextSchema(target).isEmpty()) {
            run(target, QStringLiteral("CREATE SCHEMA IF NOT EXISTS citext"));
            run(target, QStringLiteral("CREATE EXTENSION citext WITH SCHEMA citext"));
        }
        useStoreSchema(target, schema, true);
        const QString script = serverSchemaScript(schemaScriptOf(kind));
        runStatements(target, script);
        const QStringList targetTables = tableNames(target);
        made.tables = targetTables;
        for (const QString &table : targetTables) {
            if (!copiedWhenThere(sourceTables, table))
                continue;
            const QString name = actualName(sourceTables, table);
            copied.append({storeCaption(kind), name, copyRows(source, name, target, table)});
        }
    }
    transaction.commit();
    lines += copied;
    return made;
}

} // namespace

QVector<CopiedTable> copyToServer(const DataDir &from, const ServerConfig &to)
{
    Connections connections;
    QVector<StoreKind> kinds{StoreKind::Class, StoreKind::Secondary};
    if (QFileInfo::exists(from.file(QString::fromLatin1(kReportsDb))))
        kinds.append(StoreKind::Reports);
    for (const StoreKind kind : kinds) {
        if (!QFileInfo::exists(from.file(QString::fromLatin1(storeFile(kind)))))
            throw Error(QStringLiteral("%1 was not found in %2; nothing was copied.")
                            .arg(QString::fromLatin1(storeFile(kind)), from.path()));
        const QStringList existing = tableNames(openServerStore(kTo, to, kind, true));
        if (!existing.isEmpty())
            throw Error(QStringLiteral("The schema %1 of %2 holds tables already (%3); nothing was copied.")
                            .arg(to.schema(kind), to.describe(), existing.mid(0, 5).join(QStringLiteral(", "))));
    }
    QVector<CopiedTable> lines;
    QVector<MadeStore> made;
    try {
        for (const StoreKind kind : kinds)
            made.append(copyStore(from, kind, to, lines));
    } catch (const Error &error) {
        QStringList left;
        for (const MadeStore &store : made) {
            const QString why = undo(to, store);
            if (!why.isEmpty())
                left.append(why);
        }
        if (left.isEmpty())
            throw;
        throw Error(QStringLiteral("%1\nWhat was copied before could not be taken back (%2); remove it by hand before "
                                   "copying again.")
                        .arg(error.message(), left.join(QStringLiteral("; "))),
                    error.nativeCode());
    }
    return lines;
}

QString storesMadeAllTheSame(const ServerConfig &to, bool withReports, const QString &failure)
{
    QStringList schemas{to.schema(StoreKind::Class), to.schema(StoreKind::Secondary)};
    if (withReports)
        schemas.append(to.schema(StoreKind::Reports));
    return QStringLiteral("%1\nThe stores on the server were made all the same (schemas %2 of %3): finish by hand, "
                          "or drop those schemas before trying again.")
        .arg(failure, schemas.join(QStringLiteral(", ")), to.describe());
}

void copyFromServer(const QSqlDatabase &server, StoreKind kind, const QString &path)
{
    Connections connections;
    createSchemaDatabase(path, kind == StoreKind::Class ? QStringLiteral("class.sql") : QStringLiteral("omz.sql"));
    const QSqlDatabase target = openDatabase(kTo, path);
    // Every table as of one moment: a save another workstation commits
    // while the copy reads is in it whole or not at all.
    run(server, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    struct Snapshot {
        QSqlDatabase db;
        ~Snapshot() { QSqlQuery(db).exec(QStringLiteral("ROLLBACK")); }
    } snapshot{server};
    const QStringList serverTables = tableNames(server);
    Transaction transaction(target);
    for (const QString &table : tableNames(target)) {
        if (copiedWhenThere(serverTables, table))
            copyRows(server, actualName(serverTables, table), target, quoted(table));
    }
    transaction.commit();
}

} // namespace store
