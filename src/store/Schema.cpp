#include "store/Schema.h"

#include "store/DataDir.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/ServerConfig.h"
#include "store/ServerCopy.h"
#include "store/Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

static void initDataResources()
{
    Q_INIT_RESOURCE(data);
}

namespace store {

namespace {

QStringList splitStatements(const QString &script)
{
    QStringList statements;
    QString current;
    bool inQuote = false;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (!inQuote && c == u'-' && i + 1 < script.size() && script[i + 1] == u'-') {
            while (i < script.size() && script[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'\'')
            inQuote = !inQuote;
        if (!inQuote && c == u';') {
            if (!current.trimmed().isEmpty())
                statements.append(current.trimmed());
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        statements.append(current.trimmed());
    return statements;
}

QByteArray resource(const QString &name)
{
    initDataResources();
    QFile file(QStringLiteral(":/data/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("The built-in file %1 is missing.").arg(name));
    return file.readAll();
}

void createDatabase(const QString &path, const QStringList &scripts)
{
    // A fresh file: SQLite creates it on open. The caller removes the whole
    // directory being built when this fails.
    const QString connection = QStringLiteral("orvana-create");
    struct Forget {
        QString name;
        ~Forget() { QSqlDatabase::removeDatabase(name); }
    } forget{connection};
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    if (!db.open())
        throw Error(QStringLiteral("%1 cannot be created.").arg(path));
    for (const QString &script : scripts)
        runScript(db, QString::fromUtf8(resource(script)));
    db.close();
}

void writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        throw Error(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

} // namespace

namespace {

// The rule stores keep the history of their saves in tables of their own.
QStringList withHistory(QStringList scripts)
{
    scripts.insert(1, QStringLiteral("history.sql"));
    return scripts;
}

} // namespace

QString builtInScript(const QString &name)
{
    return QString::fromUtf8(resource(name));
}

void runStatements(const QSqlDatabase &db, const QString &script)
{
    for (const QString &s : splitStatements(script))
        run(db, s);
}

void runScript(const QSqlDatabase &db, const QString &script)
{
    const QStringList statements = splitStatements(script);
    // PRAGMAs that change the file cannot run inside a transaction.
    QStringList pragmas;
    QStringList rest;
    for (const QString &s : statements)
        (s.startsWith(QStringLiteral("PRAGMA"), Qt::CaseInsensitive) ? pragmas : rest).append(s);
    for (const QString &s : pragmas)
        run(db, s);
    Transaction transaction(db);
    for (const QString &s : rest)
        run(db, s);
    transaction.commit();
}

void createSchemaDatabase(const QString &path, const QString &schema)
{
    createDatabase(path, schema == QLatin1String("reports.sql") ? QStringList{schema} : withHistory({schema}));
}

namespace {

// The files a new data directory gets, in the order they are made.
QStringList newFiles(bool withDemo)
{
    QStringList names = {QString::fromLatin1(kClassDb), QString::fromLatin1(kReportsDb),
                         QString::fromLatin1(kSecondaryDb), QString::fromLatin1(kShapesFile)};
    if (withDemo)
        names << QString::fromLatin1(kHelpScript) << QStringLiteral("Instructions.txt");
    return names;
}

void fill(const DataDir &dir, bool withDemo)
{
    auto scripts = [withDemo](const QString &schema, const QString &demo) {
        return withDemo ? QStringList{schema, demo} : QStringList{schema};
    };
    createDatabase(dir.file(QString::fromLatin1(kClassDb)),
                   withHistory(scripts(QStringLiteral("class.sql"), QStringLiteral("demo/class.sql"))));
    createDatabase(dir.file(QString::fromLatin1(kReportsDb)),
                   scripts(QStringLiteral("reports.sql"), QStringLiteral("demo/reports.sql")));
    createDatabase(dir.file(QString::fromLatin1(kSecondaryDb)),
                   withHistory(scripts(QStringLiteral("omz.sql"), QStringLiteral("demo/omz.sql"))));
    writeFile(dir.file(QString::fromLatin1(kShapesFile)),
              withDemo ? resource(QStringLiteral("demo/Shapes.txt")) : QByteArray());
    if (withDemo) {
        const QString script = QString::fromLatin1(kHelpScript);
        writeFile(dir.file(script), resource(QStringLiteral("demo/") + script), true);
        writeFile(dir.file(QStringLiteral("Instructions.txt")), resource(QStringLiteral("demo/Instructions.txt")));
    }
}

// The outermost directory of path that does not exist yet; empty when path exists.
QString firstMissing(const QString &path)
{
    QString missing;
    for (QString p = QDir::cleanPath(path); !QFileInfo::exists(p); p = QFileInfo(p).path())
        missing = p;
    return missing;
}

// Moves the made files into an existing directory; on a failure takes back
// the ones already moved, so the directory is left as it was.
void moveInto(const QString &from, const DataDir &dir, const QStringList &names)
{
    QStringList moved;
    for (const QString &name : names) {
        if (!QFile::rename(QDir(from).filePath(name), dir.file(name))) {
            for (const QString &done : moved)
                QFile::remove(dir.file(done));
            throw Error(QStringLiteral("%1 cannot be written; nothing was changed.").arg(dir.file(name)));
        }
        moved.append(name);
    }
}

} // namespace

namespace {

// The databases go to the server; the files beside server.ini.
void createOnServer(const DataDir &dir, const ServerConfig &server, bool withDemo)
{
    QStringList names = newFiles(withDemo);
    for (const char *database : {kClassDb, kReportsDb, kSecondaryDb})
        names.removeOne(QString::fromLatin1(database));
    for (const QString &name : names) {
        if (QFileInfo::exists(dir.file(name)))
            throw Error(QStringLiteral("%1 exists already; nothing was changed.").arg(dir.file(name)));
    }
    QTemporaryDir building(dir.file(QStringLiteral(".new-XXXXXX")));
    if (!building.isValid())
        throw Error(QStringLiteral("%1 cannot be written: %2").arg(dir.path(), building.errorString()));
    fill(DataDir(building.path()), withDemo);
    copyToServer(DataDir(building.path()), server);
    try {
        moveInto(building.path(), dir, names);
    } catch (const Error &error) {
        throw Error(storesMadeAllTheSame(server, true, error.message()), error.nativeCode());
    }
}

} // namespace

void createDataDirectory(const QString &path, bool withDemo)
{
    const DataDir dir(path);
    if (const std::optional<ServerConfig> server = ServerConfig::read(dir)) {
        createOnServer(dir, *server, withDemo);
        return;
    }
    const QStringList names = newFiles(withDemo);
    for (const QString &name : names) {
        if (QFileInfo::exists(dir.file(name)))
            throw Error(QStringLiteral("%1 exists already; nothing was changed.").arg(dir.file(name)));
    }
    const QFileInfo target(dir.path());
    if (target.exists() && !target.isDir())
        throw Error(QStringLiteral("%1 is not a directory; nothing was changed.").arg(dir.path()));

    // Everything is made in a sibling and moved into place at the end, so a
    // failure half-way leaves neither files nor directories behind.
    const QString parent = target.absolutePath();
    const QString madeParent = firstMissing(parent);
    const QString building = QDir(parent).filePath(
        QStringLiteral(".%1.new-%2").arg(target.fileName(), QUuid::createUuid().toString(QUuid::Id128)));
    try {
        if (!QDir().mkpath(building))
            throw Error(QStringLiteral("The directory %1 cannot be created.").arg(dir.path()));
        fill(DataDir(building), withDemo);
        if (target.exists())
            moveInto(building, dir, names);
        else if (!QDir().rename(building, dir.path()))
            throw Error(QStringLiteral("The directory %1 cannot be created.").arg(dir.path()));
        QDir(building).removeRecursively();
    } catch (const Error &error) {
        QDir(building).removeRecursively();
        if (!madeParent.isEmpty())
            QDir(madeParent).removeRecursively();
        // The user knows the directory asked for, not the sibling.
        throw Error(QString(error.message()).replace(building, dir.path()), error.nativeCode());
    }
}

} // namespace store
