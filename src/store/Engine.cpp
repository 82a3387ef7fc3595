#include "store/Engine.h"

#include "store/Error.h"
#include "store/Fingerprint.h"
#include "store/HistoryDiff.h"
#include "store/ServerConfig.h"
#include "store/Sql.h"

#include <QFileInfo>
#include <QHash>
#include <QMetaType>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cstdlib>
#include <libpq-fe.h>
#include <optional>

namespace store {

namespace {

// The statements that point a server session at its store, kept on the
// connection's driver for a new session after a lost one.
constexpr char kSessionSetup[] = "orvanaSessionSetup";

PGconn *serverHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // Qt names the type by libpq's struct, under the typedef PGconn.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

} // namespace

Engine engineOf(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QPSQL") ? Engine::Server : Engine::SQLite;
}

void beginWrite(const QSqlDatabase &db)
{
    if (engineOf(db) == Engine::SQLite) {
        run(db, QStringLiteral("BEGIN IMMEDIATE"));
        return;
    }
    run(db, QStringLiteral("BEGIN"));
    try {
        // One writer per store at a time, as SQLite's write lock gives; the
        // same three seconds as SQLite's busy timeout before giving up.
        run(db, QStringLiteral("SET LOCAL lock_timeout = '3s'"));
        run(db, QStringLiteral("SELECT pg_catalog.pg_advisory_xact_lock(pg_catalog.hashtext(pg_catalog.current_schema()))"));
    } catch (...) {
        QSqlQuery rollback(db);
        rollback.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QStringList tableNames(const QSqlDatabase &db)
{
    if (engineOf(db) == Engine::SQLite)
        return firstColumn(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                              "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                                              "ORDER BY name COLLATE BINARY"));
    return firstColumn(db, QStringLiteral("SELECT table_name FROM information_schema.tables "
                                          "WHERE table_schema = pg_catalog.current_schema() AND table_type = 'BASE TABLE' "
                                          "ORDER BY table_name COLLATE \"C\""));
}

QStringList tableColumns(const QSqlDatabase &db, const QString &table)
{
    // The name is bound, not spliced: it may hold any character.
    if (engineOf(db) == Engine::SQLite)
        return firstColumn(db, QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table});
    // Tables made unquoted are stored folded to lower case; the rowid
    // column is the server's own and not part of the table's layout.
    return firstColumn(db,
                       QStringLiteral("SELECT column_name FROM information_schema.columns "
                                      "WHERE table_schema = pg_catalog.current_schema() AND column_name <> 'rowid' "
                                      "AND table_name = (SELECT coalesce(pg_catalog.max(table_name), pg_catalog.lower(?)) "
                                      "    FROM information_schema.tables "
                                      "    WHERE table_schema = pg_catalog.current_schema() AND table_name = ?) "
                                      "ORDER BY ordinal_position"),
                       {table, table});
}

QString caselessOrder(const QSqlDatabase &db, const QString &column)
{
    return engineOf(db) == Engine::SQLite ? column + QStringLiteral(" COLLATE NOCASE") : column;
}

QString serverDigestQuery(const QString &sql)
{
    static const QRegularExpression scoped(QStringLiteral("^SELECT .+? (FROM .+) ORDER BY rowid$"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = scoped.match(sql);
    if (!match.hasMatch())
        throw Error(QStringLiteral("No fingerprint can be taken of: %1").arg(sql));
    return QStringLiteral("SELECT pg_catalog.count(*), coalesce(pg_catalog.sum(rowid), 0)::bigint, "
                          "coalesce(pg_catalog.sum(xmin::text::bigint), 0)::bigint %1")
        .arg(match.captured(1));
}

bool schemaExists(const QSqlDatabase &db, const QString &schema)
{
    return run(db, QStringLiteral("SELECT 1 FROM pg_catalog.pg_namespace WHERE nspname = ?"), {schema}).next();
}

QString caselessTextSchema(const QSqlDatabase &db)
{
    return firstColumn(db, QStringLiteral("SELECT n.nspname FROM pg_catalog.pg_extension e "
                                          "JOIN pg_catalog.pg_namespace n ON n.oid = e.extnamespace "
                                          "WHERE e.extname = 'citext'"))
        .value(0);
}

bool useStoreSchema(const QSqlDatabase &db, const QString &schema, bool withCaselessText)
{
    const bool exists = schemaExists(db, schema);
    QStringList path{quoted(schema)};
    const QString types = exists ? caselessTextSchema(db) : QString();
    if (types == QLatin1String("public")) {
        if (withCaselessText)
            throw Error(QStringLiteral("The citext extension of database %1 is in schema public, where other roles may "
                                       "make objects that would then run inside a save. Move it into a schema of its "
                                       "own, as its owner: CREATE SCHEMA citext; ALTER EXTENSION citext SET SCHEMA citext;")
                            .arg(db.databaseName()));
    } else if (!types.isEmpty()) {
        path.append(quoted(types));
    }
    const QStringList setup{
        QStringLiteral("SET search_path TO %1").arg(path.join(QStringLiteral(", "))),
        // Notices ("... already exists, skipping") are not for the user.
        QStringLiteral("SET client_min_messages TO error"),
    };
    for (const QString &statement : setup)
        run(db, statement);
    db.driver()->setProperty(kSessionSetup, setup);
    return exists;
}

bool sessionLost(const QSqlDatabase &db)
{
    if (engineOf(db) != Engine::Server || !db.driver() || !db.driver()->property(kSessionSetup).isValid())
        return false;
    const PGconn *session = serverHandle(db);
    return !session || PQstatus(session) == CONNECTION_BAD;
}

bool outsideTransaction(const QSqlDatabase &db)
{
    const PGconn *session = serverHandle(db);
    return session && PQtransactionStatus(session) == PQTRANS_IDLE;
}

QString whyNotOpened(const QSqlDatabase &db)
{
    // libpq's text keeps the server's severity inside it ("...failed: FATAL:  role ...").
    static const QRegularExpression severity(QStringLiteral("\\b(?:FATAL|ERROR):\\s+"));
    const QSqlError error = db.lastError();
    QString text = error.databaseText().trimmed().isEmpty() ? error.text().trimmed() : error.databaseText().trimmed();
    return text.remove(severity);
}

QString serverMessage(QString text)
{
    text = text.section(u'\n', 0, 0).trimmed();
    for (const char *severity : {"ERROR:", "FATAL:", "PANIC:"}) {
        if (text.startsWith(QLatin1String(severity)))
            return text.mid(int(qstrlen(severity))).trimmed();
    }
    return text;
}

void reconnect(const QSqlDatabase &db)
{
    const QStringList setup = db.driver()->property(kSessionSetup).toStringList();
    QSqlDatabase session = db; // the same driver, so every copy of the connection is reconnected
    session.close();
    if (!session.open()) {
        ServerConfig where;
        where.host = db.hostName();
        where.port = db.port();
        where.database = db.databaseName();
        where.user = db.userName();
        throw Error(QStringLiteral("The server ended the connection and cannot be reached again (%1): %2\n\n"
                                   "What is on screen stays as it is; try again when the server is back.")
                        .arg(where.describe(), whyNotOpened(db)));
    }
    for (const QString &statement : setup)
        run(session, statement);
}

QString withServerVersions(const QString &sql)
{
    const qsizetype from = sql.indexOf(QLatin1String(" FROM "));
    return from < 0 ? sql : QString(sql).insert(from, QLatin1String(", rowid, xmin::text::bigint"));
}

QString storeName(const QSqlDatabase &db)
{
    if (engineOf(db) == Engine::SQLite)
        return QFileInfo(db.databaseName()).fileName();
    QString schema;
    {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT pg_catalog.current_schema()")) && q.next())
            schema = q.value(0).toString();
    }
    return QStringLiteral("schema %1 of database %2").arg(schema.isEmpty() ? QStringLiteral("?") : schema, db.databaseName());
}

QString serverSchemaScript(const QString &sqliteScript)
{
    static const QRegularExpression pragma(QStringLiteral("^\\s*PRAGMA[^;]*;"),
                                           QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nocase(QStringLiteral("\\bTEXT\\s+COLLATE\\s+NOCASE\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression real(QStringLiteral("\\bREAL\\b"));
    static const QRegularExpression blob(QStringLiteral("\\bBLOB\\b"));
    // cmin and cmax name system columns on the server; quoted, the mixed
    // case names are the table's own.
    static const QRegularExpression systemName(QStringLiteral("\\b(cMin|cMax)\\b"));
    static const QRegularExpression createTable(QStringLiteral("CREATE\\s+TABLE\\s[^;]*\\)\\s*;"),
                                                QRegularExpression::CaseInsensitiveOption);
    QString script = sqliteScript;
    script.remove(pragma);
    script.replace(nocase, QStringLiteral("citext"));
    script.replace(real, QStringLiteral("double precision"));
    script.replace(blob, QStringLiteral("bytea"));
    script.replace(systemName, QStringLiteral("\"\\1\""));
    QString result;
    qsizetype from = 0;
    for (auto it = createTable.globalMatch(script); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString statement = match.captured();
        const qsizetype close = statement.lastIndexOf(u')');
        statement.insert(close, QStringLiteral(",\n  rowid bigint GENERATED BY DEFAULT AS IDENTITY\n"));
        result += script.mid(from, match.capturedStart() - from) + statement;
        from = match.capturedEnd();
    }
    return result + script.mid(from);
}

namespace {

// One array literal of a column's values: NULL unquoted, every other value
// quoted (the array's type reads numbers from quoted text too).
QString arrayLiteral(const QVector<QVariantList> &rows, qsizetype column)
{
    QString literal(QLatin1Char('{'));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (r > 0)
            literal += u',';
        const QVariant &value = rows[r][column];
        if (!value.isValid() || (value.isNull() && value.typeId() != QMetaType::QString)) {
            literal += QLatin1String("NULL");
            continue;
        }
        literal += u'"';
        const QString text = value.typeId() == QMetaType::Bool        ? QString::number(int(value.toBool()))
            : value.typeId() == QMetaType::QByteArray ? QStringLiteral("\\x") + QString::fromLatin1(value.toByteArray().toHex())
                                                      : value.toString();
        for (const QChar c : text) {
            if (c == u'"' || c == u'\\')
                literal += u'\\';
            literal += c;
        }
        literal += u'"';
    }
    return literal + u'}';
}

} // namespace

namespace {

// The types of the named columns (as a statement names them: unquoted
// ones fold to lower case), or of the first columns.
QStringList serverColumnTypes(const QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT attname, pg_catalog.format_type(atttypid, atttypmod) FROM pg_catalog.pg_attribute "
                                     "WHERE attrelid = pg_catalog.to_regclass(?) AND attnum > 0 "
                                     "AND NOT attisdropped ORDER BY attnum"),
                      {table});
    QStringList types;
    QHash<QString, QString> byName;
    while (q.next()) {
        types.append(q.value(1).toString());
        byName.insert(q.value(0).toString(), q.value(1).toString());
    }
    if (columns.isEmpty())
        return types;
    types.clear();
    for (const QString &column : columns) {
        const bool isQuoted = column.startsWith(u'"');
        const QString name = isQuoted ? column.mid(1, column.size() - 2) : column.toLower();
        if (!byName.contains(name))
            throw Error(QStringLiteral("The table %1 has no column %2.").arg(table, column));
        types.append(byName.value(name));
    }
    return types;
}

} // namespace

void insertServerRows(const QSqlDatabase &db, const QString &table, qsizetype width, const QVector<QVariantList> &rows,
                      const QStringList &columns)
{
    const QStringList types = serverColumnTypes(db, table, columns);
    if (types.size() < width)
        throw Error(QStringLiteral("The table %1 has %2 columns; %3 are written.").arg(table).arg(types.size()).arg(width));
    QStringList arraysRead;
    QVariantList arrays;
    for (qsizetype c = 0; c < width; ++c) {
        arraysRead.append(QStringLiteral("pg_catalog.unnest(CAST(? AS %1[]))").arg(types[c]));
        arrays.append(arrayLiteral(rows, c));
    }
    const QString into = columns.isEmpty() ? table : QStringLiteral("%1 (%2)").arg(table, columns.join(QStringLiteral(", ")));
    run(db, QStringLiteral("INSERT INTO %1 SELECT * FROM ROWS FROM (%2)").arg(into, arraysRead.join(QStringLiteral(", "))), arrays);
}

namespace {

// The value of one column as text (libpq's text format) into rows, by the
// column's type as QPSQL reads it: whole numbers, reals, bytes, text.
void addServerValue(RowBytes &rows, Oid type, const char *text, int size)
{
    switch (type) {
    case 20: case 21: case 23: // int8, int2, int4
        rows.addInteger(std::strtoll(text, nullptr, 10));
        break;
    case 700: case 701: // float4, float8: written exactly since version 12
        rows.addReal(std::strtod(text, nullptr));
        break;
    case 17: { // bytea: hex digits after \x, or escaped, as Qt's sessions ask for
        size_t length = 0;
        unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &length);
        if (!bytes)
            throw Error(QStringLiteral("The server sent bytes that cannot be read."));
        rows.addBlob(bytes, qsizetype(length));
        PQfreemem(bytes);
        break;
    }
    default:
        rows.addText(text, size);
    }
}

} // namespace

namespace {

// The statement with its values written in as literals, quoted by libpq:
// several statements go in one message only without bound values.
QByteArray withLiterals(PGconn *session, const QString &sql, const QVariantList &values)
{
    QByteArray text;
    qsizetype next = 0;
    for (const QChar c : sql) {
        if (c != u'?') {
            text += QString(c).toUtf8();
            continue;
        }
        const QVariant value = values.value(next++);
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            text += QByteArray::number(value.toLongLong());
            break;
        default: {
            if (value.isNull() && value.typeId() != QMetaType::QString) {
                text += "NULL";
                break;
            }
            const QByteArray utf8 = value.toString().toUtf8();
            char *literal = PQescapeLiteral(session, utf8.constData(), size_t(utf8.size()));
            if (!literal)
                throw Error(serverMessage(QString::fromUtf8(PQerrorMessage(session))));
            text += literal;
            PQfreemem(literal);
        }
        }
    }
    return text;
}

// The rows in rowid order: a DELETE's RETURNING gives them in any order.
QVector<int> rowidOrder(const PGresult *result, int rowidColumn)
{
    const int count = PQntuples(result);
    QVector<std::pair<qint64, int>> rowids(count);
    for (int r = 0; r < count; ++r)
        rowids[r] = {std::strtoll(PQgetvalue(result, r, rowidColumn), nullptr, 10), r};
    std::sort(rowids.begin(), rowids.end());
    QVector<int> order(count);
    for (int r = 0; r < count; ++r)
        order[r] = rowids[r].second;
    return order;
}

void readResult(const PGresult *result, const ServerRead &read)
{
    const int count = PQntuples(result);
    QVector<Oid> types(read.width);
    for (int c = 0; c < read.width; ++c)
        types[c] = PQftype(result, c);
    const QVector<int> order = read.versions ? rowidOrder(result, read.width) : QVector<int>();
    for (int i = 0; i < count; ++i) {
        const int r = read.versions ? order[i] : i;
        read.rows->beginRow(read.width);
        for (int c = 0; c < read.width; ++c) {
            if (PQgetisnull(result, r, c))
                read.rows->addNull();
            else
                addServerValue(*read.rows, types[c], PQgetvalue(result, r, c), PQgetlength(result, r, c));
        }
        if (read.versions)
            read.versions->add(std::strtoll(PQgetvalue(result, r, read.width), nullptr, 10),
                               std::strtoll(PQgetvalue(result, r, read.width + 1), nullptr, 10));
    }
}

} // namespace

namespace {

// A session for libpq's own use: Qt reads a forward-only query's rows one
// at a time and leaves the end of the last one it ran on the session until
// its next statement; that query is done with, and libpq sends nothing new
// before it goes.
PGconn *readySession(const QSqlDatabase &db)
{
    PGconn *session = serverHandle(db);
    if (!session)
        throw Error(QStringLiteral("The database is not open."));
    while (PGresult *left = PQgetResult(session))
        PQclear(left);
    return session;
}

Error failureOf(const PGresult *result)
{
    const char *code = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    return Error(serverMessage(QString::fromUtf8(PQresultErrorMessage(result))), code ? QString::fromLatin1(code) : QString());
}

} // namespace

void runServerStatement(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    PGconn *session = readySession(db);
    QString numbered; // "?" becomes $1, $2...
    int next = 0;
    for (const QChar c : sql)
        numbered += c == u'?' ? QStringLiteral("$%1").arg(++next) : QString(c);
    QList<QByteArray> texts;
    QVector<const char *> pointers;
    QVector<int> lengths, formats;
    QVector<Oid> types;
    for (const QVariant &value : values) {
        const bool bytes = value.typeId() == QMetaType::QByteArray;
        const bool null = value.isNull() && value.typeId() != QMetaType::QString;
        texts.append(bytes ? value.toByteArray() : value.toString().toUtf8());
        pointers.append(null ? nullptr : texts.last().constData());
        lengths.append(int(texts.last().size()));
        formats.append(bytes ? 1 : 0); // bytes as they are, the rest as text
        types.append(bytes ? 17 : 0);
    }
    PGresult *result = PQexecParams(session, numbered.toUtf8().constData(), int(values.size()), types.constData(),
                                    pointers.constData(), lengths.constData(), formats.constData(), 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const Error error = failureOf(result);
        PQclear(result);
        throw error;
    }
    PQclear(result);
}

void readServerRows(const QSqlDatabase &db, const QVector<ServerRead> &reads)
{
    PGconn *session = readySession(db);
    QByteArray text;
    for (const ServerRead &read : reads)
        text += withLiterals(session, read.sql, read.values) + ";\n";
    if (!PQsendQuery(session, text.constData()))
        throw Error(serverMessage(QString::fromUtf8(PQerrorMessage(session))));
    // Every result is taken, so that the session is ready for the next
    // statement whatever happened; the first failure is told.
    std::optional<Error> failed;
    qsizetype index = 0;
    while (PGresult *result = PQgetResult(session)) {
        if (PQresultStatus(result) != PGRES_TUPLES_OK && !failed) {
            failed = failureOf(result);
        } else if (!failed && index < reads.size()) {
            readResult(result, reads[index]);
        }
        ++index;
        PQclear(result);
    }
    if (failed)
        throw *failed;
    if (index != reads.size())
        throw Error(QStringLiteral("The server answered %1 of %2 queries.").arg(index).arg(reads.size()));
}

QString quoted(const QString &identifier)
{
    return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace store
