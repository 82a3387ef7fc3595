#include "store/RowReader.h"

#include "store/Error.h"
#include "store/Fingerprint.h"
#include "store/HistoryDiff.h"
#include "store/Sql.h"
#include "store/StoredValue.h"

#include <QSqlDriver>
#include <QSqlRecord>
#include <sqlite3.h>

namespace store {

namespace {

sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

[[noreturn]] void fail(sqlite3 *handle)
{
    throw Error(QString::fromUtf8(sqlite3_errmsg(handle)), QString::number(sqlite3_extended_errcode(handle)));
}

void bind(sqlite3 *handle, sqlite3_stmt *statement, int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        rc = sqlite3_bind_int64(statement, index, value.toLongLong());
        break;
    default:
        if (value.isNull() && value.typeId() != QMetaType::QString) {
            rc = sqlite3_bind_null(statement, index);
        } else {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
    }
    if (rc != SQLITE_OK)
        fail(handle);
}

} // namespace

RowReader::RowReader(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    sqlite3 *handle = sqliteHandle(db);
    if (!handle) {
        m_query = run(db, sql, values);
        return;
    }
    if (!db.isOpen())
        throw Error(QStringLiteral("The database is not open."));
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &m_statement, nullptr) != SQLITE_OK)
        fail(handle);
    for (int i = 0; i < values.size(); ++i)
        bind(handle, m_statement, i + 1, values.at(i));
    m_last.resize(sqlite3_column_count(m_statement));
}

RowReader::~RowReader()
{
    sqlite3_finalize(m_statement);
}

bool RowReader::next()
{
    if (!m_statement)
        return m_query.next();
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        return false;
    default:
        fail(sqlite3_db_handle(m_statement));
    }
}

QString RowReader::text(int column)
{
    if (!m_statement)
        return store::text(m_query, column);
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    const int size = sqlite3_column_bytes(m_statement, column);
    if (!bytes || column < 0 || column >= m_last.size())
        return QString();
    LastText &last = m_last[column];
    if (last.raw.size() != size || memcmp(last.raw.constData(), bytes, size_t(size)) != 0) {
        last.raw = QByteArray(bytes, size);
        last.text = QString::fromUtf8(bytes, size);
    }
    return last.text;
}

qint64 RowReader::integer(int column) const
{
    if (!m_statement)
        return m_query.value(column).toLongLong();
    return sqlite3_column_int64(m_statement, column);
}

QVariant RowReader::value(int column)
{
    if (!m_statement) {
        const QVariant value = m_query.value(column);
        switch (storedKind(value)) {
        case StoredKind::Null:
            return {};
        case StoredKind::Integer:
            return QVariant(value.toLongLong());
        case StoredKind::Real:
            return QVariant(value.toDouble());
        case StoredKind::Blob:
            return value;
        case StoredKind::Text:
            return QVariant(value.toString());
        }
    }
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_statement, column));
    case SQLITE_BLOB: {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
        return QVariant(QByteArray(bytes, sqlite3_column_bytes(m_statement, column)));
    }
    default:
        return QVariant(text(column));
    }
}

RowReader::Kind RowReader::read(int column, double &number) const
{
    if (!m_statement) {
        const QVariant value = m_query.value(column);
        if (value.isNull())
            return Kind::Null;
        switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            number = value.toDouble();
            return Kind::Number;
        case QMetaType::QString:
            return Kind::Text;
        default:
            return Kind::Other;
        }
    }
    // The value functions spare the connection's mutex, as addRowTo does.
    sqlite3_value *value = sqlite3_column_value(m_statement, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return Kind::Null;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        number = sqlite3_value_double(value);
        return Kind::Number;
    case SQLITE_TEXT:
        return Kind::Text;
    default:
        return Kind::Other;
    }
}

int RowReader::columnCount() const
{
    return m_statement ? sqlite3_column_count(m_statement) : m_query.record().count();
}

template <typename Sink>
void RowReader::feed(Sink &sink, int columns) const
{
    if (!m_statement) {
        for (int c = 0; c < columns; ++c)
            sink.addValue(m_query.value(c));
        return;
    }
    // Each sqlite3_column_* call takes the connection's mutex; the value
    // functions do not. Fingerprints read thousands of values, and the
    // connection is only ever used from this thread.
    for (int c = 0; c < columns; ++c) {
        sqlite3_value *value = sqlite3_column_value(m_statement, c);
        switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            sink.addNull();
            break;
        case SQLITE_INTEGER:
            sink.addInteger(sqlite3_value_int64(value));
            break;
        case SQLITE_FLOAT:
            sink.addReal(sqlite3_value_double(value));
            break;
        case SQLITE_BLOB:
            sink.addBlob(sqlite3_value_blob(value), sqlite3_value_bytes(value));
            break;
        default: {
            // The text's bytes as stored (UTF-8): asking for them as text
            // would have SQLite copy each value to add a terminator.
            const void *bytes = sqlite3_value_blob(value);
            sink.addText(static_cast<const char *>(bytes), sqlite3_value_bytes(value));
        }
        }
    }
}

void RowReader::addRowTo(FingerprintBuilder &builder) const
{
    feed(builder, columnCount());
    builder.endRow();
}

void RowReader::addRowTo(RowBytes &rows, int columns) const
{
    rows.beginRow(columns);
    feed(rows, columns);
}

namespace {

// One value to two sinks.
struct Both {
    RowBytes &rows;
    FingerprintBuilder &builder;
    void addNull() { rows.addNull(), builder.addNull(); }
    void addInteger(qint64 v) { rows.addInteger(v), builder.addInteger(v); }
    void addReal(double v) { rows.addReal(v), builder.addReal(v); }
    void addText(const char *utf8, qsizetype size) { rows.addText(utf8, size), builder.addText(utf8, size); }
    void addBlob(const void *bytes, qsizetype size) { rows.addBlob(bytes, size), builder.addBlob(bytes, size); }
    void addValue(const QVariant &v) { rows.addValue(v), builder.addValue(v); }
};

} // namespace

void RowReader::addRowTo(RowBytes &rows, FingerprintBuilder &builder) const
{
    const int columns = columnCount();
    rows.beginRow(columns);
    Both both{rows, builder};
    feed(both, columns);
    builder.endRow();
}

} // namespace store
