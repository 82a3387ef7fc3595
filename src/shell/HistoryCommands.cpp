#include "shell/HistoryCommands.h"

#include "rules/Csv.h"
#include "shell/Console.h"
#include "store/Database.h"
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/History.h"
#include "store/StoreCheck.h"

#include <QRegularExpression>
#include <cstdio>
#include <functional>

namespace commands {

namespace {

const QString kRules = QStringLiteral("history-rules");
const QString kSecondary = QStringLiteral("history-omz");

// Runs work on the rules store and, when it opens, the OMZ rules' store
// (else an invalid connection); a store::Error is printed and ends in 1.
int withStores(const store::DataDir &dataDir, const std::function<int(const QSqlDatabase &, const QSqlDatabase &)> &work)
{
    int status = 1;
    try {
        store::checkDataDir(dataDir);
        const QSqlDatabase rules = store::openStore(kRules, dataDir, store::StoreKind::Class);
        QSqlDatabase secondary;
        try {
            secondary = store::openStore(kSecondary, dataDir, store::StoreKind::Secondary);
        } catch (const store::Error &) {
            // Without OMZ2006.db the rest of the history is there all the same.
        }
        status = work(rules, secondary);
    } catch (const store::Error &error) {
        printError(error.message());
        status = 1;
    }
    store::closeDatabase(kRules);
    store::closeDatabase(kSecondary);
    return status;
}

QString shapesFile(const store::DataDir &dataDir)
{
    return dataDir.file(QString::fromLatin1(store::kShapesFile));
}

void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
}

} // namespace

int printHistory(const store::DataDir &dataDir, const HistoryRequest &request)
{
    if ((!request.lab.isEmpty() || !request.shape.isEmpty() || !request.type.isEmpty())
        && (request.shape.isEmpty() || request.type.isEmpty())) {
        printError(QStringLiteral("--shape and --type go together (and --lab needs both)."));
        return 1;
    }
    store::HistoryFilter filter;
    filter.shape = request.shape;
    filter.type = request.type;
    filter.lab = request.lab;
    if (!request.since.isEmpty()) {
        filter.since = store::historyTime(request.since);
        if (filter.since.isEmpty()) {
            printError(QStringLiteral("--since takes a date (2024-05-01) or a date and time (2024-05-01T14:30); \"%1\" is neither.")
                           .arg(request.since));
            return 1;
        }
    }
    return withStores(dataDir, [&](const QSqlDatabase &rules, const QSqlDatabase &secondary) {
        QVector<store::HistoryEntry> entries = store::historyEntries(rules, filter);
        if (secondary.isValid() && request.shape.isEmpty())
            entries += store::historyEntries(secondary, filter);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const store::HistoryEntry &a, const store::HistoryEntry &b) { return a.saved > b.saved; });
        QByteArray csv = rules::csvRecord({"entry", "saved", "user", "workstation", "kind", "note", "area", "type", "shape",
                                           "lab", "part", "changes"});
        for (const store::HistoryEntry &e : entries) {
            csv += rules::csvRecord({e.reference(), e.saved, e.who, e.workstation, e.kind, e.note, e.scope.areaName(),
                                     e.scope.type, e.scope.shape, e.scope.lab, e.scope.detail, QString::number(e.changes)});
        }
        std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
        return 0;
    });
}

int restoreEntry(const store::DataDir &dataDir, const QString &entry, bool write)
{
    static const QRegularExpression reference(QStringLiteral("^(OMZ)?([0-9]{1,18})$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = reference.match(entry.trimmed());
    if (!match.hasMatch()) {
        printError(QStringLiteral("--restore takes an entry as --history lists it (17, or OMZ17); \"%1\" is not one.").arg(entry));
        return 1;
    }
    const bool omz = !match.captured(1).isEmpty();
    return withStores(dataDir, [&](const QSqlDatabase &rules, const QSqlDatabase &secondary) {
        const QSqlDatabase db = omz ? secondary : rules;
        const std::optional<store::HistoryEntry> found = db.isValid() ? store::historyEntry(db, match.captured(2).toLongLong())
                                                                       : std::nullopt;
        if (!found) {
            printError(QStringLiteral("There is no history entry %1; nothing was restored.").arg(entry));
            return 1;
        }
        const store::Parts now = store::storedParts(db, found->scope, shapesFile(dataDir));
        const store::Parts version = store::versionAfter(db, *found);
        const QStringList changes = store::describeChanges(found->scope, now, version);
        if (changes.isEmpty()) {
            print(QStringLiteral("%1 is stored as %2 left it; nothing to restore.")
                      .arg(found->scope.describe(), found->title(found->saved)));
            return write ? 0 : 2;
        }
        print(QStringLiteral("Restoring %1 to the version %2 left changes:").arg(found->scope.describe(), found->title(found->saved)));
        for (const QString &line : changes)
            print(QStringLiteral("  ") + line);
        if (!write) {
            print(QStringLiteral("Nothing was written; add --yes to restore."));
            return 2;
        }
        store::restoreVersion(db, *found, nullptr, shapesFile(dataDir));
        print(QStringLiteral("Restored."));
        return 0;
    });
}

int pruneHistory(const store::DataDir &dataDir, const QString &before, bool write)
{
    const QString until = store::historyTime(before);
    if (until.isEmpty()) {
        printError(QStringLiteral("--before takes a date (2024-05-01) or a date and time (2024-05-01T14:30); \"%1\" is neither.")
                       .arg(before));
        return 1;
    }
    return withStores(dataDir, [&](const QSqlDatabase &rules, const QSqlDatabase &secondary) {
        store::PrunePlan plan;
        for (const QSqlDatabase &db : {rules, secondary}) {
            if (!db.isValid())
                continue;
            const store::PrunePlan part = store::planPrune(db, until);
            plan.entries += part.entries;
            plan.scopes += part.scopes;
        }
        print(QStringLiteral("History entries saved before %1 to drop: %2, from the histories of %3 sets of rules. "
                             "Each keeps its newest entry; every version from then on stays restorable.")
                  .arg(until)
                  .arg(plan.entries)
                  .arg(plan.scopes));
        if (!write) {
            print(QStringLiteral("Nothing was written; add --yes to drop them."));
            return 2;
        }
        for (const QSqlDatabase &db : {rules, secondary}) {
            if (db.isValid())
                store::pruneHistory(db, until);
        }
        print(QStringLiteral("Dropped."));
        return 0;
    });
}

} // namespace commands
