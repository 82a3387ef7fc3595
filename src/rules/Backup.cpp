#include "rules/Backup.h"

#include "store/DataDir.h"
#include "store/Database.h"
#include "store/Engine.h"
#include "store/Error.h"
#include "store/ServerCopy.h"
#include "store/Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace rules {

namespace {

// Removes the unfinished folder unless the backup completed.
struct Unfinished {
    QString path;
    bool done = false;
    ~Unfinished()
    {
        if (!done && !path.isEmpty())
            QDir(path).removeRecursively();
    }
};

// A consistent copy of one store as a SQLite file, whichever engine keeps
// it, so that a backup folder is a data directory of its own.
void snapshot(const store::DataDir &dataDir, store::StoreKind kind, const QString &target)
{
    const QString connection = QStringLiteral("backup-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    QString code;
    try {
        const QSqlDatabase db = store::openStore(connection, dataDir, kind);
        if (store::engineOf(db) == store::Engine::SQLite)
            store::run(db, QStringLiteral("VACUUM INTO ?"), {target});
        else
            store::copyFromServer(db, kind, target);
    } catch (const store::Error &error) {
        failure = error.message();
        code = error.nativeCode();
    }
    store::closeDatabase(connection);
    if (!failure.isEmpty())
        throw store::Error(QStringLiteral("%1 could not be copied: %2").arg(QString::fromLatin1(store::storeFile(kind)), failure), code);
}

} // namespace

QString backUp(const store::DataDir &dataDir, const QString &parent, const QDateTime &when)
{
    const QString name = QStringLiteral("Orvana Class backup %1").arg(when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
    QDir into(parent);
    if (!QFileInfo(parent).isDir())
        throw store::Error(QStringLiteral("The backup folder %1 does not exist.").arg(QDir::toNativeSeparators(parent)));
    const QString final = into.filePath(name);
    if (QFileInfo::exists(final))
        throw store::Error(QStringLiteral("%1 exists already; nothing was copied.").arg(QDir::toNativeSeparators(final)));

    Unfinished work{into.filePath(QStringLiteral(".%1.partial").arg(name))};
    if (!into.mkdir(QFileInfo(work.path).fileName()))
        throw store::Error(QStringLiteral("No folder can be made in %1.").arg(QDir::toNativeSeparators(parent)));
    const QDir temp(work.path);
    for (const store::StoreKind kind : {store::StoreKind::Class, store::StoreKind::Secondary})
        snapshot(dataDir, kind, temp.filePath(QString::fromLatin1(store::storeFile(kind))));
    const QString shapes = QString::fromLatin1(store::kShapesFile);
    if (!QFile::copy(dataDir.file(shapes), temp.filePath(shapes)))
        throw store::Error(QStringLiteral("%1 could not be copied into %2.").arg(shapes, QDir::toNativeSeparators(parent)));
    if (!into.rename(QFileInfo(work.path).fileName(), name))
        throw store::Error(QStringLiteral("The backup could not be completed in %1.").arg(QDir::toNativeSeparators(parent)));
    work.done = true;
    return final;
}

} // namespace rules
