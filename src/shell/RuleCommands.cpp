#include "shell/RuleCommands.h"

#include "rules/Backup.h"
#include "rules/RuleFile.h"
#include "shell/Console.h"
#include "store/DataDir.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/StoreCheck.h"
#include "store/WholeFile.h"

#include <QDateTime>
#include <cstdio>
#include <functional>

namespace commands {

namespace {

const QString kConnection = QStringLiteral("command");

// Runs work on the rules (Class.db or its server store) of a checked data directory; a store::Error is
// printed and ends in status 1.
int withRules(const store::DataDir &dataDir, const std::function<int(const QSqlDatabase &)> &work)
{
    int status = 1;
    try {
        store::checkDataDir(dataDir);
        status = work(store::openStore(kConnection, dataDir, store::StoreKind::Class));
    } catch (const store::Error &error) {
        printError(error.message());
        status = 1;
    }
    store::closeDatabase(kConnection);
    return status;
}

} // namespace

int exportRules(const store::DataDir &dataDir, const ExportRequest &request)
{
    rules::Selection selection;
    if (!request.lab.isEmpty() || !request.shape.isEmpty() || !request.type.isEmpty()) {
        if (request.shape.isEmpty() || request.type.isEmpty()) {
            printError(QStringLiteral("--shape and --type go together (and --lab needs both)."));
            return 1;
        }
        selection = {request.lab.isEmpty() ? rules::Selection::ShapeAndType : rules::Selection::Lab, request.type,
                     request.shape, request.lab};
    }
    return withRules(dataDir, [&](const QSqlDatabase &db) {
        const QByteArray csv = rules::exportRules(db, selection);
        store::writeWholeFile(request.file, csv, request.file);
        std::printf("Exported the rules to %s\n", qPrintable(request.file));
        return 0;
    });
}

int importRules(const store::DataDir &dataDir, const QString &path, bool write)
{
    return withRules(dataDir, [&](const QSqlDatabase &db) {
        const rules::ImportPlan plan = rules::ImportPlan::read(db, path);
        for (const QString &line : plan.summary())
            std::printf("%s\n", qPrintable(line));
        if (!write) {
            std::printf("Nothing was written; add --yes to import.\n");
            return 2;
        }
        plan.apply(db);
        std::printf("Imported.\n");
        return 0;
    });
}

int backUp(const store::DataDir &dataDir, const QString &parent)
{
    try {
        store::checkDataDir(dataDir);
        const QString folder = rules::backUp(dataDir, parent, QDateTime::currentDateTime());
        std::printf("Backed up to %s\n", qPrintable(folder));
        return 0;
    } catch (const store::Error &error) {
        printError(error.message());
        return 1;
    }
}

} // namespace commands
