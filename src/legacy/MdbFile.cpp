#include "legacy/MdbFile.h"

#include "store/Error.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

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
// How long the parent waits for the child's output at a time, and so how
// often a progress dialog is told and can cancel.
constexpr int kPollMs = 50;
// Of the child's complaints on stderr only the last line is shown.
constexpr qsizetype kComplaintsKept = 4096;

struct ReaderSetup {
    QString program;
    ReaderLimits limits;
};

ReaderSetup &readerSetup()
{
    static ReaderSetup setup;
    return setup;
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
            return jetDateText(mdb_get_double(mdb->pg_buf, field.start));
        case MDB_OLE:
        case MDB_BINARY:
            return QVariant(); // pictures and raw bytes have no place in our tables
        default:
            return QString::fromUtf8(text, length);
        }
    }

    QDataStream &m_out;
};

// Parses the child's stream record by record as it arrives, so that
// memory holds the tables read, not the stream as well.
class StreamParser {
public:
    enum class State { Reading, Finished, Broken };

    StreamParser(QIODevice &device, const QString &fileName) : m_device(device), m_in(&device), m_source(fileName) {}

    // Takes every whole record that has arrived; throws the child's refusal.
    State readAvailable()
    {
        const qint64 before = m_device.bytesAvailable();
        const State state = readRecords();
        m_taken += before - m_device.bytesAvailable();
        return state;
    }
    qint64 received() const { return m_taken + m_device.bytesAvailable(); }
    qint64 rows() const { return m_rows; }
    Source take() { return std::move(m_source); }

private:
    State readRecords()
    {
        if (!m_started) {
            quint32 magic = 0;
            m_in.startTransaction();
            m_in >> magic;
            if (!m_in.commitTransaction())
                return State::Reading;
            if (magic != kMagic)
                return State::Broken;
            m_started = true;
        }
        for (;;) {
            qint8 record = 0;
            QString text;
            QStringList columns;
            Row row;
            m_in.startTransaction();
            m_in >> record;
            if (record == kTable)
                m_in >> text >> columns;
            else if (record == kRow)
                m_in >> row;
            else if (record == kFailure)
                m_in >> text;
            if (!m_in.commitTransaction())
                return State::Reading; // the rest of the record is still on its way
            switch (record) {
            case kEnd:
                return State::Finished;
            case kFailure:
                throw store::Error(text.replace(QLatin1String("%1"), m_source.fileName()));
            case kTable:
                m_table = &m_source.addTable(text, columns);
                break;
            case kRow:
                if (!m_table)
                    return State::Broken;
                m_table->rows.append(row);
                ++m_rows;
                break;
            default:
                return State::Broken;
            }
        }
    }

    QIODevice &m_device;
    QDataStream m_in;
    Source m_source;
    Table *m_table = nullptr;
    bool m_started = false;
    qint64 m_taken = 0;
    qint64 m_rows = 0;
};

// libmdb prints some of its complaints on stdout, where they would tear the
// stream apart: the stream takes stdout's descriptor for itself and stdout
// is pointed at stderr, beside libmdb's other complaints. Returns the
// stream's descriptor, or -1.
int takeStdoutForStream()
{
    std::fflush(stdout);
#ifdef Q_OS_WIN
    const int stream = _dup(_fileno(stdout));
    if (stream < 0 || _dup2(_fileno(stderr), _fileno(stdout)) < 0)
        return -1;
    _setmode(stream, _O_BINARY);
#else
    const int stream = dup(STDOUT_FILENO);
    if (stream < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return -1;
#endif
    return stream;
}

QString lastLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.last().trimmed());
}

// One read of a file by the child: its stream parsed as it comes, the end
// of its complaints kept, its limits watched. The child does not outlive it.
class ChildRead {
public:
    ChildRead(const QString &path, bool withRows)
        : m_name(QFileInfo(path).fileName()), m_limits(readerSetup().limits), m_stream(m_reader, m_name)
    {
        const QString program =
            readerSetup().program.isEmpty() ? QCoreApplication::applicationFilePath() : readerSetup().program;
        m_reader.setProgram(program);
        m_reader.setArguments({QStringLiteral("--%1").arg(QLatin1String(withRows ? kDumpOption : kListOption)), path});
        m_reader.start(QIODevice::ReadOnly);
        if (!m_reader.waitForStarted())
            throw store::Error(QStringLiteral("%1 cannot be read: the reader %2 does not start.").arg(m_name, program));
        m_clock.start();
    }

    ~ChildRead()
    {
        if (m_reader.state() != QProcess::NotRunning) {
            m_reader.kill();
            m_reader.waitForFinished();
        }
    }

    Source run(const Progress &progress)
    {
        using State = StreamParser::State;
        State state = State::Reading;
        qint64 nextTell = 0;
        while (state == State::Reading) {
            // A child that has ended has handed over all its output.
            const bool ended = m_reader.state() == QProcess::NotRunning;
            if (!ended)
                m_reader.waitForReadyRead(kPollMs);
            keepComplaints();
            state = m_stream.readAvailable();
            if (state != State::Reading || ended)
                break;
            checkLimits();
            if (progress && m_clock.elapsed() >= nextTell) {
                nextTell = m_clock.elapsed() + kPollMs;
                if (!progress(QStringLiteral("Reading %1").arg(m_name), m_stream.rows(), 0))
                    throw Cancelled();
            }
        }
        if (state == State::Finished
            && m_reader.waitForFinished(int(qMax<qint64>(0, timeoutMs() - m_clock.elapsed())))
            && m_reader.exitStatus() == QProcess::NormalExit && m_reader.exitCode() == 0)
            return m_stream.take();
        throw died();
    }

private:
    qint64 timeoutMs() const { return qint64(m_limits.seconds) * 1000; }

    void keepComplaints()
    {
        const QByteArray said = m_reader.readAllStandardError();
        m_complained += said.size();
        m_complaints = (m_complaints + said).right(kComplaintsKept);
    }

    // A damaged file can send libmdb round its pages without end.
    void checkLimits() const
    {
        if (m_stream.received() + m_complained > m_limits.bytes)
            throw store::Error(QStringLiteral("%1 cannot be read: reading it gave more than %2, far more than a "
                                              "rule base holds; the file is probably damaged.")
                                   .arg(m_name, QLocale().formattedDataSize(m_limits.bytes, 0,
                                                                            QLocale::DataSizeTraditionalFormat)));
        if (m_clock.elapsed() > timeoutMs())
            throw store::Error(QStringLiteral("%1 cannot be read: reading it took longer than %2 seconds.")
                                   .arg(m_name)
                                   .arg(m_limits.seconds));
    }

    // The child died half-way (libmdb crashes on some damaged files), or
    // sent what is not a stream: its end tells which.
    store::Error died()
    {
        m_reader.closeReadChannel(QProcess::StandardOutput);
        m_reader.waitForFinished(20 * kPollMs);
        keepComplaints();
        const QString why = m_reader.state() != QProcess::NotRunning ? QStringLiteral("the reader's output is garbled")
            : m_reader.exitStatus() == QProcess::CrashExit
            ? QStringLiteral("the reader crashed")
            : QStringLiteral("the reader stopped with status %1").arg(m_reader.exitCode());
        const QString said = lastLine(m_complaints);
        return store::Error(QStringLiteral("%1 is damaged: %2%3.")
                                .arg(m_name, why, said.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(said)));
    }

    const QString m_name;
    const ReaderLimits m_limits;
    QProcess m_reader;
    StreamParser m_stream;
    QByteArray m_complaints; // the end of what the child wrote on stderr
    qint64 m_complained = 0;
    QElapsedTimer m_clock;
};

} // namespace

// Jet dates are days since 1899-12-30, the fraction the time of day (also
// for days before it). libmdb gets years before 1900 and after 9998 wrong,
// so the raw value is converted here.
QString jetDateText(double value)
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

Cancelled::Cancelled() : store::Error(QStringLiteral("The import was cancelled; nothing was written."))
{
}

void setReaderProgram(const QString &program)
{
    readerSetup().program = program;
}

void setReaderLimits(const ReaderLimits &limits)
{
    readerSetup().limits = limits;
}

int dumpMdbFile(const QString &path, bool withRows)
{
    // libmdb prints numbers through the C library: keep its decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QFile out;
    const int descriptor = takeStdoutForStream();
    if (descriptor < 0 || !out.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return 2;
    QDataStream stream(&out);
    stream << kMagic;
    const int status = Dumper(stream).run(path, withRows);
    out.flush();
    return status;
}

Source readMdbFile(const QString &path, bool withRows, const Progress &progress)
{
    ChildRead read(path, withRows);
    return read.run(progress);
}

} // namespace legacy
