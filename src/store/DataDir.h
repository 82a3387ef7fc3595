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
// In place of the three databases: where on a server they are kept.
inline constexpr char kServerFile[] = "server.ini";
#ifdef Q_OS_WIN
inline constexpr char kHelpScript[] = "help.bat";
#else
inline constexpr char kHelpScript[] = "help.sh";
#endif

// The three stores of a data directory.
enum class StoreKind { Class, Reports, Secondary };
// The file that holds the store when it is kept in the directory.
const char *storeFile(StoreKind kind);
// The store as the user names it: its file's name without ".db".
QString storeCaption(StoreKind kind);

class DataDir {
public:
    DataDir() = default;
    explicit DataDir(const QString &path);

    QString path() const { return m_path; }
    QString file(const QString &name) const;
    // Whether the report tables are read from Reports.mdb (no Reports.db).
    bool reportsInAccessFile() const;
    // Whether the stores are kept on a server (the directory holds server.ini).
    bool onServer() const;

    // --data-dir when given; else the program's own directory when it holds
    // Class.db or server.ini; else the per-user data location.
    static DataDir resolve(const QString &option, const QString &applicationDir);

private:
    QString m_path;
};

} // namespace store
