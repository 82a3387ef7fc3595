#include "store/ClassModule.h"

#include "store/Database.h"

namespace store {

const QString ClassModule::kMainConnection = QStringLiteral("main");
const QString ClassModule::kReportConnection = QStringLiteral("report");

ClassModule::ClassModule(const DataDir &dataDir) : m_dataDir(dataDir)
{
}

ClassModule::~ClassModule()
{
    closeDatabase(kMainConnection);
    closeDatabase(kReportConnection);
}

void ClassModule::OpenDatabases()
{
    openDatabase(kMainConnection, m_dataDir.file(QString::fromLatin1(kClassDb)));
    // Reports.mdb is read in place by the report field browser instead.
    if (!m_dataDir.reportsInAccessFile())
        openDatabase(kReportConnection, m_dataDir.file(QString::fromLatin1(kReportsDb)));
}

QSqlDatabase ClassModule::mainDb() const
{
    return QSqlDatabase::database(kMainConnection, false);
}

QSqlDatabase ClassModule::reportDb() const
{
    return QSqlDatabase::database(kReportConnection, false);
}

} // namespace store
