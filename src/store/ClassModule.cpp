#include "store/ClassModule.h"

#include "store/Database.h"
#include "store/Error.h"
#include "store/StoreCheck.h"

namespace store {

const QString ClassModule::kMainConnection = QStringLiteral("main");
const QString ClassModule::kReportConnection = QStringLiteral("report");
const QString ClassModule::kSecondaryConnection = QStringLiteral("secondary");

ClassModule::ClassModule(const DataDir &dataDir) : m_dataDir(dataDir)
{
}

ClassModule::~ClassModule()
{
    closeDatabase(kMainConnection);
    closeDatabase(kReportConnection);
    closeDatabase(kSecondaryConnection);
}

void ClassModule::OpenDatabases()
{
    openStore(kMainConnection, m_dataDir, StoreKind::Class);
    // Reports.mdb is read in place by the report field browser instead.
    if (!m_dataDir.reportsInAccessFile())
        openStore(kReportConnection, m_dataDir, StoreKind::Reports);
}

QSqlDatabase ClassModule::mainDb() const
{
    return QSqlDatabase::database(kMainConnection, false);
}

QSqlDatabase ClassModule::openSecondaryDb()
{
    // Opened afresh, so a file replaced or removed since the last opening is
    // never written through an old handle.
    openStore(kSecondaryConnection, m_dataDir, StoreKind::Secondary);
    try {
        checkStore(secondaryDb(), StoreKind::Secondary);
    } catch (const Error &) {
        closeDatabase(kSecondaryConnection); // a file it cannot work on is not kept open
        throw;
    }
    return secondaryDb();
}

QSqlDatabase ClassModule::secondaryDb() const
{
    return QSqlDatabase::database(kSecondaryConnection, false);
}

QSqlDatabase ClassModule::reportDb() const
{
    return QSqlDatabase::database(kReportConnection, false);
}

} // namespace store
