#include "shell/ServerCommands.h"

#include "controls/Prompt.h"
#include "shell/Console.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/ServerConfig.h"
#include "store/ServerCopy.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

// The files a server data directory keeps beside server.ini.
void copyFiles(const store::DataDir &from, const store::DataDir &to)
{
    for (const char *name : {store::kShapesFile, store::kHelpScript, "Instructions.txt"}) {
        const QString source = from.file(QString::fromLatin1(name));
        const QString target = to.file(QString::fromLatin1(name));
        if (!QFileInfo::exists(source) || QFileInfo::exists(target) || source == target)
            continue;
        if (!QFile::copy(source, target))
            throw store::Error(QStringLiteral("%1 could not be copied into %2.").arg(QString::fromLatin1(name), to.path()));
        std::printf("Copied %s\n", qPrintable(target));
    }
}

} // namespace

int copyToServerCommand(const store::DataDir &from, const QString &to)
{
    const store::DataDir target(to);
    try {
        const std::optional<store::ServerConfig> server = store::ServerConfig::read(target);
        if (!server)
            throw store::Error(QStringLiteral("%1 holds no %2 naming the server.").arg(target.path(), QString::fromLatin1(store::kServerFile)));
        if (!QFileInfo::exists(from.file(QString::fromLatin1(store::kShapesFile)))
            && !QFileInfo::exists(target.file(QString::fromLatin1(store::kShapesFile))))
            throw store::Error(QStringLiteral("%1 was not found in %2; nothing was copied.")
                                   .arg(QString::fromLatin1(store::kShapesFile), from.path()));
        for (const store::CopiedTable &table : store::copyToServer(from, *server))
            std::printf("%-8s %-14s %8lld rows\n", qPrintable(table.store), qPrintable(table.table), table.rows);
        try {
            copyFiles(from, target);
        } catch (const store::Error &error) {
            const bool withReports = QFileInfo::exists(from.file(QString::fromLatin1(store::kReportsDb)));
            throw store::Error(store::storesMadeAllTheSame(*server, withReports, error.message()));
        }
        std::printf("Copied the rules of %s to %s\n", qPrintable(from.path()), qPrintable(server->describe()));
    } catch (const store::Error &error) {
        printError(error.message());
        return 1;
    }
    return 0;
}

bool logInToServer(const store::DataDir &dir)
{
    if (!dir.onServer())
        return true;
    const QString probe = QStringLiteral("orvana-login");
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            store::openStore(probe, dir, store::StoreKind::Class);
            store::closeDatabase(probe);
            return true;
        } catch (const store::Error &error) {
            if (error.nativeCode() != QLatin1String(store::kAuthenticationRefused))
                return true;
            const std::optional<store::ServerConfig> server = store::ServerConfig::read(dir);
            const std::optional<QString> password = controls::askPassword(
                QStringLiteral("%1\n\nPassword of %2:")
                    .arg(attempt == 0 ? QStringLiteral("The server asks for a password (%1).").arg(server->describe())
                                      : QStringLiteral("The server refused the password."),
                         server->user.isEmpty() ? QStringLiteral("the user") : server->user));
            if (!password)
                return false;
            store::ServerConfig::setRunPassword(*password);
        }
    }
    return true;
}
