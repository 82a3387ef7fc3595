#include "legacy/Import.h"

#include "controls/Number.h"
#include "legacy/MdbFile.h"
#include "store/Database.h"
#include "store/History.h"
#include "store/Schema.h"
#include "store/Sql.h"
#include "store/StoreCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cmath>
#include <optional>

namespace legacy {

namespace {

// The tables brought over. Where the program reads a table by position the
// old file's columns are taken by position (their names were free);
// elsewhere by name.
struct Mapping {
    const char *table;
    bool byPosition;
};

constexpr Mapping kClassTables[] = {
    {"Cut", true},         {"Sym", true},       {"CutLab", true},      {"SymLab", true},
    {"CutPara", false},    {"SymPara", false},  {"CutData", true},     {"SymData", true},
    {"MultiData", true},   {"GIRDLE_DESC", true}, {"GIRDLE_CLASS", true},
};

constexpr Mapping kSecondaryTables[] = {{"SYMPARA", false}, {"Class", false}, {"SymData", true}};

enum class Kind { Text, Integer, Real, Boolean };

struct Target {
    QString name;
    Kind kind;
};

// One database to write; without a source its tables stay empty.
struct Job {
    const Source *source;
    QString target;   // "Class.db"
    QString schema;   // "class.sql"
    store::StoreKind kind;
    const Mapping *begin;
    const Mapping *end;
};

Reader &currentReader()
{
    static Reader reader;
    return reader;
}

// The kind of each column, from the schema just created: the flags are
// the INTEGER columns that may not be null.
QList<Target> targetColumns(const QSqlDatabase &db, const QString &table)
{
    QList<Target> columns;
    QSqlQuery query = store::run(db, QStringLiteral("SELECT name, type, \"notnull\" FROM pragma_table_info(?) ORDER BY cid"),
                                 {table});
    while (query.next()) {
        const QString type = query.value(1).toString().toUpper();
        Kind kind = Kind::Text;
        if (type == QLatin1String("INTEGER"))
            kind = query.value(2).toBool() ? Kind::Boolean : Kind::Integer;
        else if (type == QLatin1String("REAL"))
            kind = Kind::Real;
        columns.append({query.value(0).toString(), kind});
    }
    return columns;
}

// Which source column feeds each target column.
QList<int> sourcePositions(const Source &source, const Table &table, const Mapping &mapping,
                           const QList<Target> &targets)
{
    QList<int> positions;
    if (mapping.byPosition) {
        if (table.columns.size() < targets.size())
            throw store::Error(QStringLiteral("In %1 the table %2 has %3 columns; %4 are needed.")
                                   .arg(source.fileName(), table.name)
                                   .arg(table.columns.size())
                                   .arg(targets.size()));
        for (int i = 0; i < targets.size(); ++i)
            positions.append(i);
        return positions;
    }
    for (const Target &target : targets) {
        int at = -1;
        for (int i = 0; i < table.columns.size() && at < 0; ++i) {
            if (table.columns[i].compare(target.name, Qt::CaseInsensitive) == 0)
                at = i;
        }
        if (at < 0)
            throw store::Error(QStringLiteral("In %1 the table %2 has no column %3.")
                                   .arg(source.fileName(), table.name, target.name));
        positions.append(at);
    }
    return positions;
}

// True is -1 in the old engine, 1 through libmdb; any other number is true
// when not zero, as the old engine read it.
std::optional<QVariant> convert(const QVariant &value, Kind kind)
{
    if (value.isNull())
        return kind == Kind::Boolean ? QVariant(0) : QVariant();
    const QString text = value.toString().trimmed();
    bool ok = false;
    switch (kind) {
    case Kind::Text:
        return value.toString();
    case Kind::Boolean: {
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return QVariant(1);
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || text.isEmpty())
            return QVariant(0);
        const double number = text.toDouble(&ok);
        return ok ? std::optional<QVariant>(QVariant(number != 0 ? 1 : 0)) : std::nullopt;
    }
    case Kind::Integer: {
        const qlonglong whole = text.toLongLong(&ok);
        if (ok)
            return QVariant(whole);
        const double number = text.toDouble(&ok);
        if (ok && number == std::trunc(number) && std::fabs(number) < 9.0e15)
            return QVariant(qlonglong(number));
        return std::nullopt;
    }
    case Kind::Real: { // girdle limits: read as the windows read them
        const std::optional<double> number = controls::readNumber(text);
        return number ? std::optional<QVariant>(QVariant(*number)) : std::nullopt;
    }
    }
    return std::nullopt;
}

QString temporaryName(const store::DataDir &dir, const QString &target)
{
    return dir.file(QStringLiteral(".%1.import-%2").arg(target, QUuid::createUuid().toString(QUuid::Id128)));
}

void removeDatabaseFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

class Writer {
public:
    Writer(const Progress &progress, qint64 total) : m_progress(progress), m_total(total) {}

    QList<TableCount> counts;

    // replacing: the database the new one will replace, when there is one.
    void write(const Job &job, const QString &path, const QString &replacing)
    {
        store::createSchemaDatabase(path, job.schema);
        const QString connection = QStringLiteral("orvana-import");
        struct Close {
            QString name;
            ~Close() { store::closeDatabase(name); }
        } close{connection};
        const QSqlDatabase db = store::openDatabase(connection, path);
        if (job.source) {
            store::Transaction transaction(db);
            for (const Mapping *mapping = job.begin; mapping != job.end; ++mapping)
                writeTable(db, *job.source, *mapping);
            transaction.commit();
        }
        recordImport(db, job, replacing);
        // What start-up will demand of the file, checked before it is placed.
        store::checkStore(db, job.kind);
    }

private:
    // The history goes on: the replaced file's entries are carried over and
    // what the import changed of each scope is recorded.
    static void recordImport(const QSqlDatabase &db, const Job &job, const QString &replacing)
    {
        const QString connection = QStringLiteral("orvana-import-old");
        struct Close {
            QString name;
            ~Close() { store::closeDatabase(name); }
        } close{connection};
        QSqlDatabase old;
        if (QFileInfo::exists(replacing)) {
            try {
                old = store::openDatabase(connection, replacing);
            } catch (const store::Error &) {
                // Not a database any more: nothing of it can be kept.
            }
        }
        store::recordReplacement(db, old, job.kind == store::StoreKind::Secondary, store::history::kLegacyImport);
    }

    void tell(const QString &label)
    {
        if (m_progress && !m_progress(label, m_done, m_total))
            throw Cancelled();
    }

    void writeTable(const QSqlDatabase &db, const Source &source, const Mapping &mapping)
    {
        const QString name = QString::fromLatin1(mapping.table);
        const Table *table = source.table(name);
        if (!table)
            throw store::Error(QStringLiteral("%1 holds no table %2.").arg(source.fileName(), name));
        const QString label = QStringLiteral("Importing %1 from %2").arg(name, source.fileName());
        tell(label);
        const QList<Target> targets = targetColumns(db, name);
        const QList<int> positions = sourcePositions(source, *table, mapping, targets);
        QStringList marks;
        for (qsizetype i = 0; i < targets.size(); ++i)
            marks.append(QStringLiteral("?"));
        // The table name comes from the fixed list above, never from the file.
        QSqlQuery insert = store::prepare(db, QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(name, marks.join(u',')));
        TableCount count{source.fileName(), name, int(table->rows.size()), 0};
        QVariantList values(targets.size());
        for (qsizetype r = 0; r < table->rows.size(); ++r) {
            const Row &row = table->rows[r];
            for (qsizetype c = 0; c < targets.size(); ++c) {
                const QVariant raw = row.value(positions[c]);
                const std::optional<QVariant> value = convert(raw, targets[c].kind);
                if (!value)
                    throw store::Error(QStringLiteral("In %1 the table %2, row %3, column %4 holds \"%5\", which is not %6.")
                                           .arg(source.fileName(), name)
                                           .arg(r + 1)
                                           .arg(table->columns.value(positions[c]), raw.toString(),
                                                targets[c].kind == Kind::Integer ? QStringLiteral("a whole number")
                                                                                 : QStringLiteral("a number")));
                values[c] = *value;
            }
            store::runPrepared(insert, values);
            ++count.written;
            if (++m_done % 2000 == 0)
                tell(label);
        }
        counts.append(count);
    }

    const Progress &m_progress;
    qint64 m_total;
    qint64 m_done = 0;
};

qint64 rowsToWrite(const Job &job)
{
    qint64 rows = 0;
    for (const Mapping *mapping = job.begin; job.source && mapping != job.end; ++mapping) {
        if (const Table *table = job.source->table(QString::fromLatin1(mapping->table)))
            rows += table->rows.size();
    }
    return rows;
}

// Moves the finished files into place. Databases being replaced are moved
// aside first and put back when a later move fails.
void place(const store::DataDir &dir, const QList<std::pair<QString, QString>> &made)
{
    QList<std::pair<QString, QString>> replaced; // aside, target
    QStringList placed;
    auto undo = [&] {
        for (const QString &target : placed)
            QFile::remove(target);
        for (const auto &[aside, target] : replaced)
            QFile::rename(aside, target);
    };
    for (const auto &[temporary, name] : made) {
        const QString target = dir.file(name);
        if (QFileInfo::exists(target)) {
            const QString aside = temporaryName(dir, name + QStringLiteral(".old"));
            if (!QFile::rename(target, aside)) {
                undo();
                throw store::Error(QStringLiteral("%1 cannot be replaced; nothing was changed.").arg(target));
            }
            replaced.append({aside, target});
        }
        if (!QFile::rename(temporary, target)) {
            undo();
            throw store::Error(QStringLiteral("%1 cannot be written; nothing was changed.").arg(target));
        }
        placed.append(target);
    }
    for (const auto &[aside, target] : replaced)
        QFile::remove(aside);
}

} // namespace

QList<TableCount> importSources(const store::DataDir &dir, const Source &classSource, const Source *secondary,
                                bool force, const Progress &progress)
{
    QList<Job> jobs{{&classSource, QString::fromLatin1(store::kClassDb), QStringLiteral("class.sql"),
                     store::StoreKind::Class, std::begin(kClassTables), std::end(kClassTables)}};
    // A data directory needs OMZ2006.db: without a file to import, an empty
    // one is made unless one is there.
    if (secondary || !QFileInfo::exists(dir.file(QString::fromLatin1(store::kSecondaryDb))))
        jobs.append({secondary, QString::fromLatin1(store::kSecondaryDb), QStringLiteral("omz.sql"),
                     store::StoreKind::Secondary, std::begin(kSecondaryTables), std::end(kSecondaryTables)});
    if (!QFileInfo(dir.path()).isDir())
        throw store::Error(QStringLiteral("The data directory %1 does not exist.").arg(dir.path()));
    if (dir.onServer())
        throw store::Error(QStringLiteral("The data directory %1 keeps its rules on a server. Import into a new "
                                          "folder, then move them over with --copy-to-server. Nothing was written.")
                               .arg(dir.path()));
    qint64 total = 0;
    for (const Job &job : jobs) {
        const QString target = dir.file(job.target);
        if (QFileInfo::exists(target) && !force)
            throw store::Error(QStringLiteral("%1 exists already in %2; nothing was written. "
                                              "Give --force to replace it.")
                                   .arg(job.target, dir.path()));
        // A journal left by an interrupted save belongs to the old file and
        // would be played into the new one.
        if (QFileInfo::exists(target + QStringLiteral("-journal")))
            throw store::Error(QStringLiteral("%1-journal in %2 holds an unfinished save; open the data once with "
                                              "the program before replacing %1. Nothing was written.")
                                   .arg(job.target, dir.path()));
        total += rowsToWrite(job);
    }

    Writer writer(progress, total);
    QList<std::pair<QString, QString>> made; // temporary file, target name
    try {
        for (const Job &job : jobs) {
            made.append({temporaryName(dir, job.target), job.target});
            writer.write(job, made.last().first, dir.file(job.target));
        }
        place(dir, made);
    } catch (const store::Error &) {
        for (const auto &[temporary, name] : made)
            removeDatabaseFile(temporary);
        throw;
    }
    return writer.counts;
}

QList<TableCount> importDirectory(const store::DataDir &from, const store::DataDir &to, bool force,
                                  const Progress &progress)
{
    const Reader read = currentReader() ? currentReader() : Reader([](const QString &path, const Progress &progress) {
        return readMdbFile(path, true, progress);
    });
    const QString classPath = from.file(QString::fromLatin1(kClassMdb));
    if (!QFileInfo::exists(classPath))
        throw store::Error(QStringLiteral("%1 was not found in %2.").arg(QString::fromLatin1(kClassMdb), from.path()));
    const Source classSource = read(classPath, progress);
    const QString secondaryPath = from.file(QString::fromLatin1(kSecondaryMdb));
    if (!QFileInfo::exists(secondaryPath))
        return importSources(to, classSource, nullptr, force, progress);
    const Source secondary = read(secondaryPath, progress);
    return importSources(to, classSource, &secondary, force, progress);
}

void installReader(const Reader &reader)
{
    currentReader() = reader;
}

} // namespace legacy
