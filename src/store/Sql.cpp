#include "store/Sql.h"

#include "store/Engine.h"
#include "store/Error.h"

#include <QSqlDriver>
#include <QSqlError>
#include <optional>

namespace store {

namespace {

QSqlDatabase connectionOf(const QSqlDriver *driver)
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driver() == driver)
            return db;
    }
    return {};
}

QString fileOf(const QSqlDriver *driver)
{
    return connectionOf(driver).databaseName();
}

// Failures of the file itself rather than of the statement: read-only,
// locked, full, I/O, damaged. Their messages ("attempt to write a readonly
// database") do not say which of the stores refused.
bool concernsTheFile(const QString &nativeCode)
{
    switch (nativeCode.toInt() & 0xff) { // extended codes carry the primary one in the low byte
    case 3: case 5: case 6: case 8: case 10: case 11: case 13: case 14: case 15: case 26:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void fail(const QSqlError &error, const QString &what, const QSqlDriver *driver)
{
    QString message = error.databaseText();
    if (driver && driver->dbmsType() == QSqlDriver::PostgreSQL) {
        message = serverMessage(message);
        // After an error the server refuses every statement of the
        // transaction, even freeing the failed one, until it is rolled back.
        QSqlQuery rollback(connectionOf(driver));
        rollback.exec(QStringLiteral("ROLLBACK"));
    }
    if (message.isEmpty())
        message = error.text();
    if (message.isEmpty())
        message = what;
    const bool sqlite = driver && driver->dbmsType() == QSqlDriver::SQLite;
    const QString file = sqlite && concernsTheFile(error.nativeErrorCode()) ? fileOf(driver) : QString();
    if (!file.isEmpty())
        message = QStringLiteral("%1 (%2)").arg(message, file);
    throw Error(message, error.nativeErrorCode());
}

// A query on an open connection, rows read once, forwards.
QSqlQuery forwardQuery(const QSqlDatabase &db)
{
    if (!db.isOpen())
        throw Error(QStringLiteral("The database is not open."));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return query;
}

// A server may end a session (it restarted, or an administrator ended it).
// A statement that meets an ended session outside a transaction runs once
// more on a new session; inside one it cannot, for what the transaction did
// went with the session. attempt(true) runs on a session newer than the
// caller's prepared statements. Callers never go on with a transaction one
// of whose statements failed, so a session found ended before a statement
// belongs to an earlier action.
template <typename Attempt>
auto onLiveSession(const QSqlDatabase &db, Attempt attempt) -> decltype(attempt(false))
{
    if (engineOf(db) != Engine::Server)
        return attempt(false);
    bool renewed = false;
    if (sessionLost(db)) {
        reconnect(db);
        renewed = true;
    }
    const bool idle = outsideTransaction(db);
    try {
        return attempt(renewed);
    } catch (const Error &error) {
        if (!sessionLost(db))
            throw;
        if (!idle || renewed)
            throw Error(QStringLiteral("The server ended the connection (%1) in the middle of this; nothing of it "
                                       "took effect. Try again: the program connects anew.")
                            .arg(error.message()),
                        error.nativeCode());
    }
    reconnect(db);
    return attempt(true);
}

QSqlQuery prepareOnce(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query = forwardQuery(db);
    if (!query.prepare(sql))
        fail(query.lastError(), sql, db.driver());
    return query;
}

void bindAndRun(QSqlQuery &query, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &value = values.at(i);
        // An empty box holds a null QString; store it as empty text, never NULL.
        const bool nullText = value.typeId() == QMetaType::QString && value.toString().isNull();
        if (nullText)
            query.bindValue(i, QString(QLatin1String("")));
        else if (value.typeId() == QMetaType::Bool) // ticks are stored as 0/1 on every engine
            query.bindValue(i, int(value.toBool()));
        else
            query.bindValue(i, value);
    }
    if (!query.exec())
        fail(query.lastError(), query.lastQuery(), query.driver());
}

} // namespace

QSqlQuery prepare(const QSqlDatabase &db, const QString &sql)
{
    return onLiveSession(db, [&](bool) { return prepareOnce(db, sql); });
}

QSqlQuery run(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    return onLiveSession(db, [&](bool) {
        if (values.isEmpty()) {
            // Run as it stands: the server prepares only queries and row
            // changes, not BEGIN, SET or CREATE.
            QSqlQuery query = forwardQuery(db);
            if (!query.exec(sql))
                fail(query.lastError(), sql, db.driver());
            return query;
        }
        QSqlQuery query = prepareOnce(db, sql);
        bindAndRun(query, values);
        return query;
    });
}

void runPrepared(QSqlQuery &query, const QVariantList &values)
{
    if (!query.driver() || query.driver()->dbmsType() != QSqlDriver::PostgreSQL) {
        bindAndRun(query, values);
        return;
    }
    onLiveSession(connectionOf(query.driver()), [&](bool renewed) {
        // A statement prepared on an ended session is gone with it.
        if (renewed && !query.prepare(query.lastQuery()))
            fail(query.lastError(), query.lastQuery(), query.driver());
        bindAndRun(query, values);
    });
}

void insertRows(const QSqlDatabase &db, const QString &table, qsizetype width, const QVector<QVariantList> &rows)
{
    QStringList columns;
    columns.resize(width); // unnamed: the first columns, by position
    insertRows(db, table, columns, rows);
}

void insertRows(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                const QVector<QVariantList> &rows)
{
    const qsizetype width = columns.size();
    if (width < 1 || rows.isEmpty())
        return;
    if (engineOf(db) == Engine::Server) {
        insertServerRows(db, table, width, rows, columns.first().isEmpty() ? QStringList() : columns);
        return;
    }
    // Below the smallest limit on bound values any SQLite build has.
    const qsizetype perStatement = qMax<qsizetype>(1, 999 / width);
    const QString head = columns.first().isEmpty()
        ? QStringLiteral("INSERT INTO %1 VALUES ").arg(table)
        : QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table, columns.join(QStringLiteral(", ")));
    const QString tuple = u'(' + QStringList(width, QStringLiteral("?")).join(QStringLiteral(", ")) + u')';
    auto statementFor = [&](qsizetype count) {
        return prepare(db, head + QStringList(count, tuple).join(QStringLiteral(", ")));
    };
    std::optional<QSqlQuery> full; // prepared once, reused for every full statement
    for (qsizetype from = 0; from < rows.size(); from += perStatement) {
        const qsizetype count = qMin(perStatement, rows.size() - from);
        std::optional<QSqlQuery> last;
        if (count == perStatement && !full)
            full = statementFor(count);
        else if (count < perStatement)
            last = statementFor(count);
        QSqlQuery &query = count == perStatement ? *full : *last;
        QVariantList values;
        values.reserve(count * width);
        for (qsizetype r = from; r < from + count; ++r)
            values += rows.at(r);
        runPrepared(query, values);
    }
}

QStringList firstColumn(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query = run(db, sql, values);
    QStringList texts;
    while (query.next())
        texts.append(text(query, 0));
    return texts;
}

QString text(const QSqlQuery &query, int column)
{
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

bool flag(const QSqlQuery &query, int column)
{
    return query.value(column).toLongLong() != 0;
}

Transaction::Transaction(const QSqlDatabase &db) : m_db(db)
{
    beginWrite(m_db);
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) {
        // After FULL, IOERR or BUSY SQLite may have rolled back already; a
        // second rollback that finds no transaction is harmless. The server
        // refuses every statement after a failed one until this rollback.
        QSqlQuery rollback(m_db);
        rollback.exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaction::commit()
{
    run(m_db, QStringLiteral("COMMIT"));
    m_open = false;
}

} // namespace store
