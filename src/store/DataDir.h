#pragma once

#include <QString>

namespace store {

// The files of a data directory.
inline constexpr char kClassDb[] = "Class.db";
inline constexpr char kReportsDb[] = "Reports.db";
// The office's report database as other software keeps writing it; read in
// place when there is no Reports.db.
inline constexpr char kReportsMdb[] = "Reports.mdb";
inline constexpr char kSecondaryDb[] = "OMZ2006.db";
inline constexpr char kShapesFile[] = "Shapes.txt";
#ifdef Q_OS_WIN
inline constexpr char kHelpScript[] = "help.bat";
#else
inline constexpr char kHelpScript[] = "help.sh";
#endif

class DataDir {
public:
    DataDir() = default;
    explicit DataDir(const QString &path);

    QString path() const { return m_path; }
    QString file(const QString &name) const;
    // Whether the report tables are read from Reports.mdb (no Reports.db).
    bool reportsInAccessFile() const;

    // --data-dir when given; else the program's own directory when it holds
    // Class.db; else the per-user data location.
    static DataDir resolve(const QString &option, const QString &applicationDir);

private:
    QString m_path;
};

} // namespace store
