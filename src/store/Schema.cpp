#include "store/Schema.h"

#include "store/DataDir.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

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
    // A fresh file: SQLite creates it on open.
    const QString connection = QStringLiteral("orvana-create");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open())
            throw Error(QStringLiteral("%1 cannot be created.").arg(path));
        try {
            for (const QString &script : scripts)
                runScript(db, QString::fromUtf8(resource(script)));
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            QFile::remove(path);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
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

void createDataDirectory(const QString &path, bool withDemo)
{
    const DataDir dir(path);
    const QStringList files = {QString::fromLatin1(kClassDb), QString::fromLatin1(kReportsDb),
                               QString::fromLatin1(kSecondaryDb), QString::fromLatin1(kShapesFile)};
    for (const QString &name : files) {
        if (QFileInfo::exists(dir.file(name)))
            throw Error(QStringLiteral("%1 exists already; nothing was changed.").arg(dir.file(name)));
    }
    if (!QDir().mkpath(dir.path()))
        throw Error(QStringLiteral("The directory %1 cannot be created.").arg(dir.path()));

    auto scripts = [withDemo](const QString &schema, const QString &demo) {
        return withDemo ? QStringList{schema, demo} : QStringList{schema};
    };
    createDatabase(dir.file(QString::fromLatin1(kClassDb)),
                   scripts(QStringLiteral("class.sql"), QStringLiteral("demo/class.sql")));
    createDatabase(dir.file(QString::fromLatin1(kReportsDb)),
                   scripts(QStringLiteral("reports.sql"), QStringLiteral("demo/reports.sql")));
    createDatabase(dir.file(QString::fromLatin1(kSecondaryDb)),
                   scripts(QStringLiteral("omz.sql"), QStringLiteral("demo/omz.sql")));
    writeFile(dir.file(QString::fromLatin1(kShapesFile)),
              withDemo ? resource(QStringLiteral("demo/Shapes.txt")) : QByteArray());
    if (withDemo) {
        writeFile(dir.file(QStringLiteral("help.sh")), resource(QStringLiteral("demo/help.sh")), true);
        writeFile(dir.file(QStringLiteral("Instructions.txt")),
                  resource(QStringLiteral("demo/Instructions.txt")));
    }
}

} // namespace store
