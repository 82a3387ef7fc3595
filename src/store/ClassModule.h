#pragma once

#include "store/DataDir.h"

#include <QSqlDatabase>
#include <QStringList>

namespace store {

// What every window shares for the whole run: the data directory, the main
// connection on Class.db, the report connection on Reports.db and the shape
// codes of the shape combo filled last; and the secondary definer's
// connection on OMZ2006.db.
class ClassModule {
public:
    explicit ClassModule(const DataDir &dataDir);
    ~ClassModule();
    ClassModule(const ClassModule &) = delete;
    ClassModule &operator=(const ClassModule &) = delete;

    const DataDir &dataDir() const { return m_dataDir; }

    // (Re)opens both connections; throws store::Error naming the file.
    void OpenDatabases();

    QSqlDatabase mainDb() const;
    QSqlDatabase reportDb() const;

    // The secondary definer's own connection on OMZ2006.db, (re)opened and
    // checked for the tables it reads each time that window opens; the main
    // connection stays on Class.db. Throws store::Error naming the file and
    // what is missing.
    QSqlDatabase openSecondaryDb();
    QSqlDatabase secondaryDb() const;

    // Entry i: code of the shape at position i of the combo filled last,
    // followed by one empty entry.
    QStringList ShapeCodes{QString()};

    static const QString kMainConnection;
    static const QString kReportConnection;
    static const QString kSecondaryConnection;

private:
    DataDir m_dataDir;
};

} // namespace store
