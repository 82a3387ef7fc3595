#pragma once

#include <QString>

namespace store {
class DataDir;
}

// The command-line twins of File > Export, Import and Back up, and the
// grading of the office's stones. Each prints
// what it did or why it refused and returns the exit status: 0 done, 1
// refused; an import without --yes prints its plan, writes nothing and
// returns 2.
namespace commands {

struct ExportRequest {
    QString file;
    QString shape, type, lab; // all empty: everything
};

int exportRules(const store::DataDir &dataDir, const ExportRequest &request);
int importRules(const store::DataDir &dataDir, const QString &file, bool write);
int backUp(const store::DataDir &dataDir, const QString &parent);

struct GradeRequest {
    QString shape, type, lab;
    QString out; // empty: standard output
};

// Grades every stone of the shape's report tables by the stored rules of
// the lab and writes a CSV line per stone: RID, class, the parameter that
// decided. Refuses an unknown shape, type or lab.
int gradeStones(const store::DataDir &dataDir, const GradeRequest &request);

} // namespace commands
