#pragma once

#include <QString>

namespace store {
class DataDir;
}

// The command-line side of the rules' history. Each prints what it did or
// why it refused and returns the exit status: 0 done, 1 refused, 2 plan
// shown and nothing written (as --import without --yes).
namespace commands {

struct HistoryRequest {
    QString shape, type, lab; // all empty: every scope, the OMZ rules' included
    QString since;            // a date or a date and time; empty: from the first entry
};

// The entries as CSV on stdout, newest first.
int printHistory(const store::DataDir &dataDir, const HistoryRequest &request);
// What restoring the entry ("17", or "OMZ17" for the OMZ rules) would
// change; with write, restores it.
int restoreEntry(const store::DataDir &dataDir, const QString &entry, bool write);
// How many entries saved before the date would go; with write, drops them.
int pruneHistory(const store::DataDir &dataDir, const QString &before, bool write);

} // namespace commands
