#pragma once

#include "legacy/LegacySource.h"
#include "store/Error.h"

#include <QString>
#include <functional>

namespace legacy {

// The command-line options with which the program reads an Access file for
// its parent process and writes what it read to stdout (hidden from --help).
inline constexpr char kDumpOption[] = "dump-mdb"; // tables, columns and rows
inline constexpr char kListOption[] = "list-mdb"; // tables and columns only

// Told what is being done and how far it got (total 0: not known yet);
// returning false cancels.
using Progress = std::function<bool(const QString &label, qint64 done, qint64 total)>;

// Thrown when Progress cancels; nothing has been written then.
class Cancelled : public store::Error {
public:
    Cancelled();
};

// Reads an Access (Jet 3 or Jet 4) file through libmdb in a child process,
// so that a damaged file can crash the reader but not the program. With
// withRows false only the tables and their columns are read. progress is
// told the rows read so far, several times a second while the child works,
// and can stop it. Throws store::Error naming the file: not an Access
// database, damaged, too slow, far more output than a rule base gives;
// Cancelled when progress says so.
Source readMdbFile(const QString &path, bool withRows, const Progress &progress = {});

// How much a reader may hand back, and for how long, before it is taken
// for looping on a damaged file and stopped.
struct ReaderLimits {
    qint64 bytes = qint64(256) << 20;
    int seconds = 120;
};

// The program that serves the options above (by default this program), and
// the limits it works under. Tests and benchmarks, which are other
// programs, point it at the real one; tests lower the limits.
void setReaderProgram(const QString &program);
void setReaderLimits(const ReaderLimits &limits);

// The child's side: reads path and writes the stream that readMdbFile
// parses to stdout. Returns the exit status.
int dumpMdbFile(const QString &path, bool withRows);

// The text of a Jet date/time value (days since 1899-12-30, the fraction
// the time of day), to the second: "2024-05-31 23:59:59".
QString jetDateText(double value);

} // namespace legacy
