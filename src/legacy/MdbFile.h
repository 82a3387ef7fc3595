#pragma once

#include "legacy/LegacySource.h"

#include <QString>

namespace legacy {

// The command-line options with which the program reads an Access file for
// its parent process and writes what it read to stdout (hidden from --help).
inline constexpr char kDumpOption[] = "dump-mdb"; // tables, columns and rows
inline constexpr char kListOption[] = "list-mdb"; // tables and columns only

// Reads an Access (Jet 3 or Jet 4) file through libmdb in a child process,
// so that a damaged file can crash the reader but not the program. With
// withRows false only the tables and their columns are read. Throws
// store::Error naming the file: not an Access database, damaged, too slow.
Source readMdbFile(const QString &path, bool withRows);

// The program that serves the options above; by default this program.
// Tests and benchmarks, which are other programs, point it at the real one.
void setReaderProgram(const QString &program);

// The child's side: reads path and writes the stream that readMdbFile
// parses to stdout. Returns the exit status.
int dumpMdbFile(const QString &path, bool withRows);

} // namespace legacy
