#include "legacy/MdbFile.h"

#include "store/Error.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

// Debian's mdbtools.h pulls in glib inside extern "C": glib must come first.
#include <glib.h>
#include <mdbtools.h>

namespace legacy {

namespace {

constexpr quint32 kMagic = 0x4f4d4442; // "OMDB"
enum Record : qint8 { kTable = 'T', kRow = 'R', kEnd = 'E', kFailure = 'X' };
// Whole memo texts, not libmdb's default cut at 16 KiB: Jet holds up to
// 65535 characters, up to three bytes each in UTF-8.
constexpr size_t kBindSize = 256 * 1024;
constexpr int kTimeoutMs = 120 * 1000;

QString &readerProgram()
{
    static QString program;
    return program;
}

QDataStream &operator<<(QDataStream &out, Record record)
{
    return out << qint8(record);
}

// Shortest text that reads back as the same number: libmdb prints a Single
// 0.15 as "0.15000001".
template <typename Number>
QString shortest(Number value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

// Jet dates are days since 1899-12-30, the fraction the time of day (also
// for days before it). libmdb gets years before 1900 and after 9998 wrong,
// so the raw value is converted here.
QString jetDate(double value)
{
    const double days = std::trunc(value);
    qint64 seconds = std::llround(std::fabs(value - days) * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(days));
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds -= 86400;
    }
    return date.toString(QStringLiteral("yyyy-MM-dd")) + u' '
        + QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss"));
}

struct Handle {
    MdbHandle *mdb;
    ~Handle() { mdb_close(mdb); }
};

struct TableDef {
    MdbTableDef *table;
    ~TableDef() { mdb_free_tabledef(table); }
};

class Dumper {
public:
    explicit Dumper(QDataStream &out) : m_out(out) {}

    int run(const QString &path, bool withRows)
    {
        const QByteArray name = QFile::encodeName(path);
        MdbHandle *mdb = QFileInfo(path).isFile() ? mdb_open(name.constData(), MDB_NOFLAGS) : nullptr;
        if (!mdb)
            return fail(QStringLiteral("%1 is not an Access database."));
        Handle handle{mdb};
        mdb_set_bind_size(mdb, kBindSize);
        if (!mdb_read_catalog(mdb, MDB_TABLE))
            return fail(QStringLiteral("%1 is damaged: its list of tables cannot be read."));
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
                continue;
            const QString table = QString::fromUtf8(entry->object_name);
            MdbTableDef *def = mdb_read_table(entry);
            if (!def || !mdb_read_columns(def)) {
                if (def)
                    mdb_free_tabledef(def);
                return fail(QStringLiteral("%1 is damaged: the table %2 cannot be read.").replace(QLatin1String("%2"), table));
            }
            TableDef owner{def};
            if (!dumpTable(mdb, def, table, withRows))
                return 1;
        }
        m_out << kEnd;
        return 0;
    }

private:
    int fail(const QString &text)
    {
        m_out << kFailure << text;
        return 1;
    }

    bool dumpTable(MdbHandle *mdb, MdbTableDef *def, const QString &table, bool withRows)
    {
        QStringList names;
        std::vector<MdbColumn *> columns;
        for (unsigned c = 0; c < def->num_cols; ++c) {
            columns.push_back(static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c)));
            names.append(QString::fromUtf8(columns.back()->name));
        }
        m_out << kTable << table << names;
        if (!withRows)
            return true;

        std::vector<std::unique_ptr<char[]>> buffers;
        std::vector<int> lengths(columns.size());
        for (size_t c = 0; c < columns.size(); ++c) {
            buffers.push_back(std::make_unique<char[]>(kBindSize));
            mdb_bind_column(def, int(c) + 1, buffers.back().get(), &lengths[c]);
        }
        std::vector<MdbField> fields(columns.size() + 1);
        std::vector<const MdbField *> byColumn(columns.size());
        mdb_rewind_table(def);
        Row row;
        while (mdb_fetch_row(def)) {
            // The bound texts do not tell a null from an empty text; the
            // cracked row does, and gives the raw bytes of numbers and dates.
            int start = 0;
            size_t size = 0;
            mdb_find_row(mdb, int(def->cur_row) - 1, &start, &size);
            const int count = mdb_crack_row(def, start, size, fields.data());
            std::fill(byColumn.begin(), byColumn.end(), nullptr);
            for (int f = 0; f < count && f < int(fields.size()); ++f) {
                if (fields[f].colnum >= 0 && fields[f].colnum < int(columns.size()))
                    byColumn[fields[f].colnum] = &fields[f];
            }
            row.clear();
            for (size_t c = 0; c < columns.size(); ++c) {
                const MdbColumn *column = columns[c];
                const MdbField *field = byColumn[c];
                // A Boolean lives in the null bitmap: its "null" is False.
                if (column->col_type != MDB_BOOL && (!field || field->is_null)) {
                    row.append(QVariant());
                    continue;
                }
                if (column->col_type == MDB_MEMO && size_t(lengths[c]) >= kBindSize - 1) {
                    fail(QStringLiteral("%1: a text in the table %2, column %3, is too long to be read.")
                             .replace(QLatin1String("%2"), table)
                             .replace(QLatin1String("%3"), names[c]));
                    return false;
                }
                row.append(value(mdb, column, *field, buffers[c].get(), lengths[c]));
            }
            m_out << kRow << row;
        }
        return true;
    }

    static QVariant value(MdbHandle *mdb, const MdbColumn *column, const MdbField &field, const char *text, int length)
    {
        switch (column->col_type) {
        case MDB_BOOL:
            return QString::fromLatin1(text, length);
        case MDB_FLOAT:
            return shortest(mdb_get_single(mdb->pg_buf, field.start));
        case MDB_DOUBLE:
            return shortest(mdb_get_double(mdb->pg_buf, field.start));
        case MDB_DATETIME:
            return jetDate(mdb_get_double(mdb->pg_buf, field.start));
        case MDB_OLE:
        case MDB_BINARY:
            return QVariant(); // pictures and raw bytes have no place in our tables
        default:
            return QString::fromUtf8(text, length);
        }
    }

    QDataStream &m_out;
};

QString lastLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.last().trimmed());
}

} // namespace

void setReaderProgram(const QString &program)
{
    readerProgram() = program;
}

int dumpMdbFile(const QString &path, bool withRows)
{
    // libmdb prints numbers through the C library: keep its decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 2;
    QDataStream stream(&out);
    stream << kMagic;
    const int status = Dumper(stream).run(path, withRows);
    out.flush();
    return status;
}

Source readMdbFile(const QString &path, bool withRows)
{
    const QString name = QFileInfo(path).fileName();
    const QString program =
        readerProgram().isEmpty() ? QCoreApplication::applicationFilePath() : readerProgram();
    QProcess reader;
    reader.setProgram(program);
    reader.setArguments({QStringLiteral("--%1").arg(QLatin1String(withRows ? kDumpOption : kListOption)), path});
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted())
        throw store::Error(QStringLiteral("%1 cannot be read: the reader %2 does not start.").arg(name, program));
    if (!reader.waitForFinished(kTimeoutMs)) {
        reader.kill();
        reader.waitForFinished();
        throw store::Error(QStringLiteral("%1 cannot be read: reading it took longer than %2 seconds.")
                               .arg(name)
                               .arg(kTimeoutMs / 1000));
    }
    const QByteArray bytes = reader.readAllStandardOutput();
    QDataStream in(bytes);
    quint32 magic = 0;
    in >> magic;
    Source source(name);
    Table *table = nullptr;
    while (magic == kMagic && in.status() == QDataStream::Ok) {
        qint8 record = 0;
        in >> record;
        if (in.status() != QDataStream::Ok)
            break;
        if (record == kEnd && reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 0)
            return source;
        if (record == kFailure) {
            QString text;
            in >> text;
            throw store::Error(text.replace(QLatin1String("%1"), name));
        }
        if (record == kTable) {
            QString tableName;
            QStringList columns;
            in >> tableName >> columns;
            table = &source.addTable(tableName, columns);
        } else if (record == kRow && table) {
            Row row;
            in >> row;
            table->rows.append(row);
        } else {
            break;
        }
    }
    // The reader died half-way (libmdb crashes on some damaged files).
    const QString why = reader.exitStatus() == QProcess::CrashExit
        ? QStringLiteral("the reader crashed")
        : QStringLiteral("the reader stopped with status %1").arg(reader.exitCode());
    const QString said = lastLine(reader.readAllStandardError());
    throw store::Error(QStringLiteral("%1 is damaged: %2%3.")
                           .arg(name, why, said.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(said)));
}

} // namespace legacy
