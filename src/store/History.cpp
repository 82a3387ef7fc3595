#include "store/History.h"

#include "store/Engine.h"
#include "store/GirdleStore.h"
#include "store/InstitutePairs.h"
#include "store/LabStore.h"
#include "store/ParameterStore.h"
#include "store/RowReader.h"
#include "store/Schema.h"
#include "store/ShapeFile.h"
#include "store/Sql.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSysInfo>
#include <QTimeZone>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <pwd.h>
#include <unistd.h>

namespace store {

namespace {

bool g_recording = true;
std::optional<HistoryAuthor> g_author;

using Area = HistoryScope::Area;

// One table of a scope: how its rows are read (every column a save
// rewrites, in stored order), what it is called, and the columns that tell
// its rows apart (to match rows of two versions).
struct PartLayout {
    ScopeRows rows; // no statement: the lines of Shapes.txt
    QString caption;
    QVector<int> keys;
};

QVector<PartLayout> partLayouts(const HistoryScope &scope)
{
    const Scope lab{scope.shape, scope.lab};
    switch (scope.area) {
    case Area::Lab: {
        const RuleTables tables = RuleTables::forType(scope.type);
        const RuleStore rules(QSqlDatabase(), tables);
        return {{LabStore(QSqlDatabase()).labRows(tables, lab), QStringLiteral("lab"), {1}},
                {rules.classRows(lab), QStringLiteral("classes"), {2}},
                {rules.rangeRows(lab), QStringLiteral("ranges"), {3, 2}}};
    }
    case Area::Secondary: {
        const RuleStore rules(QSqlDatabase(), RuleTables::secondary());
        return {{rules.classRows(lab), QStringLiteral("classes"), {1}},
                {rules.rangeRows(lab), QStringLiteral("ranges"), {1, 0}}};
    }
    case Area::Parameters:
        return {{parameterRows(RuleTables::forType(scope.type), scope.shape), QStringLiteral("parameters"), {1}}};
    case Area::Pairs:
        return {{institutePairRows(scope.shape), QStringLiteral("pairs"), {1, 2}}};
    case Area::GirdleDescriptions:
        return {{girdleDescriptionRows(lab), QStringLiteral("descriptions"), {2}}};
    case Area::GirdleGrades:
        return {{girdleGradeRows(lab, scope.detail), QStringLiteral("grades"), {2}}};
    case Area::Shapes:
        return {{{}, QStringLiteral("shapes"), {0}}};
    }
    return {};
}

// The table, columns and condition of a part's "SELECT columns FROM table
// [WHERE ...] ORDER BY rowid", which a restore writes back.
struct PartTable {
    QString table;
    QStringList columns;
    QString where;
};

PartTable tableOf(const ScopeRows &rows)
{
    static const QRegularExpression shape(QStringLiteral("^SELECT (.+?) FROM (\\S+)(.*) ORDER BY rowid$"));
    const QRegularExpressionMatch match = shape.match(rows.sql);
    if (!match.hasMatch())
        throw Error(QStringLiteral("No history can be kept of: %1").arg(rows.sql));
    return {match.captured(2), match.captured(1).split(QStringLiteral(", ")), match.captured(3)};
}

RowBytes shapeRows(const QString &path, Fingerprint *fingerprint)
{
    if (!QFileInfo::exists(path)) {
        if (fingerprint) // as writeShapeFile sees a missing file
            *fingerprint = Fingerprint::ofBytes(QByteArray()) + Fingerprint::ofBytes("missing");
        return {};
    }
    Rows rows;
    for (const ShapeEntry &shape : readShapeFile(path, fingerprint))
        rows.append({shape.name, shape.code});
    return RowBytes(rows);
}

ServerRead serverRead(const PartLayout &layout, RowBytes &rows, ServerVersions *versions)
{
    return {versions ? withServerVersions(layout.rows.sql) : layout.rows.sql, layout.rows.values,
            int(tableOf(layout.rows).columns.size()), &rows, versions};
}

// The part's rows deleted, read as they go.
ServerRead deletingRead(const PartLayout &layout, RowBytes &rows, ServerVersions &versions)
{
    const PartTable part = tableOf(layout.rows);
    return {QStringLiteral("DELETE FROM %1%2 RETURNING %3, rowid, xmin::text::bigint")
                .arg(part.table, part.where, part.columns.join(QStringLiteral(", "))),
            layout.rows.values, int(part.columns.size()), &rows, &versions};
}

// A part's rows as stored now. fingerprint, when given, becomes what a
// window that loaded them holds (fingerprintOf, without a second read).
RowBytes readPart(const QSqlDatabase &db, const PartLayout &layout, const QString &shapesFile, Fingerprint *fingerprint)
{
    if (layout.rows.sql.isEmpty())
        return shapeRows(shapesFile, fingerprint);
    const bool sqlite = engineOf(db) == Engine::SQLite;
    const bool versions = fingerprint && !sqlite;
    if (!sqlite && !outsideTransaction(db)) { // a save's: no session to renew, every value wanted
        RowBytes rows;
        ServerVersions serverVersions;
        readServerRows(db, {serverRead(layout, rows, versions ? &serverVersions : nullptr)});
        if (versions)
            *fingerprint = serverVersions.fingerprint();
        return rows;
    }
    RowReader reader(db, versions ? withServerVersions(layout.rows.sql) : layout.rows.sql, layout.rows.values);
    const int width = reader.columnCount() - (versions ? 2 : 0);
    FingerprintBuilder builder;
    ServerVersions serverVersions;
    RowBytes rows;
    while (reader.next()) {
        if (fingerprint && sqlite) {
            reader.addRowTo(rows, builder);
            continue;
        }
        reader.addRowTo(rows, width);
        if (fingerprint)
            serverVersions.add(reader.integer(width), reader.integer(width + 1));
    }
    if (fingerprint)
        *fingerprint = sqlite ? builder.result() : serverVersions.fingerprint();
    return rows;
}

void writePart(const QSqlDatabase &db, const PartLayout &layout, const Rows &rows, const QString &shapesFile,
               Fingerprint *shapesSeen)
{
    if (layout.rows.sql.isEmpty()) {
        QVector<ShapeEntry> shapes;
        for (const Row &row : rows)
            shapes.append({row.value(0).toString(), row.value(1).toString()});
        writeShapeFile(shapesFile, shapes, shapesSeen);
        return;
    }
    const PartTable part = tableOf(layout.rows);
    run(db, QStringLiteral("DELETE FROM %1%2").arg(part.table, part.where), layout.rows.values);
    insertRows(db, part.table, part.columns, rows);
}

int rowCount(const PartBytes &parts)
{
    int rows = 0;
    for (const RowBytes &part : parts)
        rows += int(part.size());
    return rows;
}

// Each part's rows matched on its own key columns; the parts as read (Rows)
// or as stored bytes (RowBytes).
template <typename PartsOf>
PartsDiff diffEachPart(const HistoryScope &scope, const PartsOf &before, const PartsOf &after)
{
    const QVector<PartLayout> layouts = partLayouts(scope);
    PartsDiff diff(layouts.size());
    for (qsizetype i = 0; i < layouts.size(); ++i)
        diff[i] = diffRows(before.value(i), after.value(i), layouts[i].keys);
    return diff;
}

PartsDiff diffBytes(const HistoryScope &scope, const PartBytes &before, const PartBytes &after)
{
    return diffEachPart(scope, before, after);
}

QString scopeCondition(const QString &prefix = {})
{
    return QStringLiteral("%1Area = ? AND %1Type = ? AND %1Shape = ? AND %1Lab = ? AND %1Detail = ?").arg(prefix);
}

QVariantList scopeValues(const HistoryScope &scope)
{
    // Unused keys are empty text, never NULL, so that "= ?" finds them.
    auto text = [](const QString &key) { return key.isNull() ? QString(QLatin1String("")) : key; };
    return {scope.areaName(), text(scope.type), text(scope.shape), text(scope.lab), text(scope.detail)};
}

bool historyTablesExist(const QSqlDatabase &db)
{
    static const char kKnown[] = "orvanaHistoryTables";
    if (db.driver() && db.driver()->property(kKnown).toBool())
        return true;
    const bool exist = !tableColumns(db, QStringLiteral("History")).isEmpty();
    if (exist && db.driver())
        db.driver()->setProperty(kKnown, true);
    return exist;
}

[[noreturn]] void damagedAt(qint64 entry)
{
    throw Error(QStringLiteral("The history is damaged at entry %1; that version cannot be rebuilt.").arg(entry));
}

// The scope's rows after entry upTo: the whole version kept at checkpoint
// (or nothing, before the first entry), then every later change.
Parts rebuild(const QSqlDatabase &db, const HistoryScope &scope, qint64 upTo, qint64 checkpoint)
{
    Parts parts(scope.partCount());
    RowReader rows(db,
                   QStringLiteral("SELECT Entry, Diff, Base FROM History WHERE %1 AND Entry >= ? AND Entry <= ? ORDER BY Entry")
                       .arg(scopeCondition()),
                   scopeValues(scope) + QVariantList{checkpoint, upTo});
    bool first = true;
    qint64 last = 0;
    while (rows.next()) {
        last = rows.integer(0);
        try {
            if (first && checkpoint > 0)
                parts = last == checkpoint ? decodeParts(rows.value(2).toByteArray()) : (damagedAt(last), parts);
            else
                applyDiff(decodeDiff(rows.value(1).toByteArray()), parts);
        } catch (const Error &) {
            damagedAt(last);
        }
        if (parts.size() != scope.partCount())
            damagedAt(last);
        first = false;
    }
    if (last != upTo)
        damagedAt(upTo);
    return parts;
}

QString nowUtc()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

} // namespace

// Where the scope's chain of entries ends, and the store's last number.
struct HistoryChain {
    qint64 last = 0; // none yet
    qint64 cost = 0;
    qint64 checkpoint = 0;
    QByteArray digest;
    qint64 top = 0;
};

namespace {

// The queries that find them: their rows, with a save's own, come in one
// round trip on a server.
const QString kTopQuery = QStringLiteral("SELECT coalesce(max(Entry), 0) FROM History");

QString lastEntryQuery()
{
    return QStringLiteral("SELECT Entry, Cost, Checkpoint, Digest FROM History WHERE %1 ORDER BY Entry DESC LIMIT 1")
        .arg(scopeCondition());
}

HistoryChain chainFrom(const RowBytes &last, const RowBytes &top)
{
    HistoryChain chain;
    chain.top = top.size() > 0 ? top.decoded(0).value(0).toLongLong() : 0;
    if (last.size() > 0) {
        const Row row = last.decoded(0);
        chain.last = row.value(0).toLongLong();
        chain.cost = row.value(1).toLongLong();
        chain.checkpoint = row.value(2).toLongLong();
        chain.digest = row.value(3).toByteArray();
    }
    return chain;
}

RowBytes rowsOf(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    RowReader reader(db, sql, values);
    RowBytes rows;
    while (reader.next())
        reader.addRowTo(rows, reader.columnCount());
    return rows;
}

HistoryChain chainOf(const QSqlDatabase &db, const HistoryScope &scope)
{
    return chainFrom(rowsOf(db, lastEntryQuery(), scopeValues(scope)), rowsOf(db, kTopQuery));
}

void appendEntry(const QSqlDatabase &db, const HistoryScope &scope, HistoryChain &chain, const QString &kind,
                 const QString &note, const HistoryAuthor &author, const PartsDiff &diff, const PartBytes &after,
                 int scopeRows)
{
    // Numbered inside the save's transaction, which holds the store's write
    // lock: two workstations never take the same number.
    const qint64 entry = chain.top + 1;
    bool movesRows = false;
    for (const RowsDiff &part : diff)
        movesRows = movesRows || part.movesRows();
    // Rebuilding a version replays the changes since the last whole copy;
    // once that would cost about two reads of the scope, this entry keeps a
    // whole copy. One typed value in a large lab then costs a few dozen
    // bytes, and any version is rebuilt from at most that many changes.
    qint64 cost = chain.cost + changeCount(diff) + 1 + (movesRows ? scopeRows : 0);
    QVariant base;
    qint64 checkpoint = chain.checkpoint;
    if (cost > 2 * qint64(scopeRows) + 64) {
        base = encodeParts(after);
        cost = 0;
        checkpoint = entry;
    }
    const QByteArray digest = digestOf(after);
    const QString insert = QStringLiteral("INSERT INTO History (Entry, Saved, Who, Workstation, Kind, Note, Area, Type, Shape, "
                                          "Lab, Detail, Changes, Cost, Checkpoint, Digest, Diff, Base) "
                                          "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QVariantList values = QVariantList{entry, nowUtc(), author.who, author.workstation, kind, note} + scopeValues(scope)
        + QVariantList{changeCount(diff), cost, checkpoint, digest, encodeDiff(diff), base};
    if (engineOf(db) == Engine::Server)
        runServerStatement(db, insert, values);
    else
        run(db, insert, values);
    chain = {entry, cost, checkpoint, digest, entry};
}

// Appends what changed from before to after, first what changed outside
// the program since the chain's last entry.
void recordInto(const QSqlDatabase &db, const HistoryScope &scope, HistoryChain chain, const QString &kind,
                const QString &note, const PartBytes &before, const PartBytes &after)
{
    const int scopeRows = qMax(rowCount(before), rowCount(after));
    // The rows found are not what the history says: say so first. (A
    // history rebuilt to the very rows found says nothing new.)
    if (chain.last > 0 ? chain.digest != digestOf(before) : rowCount(before) > 0) {
        PartBytes history(scope.partCount());
        QString note;
        if (chain.last > 0) {
            try {
                history = partBytes(rebuild(db, scope, chain.last, chain.checkpoint));
            } catch (const Error &) {
                // A damaged history must not stop the save: the rows found
                // begin it afresh, kept whole.
                chain.cost = std::numeric_limits<qint32>::max();
                note = QStringLiteral("the history before this entry is damaged");
            }
        }
        const PartsDiff outside = diffBytes(scope, history, before);
        if (changeCount(outside) > 0)
            appendEntry(db, scope, chain, chain.last > 0 ? history::kOutside : history::kFound, note, {}, outside, before,
                        scopeRows);
    }
    const PartsDiff diff = diffBytes(scope, before, after);
    if (changeCount(diff) > 0)
        appendEntry(db, scope, chain, kind, note, HistoryAuthor::current(), diff, after, scopeRows);
}

Subject subjectOf(const HistoryScope &scope)
{
    return {scope.describe(), scope.area != Area::Lab && scope.area != Area::Shapes};
}

} // namespace

HistoryScope HistoryScope::ofLab(const RuleTables &tables, const Scope &scope)
{
    if (!tables.scoped)
        return {Area::Secondary, {}, {}, {}, {}};
    return {Area::Lab, tables.classTable, scope.shape, scope.lab, {}};
}

HistoryScope HistoryScope::ofParameters(const RuleTables &tables, const QString &shape)
{
    return {Area::Parameters, tables.classTable, shape, {}, {}};
}

HistoryScope HistoryScope::ofPairs(const QString &shape)
{
    return {Area::Pairs, {}, shape, {}, {}};
}

HistoryScope HistoryScope::ofGirdleDescriptions(const Scope &scope)
{
    return {Area::GirdleDescriptions, {}, scope.shape, scope.lab, {}};
}

HistoryScope HistoryScope::ofGirdleGrades(const Scope &scope, const QString &part)
{
    return {Area::GirdleGrades, {}, scope.shape, scope.lab, part};
}

HistoryScope HistoryScope::ofShapes()
{
    return {Area::Shapes, {}, {}, {}, {}};
}

namespace {

const std::pair<Area, const char *> kAreaNames[] = {
    {Area::Lab, "lab"},
    {Area::Parameters, "parameters"},
    {Area::Pairs, "pairs"},
    {Area::GirdleDescriptions, "girdle descriptions"},
    {Area::GirdleGrades, "girdle grades"},
    {Area::Shapes, "shapes"},
    {Area::Secondary, "omz"},
};

} // namespace

QString HistoryScope::areaName() const
{
    for (const auto &[known, name] : kAreaNames) {
        if (known == area)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<HistoryScope::Area> HistoryScope::areaNamed(const QString &name)
{
    for (const auto &[known, text] : kAreaNames) {
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return known;
    }
    return std::nullopt;
}

QString HistoryScope::describe() const
{
    switch (area) {
    case Area::Lab:
        return QStringLiteral("%1 (%2, %3)").arg(lab, shape, type);
    case Area::Parameters:
        return QStringLiteral("The parameters of %1 (%2)").arg(shape, type);
    case Area::Pairs:
        return QStringLiteral("The institute pairs of %1").arg(shape);
    case Area::GirdleDescriptions:
        return QStringLiteral("The girdle descriptions of %1 (%2)").arg(lab, shape);
    case Area::GirdleGrades:
        return QStringLiteral("The %1 girdle grades of %2 (%3)").arg(detail, lab, shape);
    case Area::Shapes:
        return QStringLiteral("Shapes.txt");
    case Area::Secondary:
        return QStringLiteral("The OMZ symmetry rules");
    }
    return {};
}

bool HistoryScope::sameAs(const HistoryScope &other) const
{
    auto same = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    return area == other.area && same(type, other.type) && same(shape, other.shape) && same(lab, other.lab)
        && same(detail, other.detail);
}

int HistoryScope::partCount() const
{
    return area == Area::Lab ? 3 : area == Area::Secondary ? 2 : 1;
}

QString HistoryScope::partCaption(int part) const
{
    return partLayouts(*this).value(part).caption;
}

QStringList HistoryScope::partColumns(int part) const
{
    const PartLayout layout = partLayouts(*this).value(part);
    if (layout.rows.sql.isEmpty())
        return {QStringLiteral("Name"), QStringLiteral("Code")};
    QStringList columns = tableOf(layout.rows).columns;
    for (QString &column : columns)
        column.remove(u'"');
    return columns;
}

HistoryAuthor HistoryAuthor::current()
{
    if (g_author)
        return *g_author;
    QString who;
    for (const char *variable : {"USER", "USERNAME", "LOGNAME"}) {
        who = qEnvironmentVariable(variable);
        if (!who.isEmpty())
            break;
    }
    // Started without a login shell (a service, a desktop launcher that
    // clears the environment): the account itself still has a name.
    if (who.isEmpty()) {
        if (const passwd *account = getpwuid(geteuid()))
            who = QString::fromLocal8Bit(account->pw_name);
    }
    return {who.isEmpty() ? QStringLiteral("unknown") : who, QSysInfo::machineHostName()};
}

void HistoryAuthor::set(const std::optional<HistoryAuthor> &author)
{
    g_author = author;
}

QString HistoryEntry::reference() const
{
    return (secondary ? QStringLiteral("OMZ") : QString()) + QString::number(number);
}

QString HistoryEntry::title(const QString &time) const
{
    const QString author = who.isEmpty() ? QStringLiteral("nobody known")
                                         : QStringLiteral("%1 on %2").arg(who, workstation.isEmpty() ? QStringLiteral("?") : workstation);
    return QStringLiteral("entry %1 (%2, %3, %4)").arg(reference(), kind, time, author);
}

void setHistoryRecording(bool on)
{
    g_recording = on;
}

bool historyRecording()
{
    return g_recording;
}

void ensureHistoryTables(const QSqlDatabase &db)
{
    if (historyTablesExist(db))
        return;
    const QString script = builtInScript(QStringLiteral("history.sql"));
    runStatements(db, engineOf(db) == Engine::Server ? serverSchemaScript(script) : script);
}

ScopeRecord::ScopeRecord(const QSqlDatabase &db, const HistoryScope &scope, const QString &shapesFile,
                         const QVector<int> &replaced)
    : m_db(db), m_scope(scope), m_shapesFile(shapesFile)
{
    if (!g_recording)
        return;
    ensureHistoryTables(db);
    const QVector<PartLayout> layouts = partLayouts(scope);
    m_before.resize(layouts.size());
    m_fingerprints.resize(layouts.size());
    RowBytes last, top;
    if (engineOf(db) == Engine::Server && !layouts.first().rows.sql.isEmpty()) {
        // The rows, their fingerprints and the chain, in one round trip.
        QVector<ServerVersions> versions(layouts.size());
        QVector<ServerRead> reads;
        for (qsizetype i = 0; i < layouts.size(); ++i) {
            if (replaced.contains(int(i))) {
                reads.append(deletingRead(layouts[i], m_before[i], versions[i]));
                m_cleared.append(int(i));
            } else {
                reads.append(serverRead(layouts[i], m_before[i], &versions[i]));
            }
        }
        reads.append({lastEntryQuery(), scopeValues(scope), 4, &last, nullptr});
        reads.append({kTopQuery, {}, 1, &top, nullptr});
        readServerRows(db, reads);
        for (qsizetype i = 0; i < layouts.size(); ++i)
            m_fingerprints[i] = versions[i].fingerprint();
    } else {
        for (qsizetype i = 0; i < layouts.size(); ++i)
            m_before[i] = readPart(db, layouts[i], shapesFile, &m_fingerprints[i]);
        last = rowsOf(db, lastEntryQuery(), scopeValues(scope));
        top = rowsOf(db, kTopQuery);
    }
    m_after = m_before;
    m_chain = std::make_shared<HistoryChain>(chainFrom(last, top));
}

void ScopeRecord::expectUnchanged(const Fingerprint *seen, const QVector<int> &parts, const Subject &subject) const
{
    if (!seen || seen->matchesAnything())
        return;
    if (!g_recording) { // nothing was read: compare as a save without history does
        QVector<ScopeRows> scopes;
        for (int part : parts)
            scopes.append(partLayouts(m_scope).value(part).rows);
        store::expectUnchanged(m_db, seen, scopes, subject);
        return;
    }
    Fingerprint stored;
    for (int i = 0; i < parts.size(); ++i)
        stored = i == 0 ? m_fingerprints.value(parts[i]) : stored + m_fingerprints.value(parts[i]);
    if (!seen->matches(stored))
        throw Conflict(subject);
}

void ScopeRecord::wrote(int part, const Rows &rows)
{
    if (g_recording)
        m_after[part] = RowBytes(rows);
}

void ScopeRecord::wrote(int part, const RowBytes &rows)
{
    if (g_recording)
        m_after[part] = rows;
}

void ScopeRecord::wrote(int part)
{
    if (g_recording)
        m_after[part] = readPart(m_db, partLayouts(m_scope).value(part), m_shapesFile, nullptr);
}

void ScopeRecord::record(const QString &kind, const QString &note)
{
    if (g_recording)
        recordInto(m_db, m_scope, *m_chain, kind, note, m_before, m_after);
}

void recordChange(const QSqlDatabase &db, const HistoryScope &scope, const QString &kind, const Parts &before,
                  const Parts &after, const QString &note)
{
    recordChange(db, scope, kind, partBytes(before), partBytes(after), note);
}

void recordChange(const QSqlDatabase &db, const HistoryScope &scope, const QString &kind, const PartBytes &before,
                  const PartBytes &after, const QString &note)
{
    ensureHistoryTables(db);
    recordInto(db, scope, chainOf(db, scope), kind, note, before, after);
}

namespace {

const QStringList kHistoryColumns = {
    QStringLiteral("Entry"), QStringLiteral("Saved"), QStringLiteral("Who"), QStringLiteral("Workstation"),
    QStringLiteral("Kind"), QStringLiteral("Note"), QStringLiteral("Area"), QStringLiteral("Type"),
    QStringLiteral("Shape"), QStringLiteral("Lab"), QStringLiteral("Detail"), QStringLiteral("Changes"),
    QStringLiteral("Cost"), QStringLiteral("Checkpoint"), QStringLiteral("Digest"), QStringLiteral("Diff"), QStringLiteral("Base")};

Rows allRows(const QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    RowReader reader(db, QStringLiteral("SELECT %1 FROM %2 ORDER BY Entry").arg(columns.join(QStringLiteral(", ")), table));
    Rows rows;
    while (reader.next()) {
        Row row(columns.size());
        for (int c = 0; c < columns.size(); ++c)
            row[c] = reader.value(c);
        rows.append(row);
    }
    return rows;
}

// Every scope the store holds rows of.
QVector<HistoryScope> scopesOf(const QSqlDatabase &db, bool secondary)
{
    if (secondary)
        return {HistoryScope::ofLab(RuleTables::secondary(), {})};
    QVector<HistoryScope> scopes;
    auto add = [&](const QString &sql, const std::function<HistoryScope(RowReader &)> &make) {
        RowReader rows(db, sql);
        while (rows.next())
            scopes.append(make(rows));
    };
    for (const QString &type : {QStringLiteral("Cut"), QStringLiteral("Sym")}) {
        const RuleTables tables = RuleTables::forType(type);
        add(QStringLiteral("SELECT Shape, Lab FROM %1 UNION SELECT Shape, Lab FROM %2 UNION SELECT Shape, Lab FROM %3")
                .arg(tables.labTable, tables.classTable, tables.dataTable),
            [&](RowReader &r) { return HistoryScope::ofLab(tables, {r.text(0), r.text(1)}); });
        add(QStringLiteral("SELECT DISTINCT Shape FROM %1").arg(tables.paraTable),
            [&](RowReader &r) { return HistoryScope::ofParameters(tables, r.text(0)); });
    }
    add(QStringLiteral("SELECT DISTINCT Shape FROM MultiData"),
        [](RowReader &r) { return HistoryScope::ofPairs(r.text(0)); });
    add(QStringLiteral("SELECT DISTINCT Shape, Lab FROM GIRDLE_DESC"),
        [](RowReader &r) { return HistoryScope::ofGirdleDescriptions({r.text(0), r.text(1)}); });
    add(QStringLiteral("SELECT DISTINCT Shape, Lab, GIRDLECLASS FROM GIRDLE_CLASS"),
        [](RowReader &r) { return HistoryScope::ofGirdleGrades({r.text(0), r.text(1)}, r.text(2)); });
    return scopes;
}

QString scopeKey(const HistoryScope &scope)
{
    return QStringList{scope.areaName(), scope.type, scope.shape, scope.lab, scope.detail}.join(QChar(0x1f)).toCaseFolded();
}

// What a replaced store held: its history and each scope's rows.
struct Replaced {
    Rows history;
    QVector<HistoryScope> scopes;
    QVector<Parts> rows;
};

Replaced readReplaced(const QSqlDatabase &old, bool secondary)
{
    Replaced replaced;
    if (historyTablesExist(old)) {
        replaced.history = allRows(old, QStringLiteral("History"), kHistoryColumns);
    }
    replaced.scopes = scopesOf(old, secondary);
    for (const HistoryScope &scope : replaced.scopes)
        replaced.rows.append(storedParts(old, scope));
    return replaced;
}

} // namespace

void recordReplacement(const QSqlDatabase &db, const QSqlDatabase &old, bool secondary, const QString &kind)
{
    Replaced replaced;
    if (old.isValid()) {
        try {
            replaced = readReplaced(old, secondary);
        } catch (const Error &) {
            replaced = {}; // a damaged file is replaced for a reason: its rows are lost to the history too
        }
    }
    Transaction transaction(db);
    ensureHistoryTables(db);
    insertRows(db, QStringLiteral("History"), kHistoryColumns, replaced.history);
    QHash<QString, int> before;
    for (int i = 0; i < replaced.scopes.size(); ++i)
        before.insert(scopeKey(replaced.scopes[i]), i);
    QVector<HistoryScope> scopes = scopesOf(db, secondary);
    for (const HistoryScope &scope : replaced.scopes) {
        if (!std::any_of(scopes.begin(), scopes.end(), [&](const HistoryScope &s) { return s.sameAs(scope); }))
            scopes.append(scope);
    }
    for (const HistoryScope &scope : scopes) {
        const int found = before.value(scopeKey(scope), -1);
        recordChange(db, scope, kind, found >= 0 ? replaced.rows[found] : Parts(scope.partCount()),
                     storedParts(db, scope));
    }
    transaction.commit();
}

PartsDiff diffParts(const HistoryScope &scope, const Parts &before, const Parts &after)
{
    return diffEachPart(scope, before, after);
}

QVector<HistoryEntry> historyEntries(const QSqlDatabase &db, const HistoryFilter &filter)
{
    if (!historyTablesExist(db))
        return {};
    QStringList conditions;
    QVariantList values;
    auto where = [&](const QString &condition, const QVariantList &with) {
        conditions.append(condition);
        values += with;
    };
    if (filter.scope)
        where(scopeCondition(), scopeValues(*filter.scope));
    for (const auto &[column, value] : {std::pair{"Type", filter.type}, {"Shape", filter.shape}, {"Lab", filter.lab},
                                        {"Who", filter.who}, {"Kind", filter.kind}}) {
        if (!value.isEmpty())
            where(QStringLiteral("%1 = ?").arg(QLatin1String(column)), {value});
    }
    if (!filter.since.isEmpty())
        where(QStringLiteral("Saved >= ?"), {filter.since});
    if (!filter.before.isEmpty())
        where(QStringLiteral("Saved < ?"), {filter.before});
    RowReader rows(db,
                   QStringLiteral("SELECT Entry, Saved, Who, Workstation, Kind, Note, Area, Type, Shape, Lab, Detail, "
                                  "Changes FROM History%1 ORDER BY Entry DESC")
                       .arg(conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "))),
                   values);
    QVector<HistoryEntry> entries;
    while (rows.next()) {
        HistoryEntry entry;
        entry.number = rows.integer(0);
        entry.saved = rows.text(1);
        entry.who = rows.text(2);
        entry.workstation = rows.text(3);
        entry.kind = rows.text(4);
        entry.note = rows.text(5);
        entry.scope = {HistoryScope::areaNamed(rows.text(6)).value_or(Area::Lab), rows.text(7), rows.text(8),
                       rows.text(9), rows.text(10)};
        entry.secondary = entry.scope.area == Area::Secondary;
        entry.changes = int(rows.integer(11));
        entries.append(entry);
    }
    return entries;
}

std::optional<HistoryEntry> historyEntry(const QSqlDatabase &db, qint64 number)
{
    if (!historyTablesExist(db))
        return std::nullopt;
    RowReader row(db, QStringLiteral("SELECT Area, Type, Shape, Lab, Detail FROM History WHERE Entry = ?"), {number});
    if (!row.next())
        return std::nullopt;
    HistoryFilter filter;
    filter.scope = HistoryScope{HistoryScope::areaNamed(row.text(0)).value_or(Area::Lab), row.text(1), row.text(2),
                                row.text(3), row.text(4)};
    for (const HistoryEntry &entry : historyEntries(db, filter)) {
        if (entry.number == number)
            return entry;
    }
    return std::nullopt;
}

QString historyTime(const QString &text)
{
    const QString trimmed = text.trimmed();
    QDateTime time;
    const QDate day = QDate::fromString(trimmed, Qt::ISODate);
    if (day.isValid() && trimmed.size() == 10)
        time = QDateTime(day, QTime(0, 0), QTimeZone::utc());
    else
        time = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

namespace {

qint64 checkpointOf(const QSqlDatabase &db, qint64 entry)
{
    RowReader row(db, QStringLiteral("SELECT Checkpoint FROM History WHERE Entry = ?"), {entry});
    if (!row.next())
        throw Error(QStringLiteral("There is no history entry %1.").arg(entry));
    return row.integer(0);
}

} // namespace

Parts versionAfter(const QSqlDatabase &db, const HistoryEntry &entry)
{
    return rebuild(db, entry.scope, entry.number, checkpointOf(db, entry.number));
}

PartsDiff entryChanges(const QSqlDatabase &db, const HistoryEntry &entry)
{
    RowReader row(db, QStringLiteral("SELECT Diff FROM History WHERE Entry = ?"), {entry.number});
    if (!row.next())
        throw Error(QStringLiteral("There is no history entry %1.").arg(entry.number));
    try {
        return decodeDiff(row.value(0).toByteArray());
    } catch (const Error &) {
        damagedAt(entry.number);
    }
}

Parts storedParts(const QSqlDatabase &db, const HistoryScope &scope, const QString &shapesFile)
{
    Parts parts;
    for (const PartLayout &layout : partLayouts(scope))
        parts.append(readPart(db, layout, shapesFile, nullptr).decoded());
    return parts;
}

Fingerprint storedFingerprint(const QSqlDatabase &db, const HistoryScope &scope, const QString &shapesFile)
{
    if (scope.area == Area::Shapes) {
        Fingerprint seen;
        shapeRows(shapesFile, &seen);
        return seen;
    }
    QVector<ScopeRows> scopes;
    for (const PartLayout &layout : partLayouts(scope))
        scopes.append(layout.rows);
    return fingerprintOf(db, scopes);
}

QStringList describeChanges(const HistoryScope &scope, const Parts &before, const Parts &after)
{
    const QVector<PartLayout> layouts = partLayouts(scope);
    const PartsDiff diff = diffParts(scope, before, after);
    QStringList lines;
    for (qsizetype p = 0; p < diff.size(); ++p) {
        const QStringList columns = scope.partColumns(int(p));
        auto values = [](const Row &row, const QVector<int> &which) {
            QStringList texts;
            for (int c : which)
                texts.append(valueText(row.value(c)));
            return texts.join(QStringLiteral(" / "));
        };
        QVector<int> every(columns.size());
        std::iota(every.begin(), every.end(), 0);
        for (const RowsDiff::Changed &row : diff[p].changed) {
            const QString label = values(after.value(p).value(row.newRow), layouts[p].keys);
            for (const RowsDiff::Cell &cell : row.cells) {
                lines.append(QStringLiteral("%1, %2: %3 \"%4\" -> \"%5\"")
                                 .arg(layouts[p].caption, label, columns.value(cell.column), valueText(cell.before),
                                      valueText(cell.after)));
            }
        }
        for (const RowsDiff::Whole &whole : diff[p].removed)
            lines.append(QStringLiteral("%1: remove %2").arg(layouts[p].caption, values(whole.row, every)));
        for (const RowsDiff::Whole &whole : diff[p].added)
            lines.append(QStringLiteral("%1: add %2").arg(layouts[p].caption, values(whole.row, every)));
    }
    return lines;
}

void restoreVersion(const QSqlDatabase &db, const HistoryEntry &entry, Fingerprint *seen, const QString &shapesFile)
{
    Transaction transaction(db);
    const Parts version = versionAfter(db, entry);
    const QVector<PartLayout> layouts = partLayouts(entry.scope);
    ScopeRecord record(db, entry.scope, shapesFile);
    QVector<int> all;
    for (int i = 0; i < layouts.size(); ++i)
        all.append(i);
    record.expectUnchanged(seen, all, subjectOf(entry.scope));
    Fingerprint shapesSeen = seen ? *seen : Fingerprint::any();
    for (int i = 0; i < layouts.size(); ++i) {
        writePart(db, layouts[i], version.value(i), shapesFile, &shapesSeen);
        record.wrote(i, version.value(i));
    }
    record.record(history::kRestore, QStringLiteral("entry %1").arg(entry.reference()));
    const Fingerprint stored = !seen ? Fingerprint::any()
        : entry.scope.area == Area::Shapes ? shapesSeen
                                           : storedFingerprint(db, entry.scope, shapesFile);
    transaction.commit();
    if (seen)
        *seen = stored;
}

namespace {

struct PruneScope {
    HistoryScope scope;
    qint64 keepFrom = 0;
    int dropped = 0;
};

// Per scope: the first entry kept (the first saved at or after `before`,
// else the newest) and how many come before it.
QVector<PruneScope> pruneScopes(const QSqlDatabase &db, const QString &before)
{
    if (!historyTablesExist(db))
        return {};
    RowReader rows(db, QStringLiteral("SELECT Area, Type, Shape, Lab, Detail, Entry, Saved FROM History "
                                      "ORDER BY Area, Type, Shape, Lab, Detail, Entry"));
    QVector<PruneScope> scopes;
    std::optional<PruneScope> current;
    bool kept = false; // the current scope's first entry to keep is found
    while (rows.next()) {
        const HistoryScope scope{HistoryScope::areaNamed(rows.text(0)).value_or(Area::Lab), rows.text(1), rows.text(2),
                                 rows.text(3), rows.text(4)};
        const qint64 entry = rows.integer(5);
        const bool recent = rows.text(6) >= before;
        if (!current || !scope.sameAs(current->scope)) {
            if (current && current->dropped > 0)
                scopes.append(*current);
            current = PruneScope{scope, entry, 0};
        } else if (!kept) { // the entry kept so far goes
            ++current->dropped;
            current->keepFrom = entry;
        } else {
            continue;
        }
        kept = recent;
    }
    if (current && current->dropped > 0)
        scopes.append(*current);
    return scopes;
}

} // namespace

PrunePlan planPrune(const QSqlDatabase &db, const QString &before)
{
    PrunePlan plan;
    for (const PruneScope &scope : pruneScopes(db, before)) {
        plan.entries += scope.dropped;
        ++plan.scopes;
    }
    return plan;
}

void pruneHistory(const QSqlDatabase &db, const QString &before)
{
    Transaction transaction(db);
    for (const PruneScope &prune : pruneScopes(db, before)) {
        const QVariantList scope = scopeValues(prune.scope);
        if (checkpointOf(db, prune.keepFrom) != prune.keepFrom) {
            const Parts version = rebuild(db, prune.scope, prune.keepFrom, checkpointOf(db, prune.keepFrom));
            run(db, QStringLiteral("UPDATE History SET Base = ?, Cost = 0, Checkpoint = ? WHERE Entry = ?"),
                {encodeParts(version), prune.keepFrom, prune.keepFrom});
        }
        run(db, QStringLiteral("UPDATE History SET Checkpoint = ? WHERE %1 AND Entry > ? AND Checkpoint < ?").arg(scopeCondition()),
            QVariantList{prune.keepFrom} + scope + QVariantList{prune.keepFrom, prune.keepFrom});
        run(db, QStringLiteral("DELETE FROM History WHERE %1 AND Entry < ?").arg(scopeCondition()), scope + QVariantList{prune.keepFrom});
    }
    transaction.commit();
}

} // namespace store
