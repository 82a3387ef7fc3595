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

// Removes the unfinished folder this backup made, unless it completed.
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

// Claims a folder name for this backup: the first of "stamp", "stamp (2)", ...
// that is neither a finished backup nor being made by another backup, by
// making its hidden unfinished folder (which only one process can make).
// Returns the name; work holds the unfinished folder.
QString claimName(const QDir &into, const QString &stamp, Unfinished &work)
{
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? stamp : QStringLiteral("%1 (%2)").arg(stamp).arg(n);
        const QString partial = QStringLiteral(".%1.partial").arg(name);
        if (QFileInfo::exists(into.filePath(name)))
            continue;
        if (!into.mkdir(partial)) {
            if (QFileInfo::exists(into.filePath(partial)))
                continue;
            throw store::Error(QStringLiteral("No folder can be made in %1.").arg(QDir::toNativeSeparators(into.path())));
        }
        work.path = into.filePath(partial);
        // Another backup may have finished this name since it was looked at.
        if (!QFileInfo::exists(into.filePath(name)))
            return name;
        QDir(work.path).removeRecursively();
        work.path.clear();
    }
}

} // namespace

QString backUp(const store::DataDir &dataDir, const QString &parent, const QDateTime &when)
{
    if (!QFileInfo(parent).isDir())
        throw store::Error(QStringLiteral("The backup folder %1 does not exist.").arg(QDir::toNativeSeparators(parent)));
    QDir into(parent);
    Unfinished work;
    const QString name =
        claimName(into, QStringLiteral("Orvana Class backup %1").arg(when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))), work);
    const QDir temp(work.path);
    for (const store::StoreKind kind : {store::StoreKind::Class, store::StoreKind::Secondary})
        snapshot(dataDir, kind, temp.filePath(QString::fromLatin1(store::storeFile(kind))));
    const QString shapes = QString::fromLatin1(store::kShapesFile);
    QFile shapesFile(dataDir.file(shapes));
    if (!shapesFile.copy(temp.filePath(shapes)))
        throw store::Error(QStringLiteral("%1 could not be copied: %2").arg(shapes, shapesFile.errorString()));
    if (!into.rename(QFileInfo(work.path).fileName(), name))
        throw store::Error(QStringLiteral("The backup could not be completed in %1.").arg(QDir::toNativeSeparators(parent)));
    work.done = true;
    return into.filePath(name);
}

} // namespace rules
