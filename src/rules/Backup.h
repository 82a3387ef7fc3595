#pragma once

#include <QDateTime>
#include <QString>

namespace store {
class DataDir;
}

namespace rules {

// Copies Class.db and OMZ2006.db (each a consistent snapshot, taken by
// SQLite itself while others may write) and Shapes.txt into a new folder
// "Orvana Class backup <date> <time>" inside `parent` (" (2)", " (3)" ...
// added when another backup took the name), and returns its path. The
// folder appears only when complete; a failure removes what this backup
// made, nothing else, and throws store::Error naming what failed.
QString backUp(const store::DataDir &dataDir, const QString &parent, const QDateTime &when);

} // namespace rules
