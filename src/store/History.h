#pragma once

#include "store/Fingerprint.h"
#include "store/HistoryDiff.h"
#include "store/RuleStore.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <optional>

namespace store {

struct HistoryChain;

// What one history entry is about. A lab of a type holds its lab row, its
// class list and its ranges; the OMZ rules (kept in OMZ2006.db, whose
// history is its own) their class list and ranges; the others one table's
// rows of a shape (and lab, and girdle part), or the lines of Shapes.txt.
struct HistoryScope {
    enum class Area { Lab, Parameters, Pairs, GirdleDescriptions, GirdleGrades, Shapes, Secondary };
    Area area = Area::Lab;
    QString type;
    QString shape;
    QString lab;
    QString detail; // the girdle part of grades

    // The lab's scope, or the OMZ rules' for the secondary tables.
    static HistoryScope ofLab(const RuleTables &tables, const Scope &scope);
    static HistoryScope ofParameters(const RuleTables &tables, const QString &shape);
    static HistoryScope ofPairs(const QString &shape);
    static HistoryScope ofGirdleDescriptions(const Scope &scope);
    static HistoryScope ofGirdleGrades(const Scope &scope, const QString &part);
    static HistoryScope ofShapes();

    // As stored in the Area column, and back (nothing for an unknown text).
    QString areaName() const;
    static std::optional<Area> areaNamed(const QString &name);
    // For the user: "AGL (Brilliant, Cut)", "The parameters of Brilliant (Cut)".
    QString describe() const;
    bool sameAs(const HistoryScope &other) const;

    // The tables (parts) of the scope: their rows in stored order, every
    // column a save rewrites.
    int partCount() const;
    QString partCaption(int part) const;
    QStringList partColumns(int part) const;
};

// What history entries record as their kind.
namespace history {
inline const QString kSave = QStringLiteral("save");
inline const QString kCreateLab = QStringLiteral("create lab");
inline const QString kCopyLab = QStringLiteral("copy lab");
inline const QString kDeleteLab = QStringLiteral("delete lab");
inline const QString kParameters = QStringLiteral("parameters");
inline const QString kPairs = QStringLiteral("institute pairs");
inline const QString kGirdleDescriptions = QStringLiteral("girdle descriptions");
inline const QString kGirdleGrades = QStringLiteral("girdle grades");
inline const QString kShapes = QStringLiteral("shapes");
inline const QString kRulesFile = QStringLiteral("rules file import");
inline const QString kLegacyImport = QStringLiteral("legacy import");
inline const QString kRestore = QStringLiteral("restore");
// Rows found different from what the history says: an older copy of the
// program, or any other tool, wrote them.
inline const QString kOutside = QStringLiteral("changed outside Orvana Class");
// Rows that were there before their scope's first recorded save.
inline const QString kFound = QStringLiteral("as first found");
} // namespace history

// Who saves: the login name and the workstation's host name.
struct HistoryAuthor {
    QString who;
    QString workstation;
    static HistoryAuthor current();
    // Replaces the author of every later save (another workstation in a
    // test, say); nothing restores the one found from the system.
    static void set(const std::optional<HistoryAuthor> &author);
};

struct HistoryEntry {
    qint64 number = 0;
    bool secondary = false; // in OMZ2006.db's history
    QString saved;          // UTC, "2024-05-01T12:34:56.789Z"
    QString who;
    QString workstation;
    QString kind;
    QString note;
    HistoryScope scope;
    int changes = 0;
    // How the command line names it: "17", or "OMZ17" in OMZ2006.db.
    QString reference() const;
    // "entry 17 (save, 2024-05-01T12:34:56.789Z, anna on WS1)", the time as given.
    QString title(const QString &time) const;
};

struct HistoryFilter {
    std::optional<HistoryScope> scope; // exactly this scope
    QString type, shape, lab;          // each where not empty
    QString since;                     // saved at or after (UTC, as stored)
    QString before;                    // saved before
    QString who;
    QString kind;
};

// Entries newest first; none when the store has no history tables yet.
QVector<HistoryEntry> historyEntries(const QSqlDatabase &db, const HistoryFilter &filter = {});
std::optional<HistoryEntry> historyEntry(const QSqlDatabase &db, qint64 number);
// A date "2024-05-01" (the start of that day, UTC) or a date and time in
// ISO 8601, as the Saved column compares it; empty when it is neither.
QString historyTime(const QString &text);

// The scope's rows as the entry's save left them; the changes it made.
// Throw store::Error when the entry is gone or its history is damaged.
Parts versionAfter(const QSqlDatabase &db, const HistoryEntry &entry);
PartsDiff entryChanges(const QSqlDatabase &db, const HistoryEntry &entry);
// The scope's rows as stored now, and their fingerprint as a window that
// shows them keeps it. shapesFile: where Shapes.txt is, for its scope.
Parts storedParts(const QSqlDatabase &db, const HistoryScope &scope, const QString &shapesFile = {});
Fingerprint storedFingerprint(const QSqlDatabase &db, const HistoryScope &scope, const QString &shapesFile = {});
PartsDiff diffParts(const HistoryScope &scope, const Parts &before, const Parts &after);
// What changes from one version of a scope to another, one line each, for
// the user: 'ranges, Table % / 2: cMin "50" -> "52"'.
QStringList describeChanges(const HistoryScope &scope, const Parts &before, const Parts &after);

// Writes the version the entry left back as a new save of its scope, in
// one transaction, recorded as a restore; the newer entries stay. With
// seen, throws store::Conflict and writes nothing when the stored rows
// differ from it; afterwards seen is what is stored.
void restoreVersion(const QSqlDatabase &db, const HistoryEntry &entry, Fingerprint *seen = nullptr,
                    const QString &shapesFile = {});

// Dropping the entries saved before a time: every scope keeps its newest
// entry, and the oldest entry it keeps carries its whole version, so every
// version from then on can still be rebuilt and restored.
struct PrunePlan {
    int entries = 0; // to drop
    int scopes = 0;  // that lose entries
};
PrunePlan planPrune(const QSqlDatabase &db, const QString &before);
void pruneHistory(const QSqlDatabase &db, const QString &before);

// Creates the history tables when the store has none (a store made by an
// older version); inside the caller's transaction.
void ensureHistoryTables(const QSqlDatabase &db);

// What a save changes of one scope, recorded as one entry inside the save's
// own transaction, so that a save that fails or is cancelled records
// nothing. Made before anything is written: it reads the scope's rows
// (taking their fingerprint on the way). The save then writes, says which
// parts it wrote, and calls record(). When the rows found differ from what
// the history says, an entry saying so comes first, so the history has no
// gap.
class ScopeRecord {
public:
    // replaced: parts the save deletes whole and writes afresh. On a server
    // they are deleted here, their rows coming back with the DELETE, which
    // spares the save a second pass over thousands of rows; the save then
    // skips its own DELETE of the parts cleared().
    ScopeRecord(const QSqlDatabase &db, const HistoryScope &scope, const QString &shapesFile = {},
                const QVector<int> &replaced = {});
    bool cleared(int part) const { return m_cleared.contains(part); }

    // As expectUnchanged(): throws Conflict when seen claims something and
    // the parts (fingerprints added in this order) differ from it.
    void expectUnchanged(const Fingerprint *seen, const QVector<int> &parts, const Subject &subject) const;
    // The part now holds these rows (values as written and read back).
    void wrote(int part, const Rows &rows);
    void wrote(int part, const RowBytes &rows);
    // The part was written: read it again.
    void wrote(int part);
    // Appends the entry, when anything changed.
    void record(const QString &kind, const QString &note = {});

private:
    QSqlDatabase m_db;
    HistoryScope m_scope;
    QString m_shapesFile;
    PartBytes m_before;
    PartBytes m_after;
    QVector<Fingerprint> m_fingerprints;
    QVector<int> m_cleared;
    std::shared_ptr<HistoryChain> m_chain; // where the scope's entries end, as read with its rows
};

// Records what changed of a scope whose rows were read elsewhere, as
// ScopeRecord does; inside the caller's transaction.
void recordChange(const QSqlDatabase &db, const HistoryScope &scope, const QString &kind, const Parts &before,
                  const Parts &after, const QString &note = {});
void recordChange(const QSqlDatabase &db, const HistoryScope &scope, const QString &kind, const PartBytes &before,
                  const PartBytes &after, const QString &note = {});

// A store replaced whole (by an import of the old program's files): the
// replaced store's history carried over, then each scope's change from its
// old rows to the new ones recorded as kind. old: not valid when there was
// no store before (or it cannot be read). In one transaction on db.
void recordReplacement(const QSqlDatabase &db, const QSqlDatabase &old, bool secondary, const QString &kind);

// For benchmarks that weigh what recording adds to a save: while off, saves
// record nothing.
void setHistoryRecording(bool on);
bool historyRecording();

} // namespace store
