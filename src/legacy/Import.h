#pragma once

#include "legacy/MdbFile.h"
#include "store/DataDir.h"
#include "store/Error.h"

#include <QList>
#include <functional>

namespace legacy {

// What became of one table.
struct TableCount {
    QString file;  // "Class.mdb"
    QString table; // "CutData"
    int read = 0;
    int written = 0;
};

// Reads one legacy file with its rows, telling progress; the program's is
// readMdbFile.
using Reader = std::function<Source(const QString &path, const Progress &progress)>;

inline constexpr char kClassMdb[] = "Class.mdb";
inline constexpr char kSecondaryMdb[] = "OMZ2006.mdb";

// Writes Class.db from classSource and, when given, OMZ2006.db from
// secondary into dir: every rule table, columns read by position taken by
// position and the others by name, texts as they are, numbers as numbers,
// booleans (True may be -1) as 0/1, nulls as nulls. Refuses to replace an
// existing database unless force. Each database is built in a temporary
// file and both are moved into place only when complete, so a failure or a
// cancel leaves the directory as it was. Throws store::Error naming the
// file, the table and what is wrong.
QList<TableCount> importSources(const store::DataDir &dir, const Source &classSource, const Source *secondary,
                                bool force, const Progress &progress = {});

// Reads from's Class.mdb and, when present, OMZ2006.mdb, and imports them
// into to (see importSources). Without OMZ2006.mdb an empty OMZ2006.db is
// made unless one exists.
QList<TableCount> importDirectory(const store::DataDir &from, const store::DataDir &to, bool force,
                                  const Progress &progress = {});

// The reader importDirectory uses; tests install one that hands out rows
// from memory. An empty function restores readMdbFile.
void installReader(const Reader &reader);

} // namespace legacy
