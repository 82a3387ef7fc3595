#include "store/StoreCheck.h"

#include "store/Database.h"
#include "store/Engine.h"
#include "store/Error.h"
#include "store/Sql.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace store {

namespace {

// A table the program reads. Where it reads by position, every column must
// stand where listed (an empty name: any name, the position only); where it
// reads by name only, the named columns may stand anywhere.
struct Layout {
    const char *table;
    bool byPosition;
    const char *columns; // comma-separated
};

constexpr Layout kClassTables[] = {
    {"Cut", true, "Shape,Lab,Serial,Class"},
    {"Sym", true, "Shape,Lab,Serial,Class"},
    {"CutLab", true, "Shape,Lab,"},
    {"SymLab", true, "Shape,Lab,"},
    {"CutPara", false, "Shape,ID,Parameters,Display_Name"},
    {"SymPara", false, "Shape,ID,Parameters,Display_Name"},
    {"CutData", true, "Shape,Lab,serial,cPara,cMin,cMax,include,,,Show"},
    {"SymData", true, "Shape,Lab,serial,cPara,cMin,cMax,include,,,Show"},
    {"MultiData", true, "Shape,,"},
    {"GIRDLE_DESC", true, "Shape,Lab,ID,,,,,,,"},
    {"GIRDLE_CLASS", true, ",,Class,Lab,Shape,GIRDLECLASS"},
};

constexpr Layout kSecondaryTables[] = {
    {"SYMPARA", false, "ID,Display_Name,Parameters"},
    {"Class", false, "Class,Serial"},
    {"SymData", true, "serial,cPara,cMin,cMax,include,,,Show"},
};

QString fileName(const QSqlDatabase &db)
{
    return storeName(db);
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

void checkLayout(const QSqlDatabase &db, const Layout &layout)
{
    const QString table = QString::fromLatin1(layout.table);
    const QStringList have = tableColumns(db, table);
    const QStringList need = QString::fromLatin1(layout.columns).split(u',');
    if (have.isEmpty())
        throw Error(QStringLiteral("%1 holds no table %2.").arg(capitalized(fileName(db)), table));
    if (!layout.byPosition) {
        for (const QString &column : need) {
            if (!have.contains(column, Qt::CaseInsensitive))
                throw Error(QStringLiteral("In %1 the table %2 has no column %3.").arg(fileName(db), table, column));
        }
        return;
    }
    if (have.size() < need.size())
        throw Error(QStringLiteral("In %1 the table %2 has %3 columns; %4 are needed.")
                        .arg(fileName(db), table)
                        .arg(have.size())
                        .arg(need.size()));
    for (qsizetype i = 0; i < need.size(); ++i) {
        if (!need[i].isEmpty() && need[i].compare(have[i], Qt::CaseInsensitive) != 0)
            throw Error(QStringLiteral("In %1 column %2 of the table %3 is %4; %5 is needed there.")
                            .arg(fileName(db))
                            .arg(i + 1)
                            .arg(table, have[i], need[i]));
    }
}

void quickCheck(const QSqlDatabase &db)
{
    if (engineOf(db) != Engine::SQLite)
        return; // the server keeps its own files sound
    QString problem;
    {
        QSqlQuery check(db);
        if (!check.exec(QStringLiteral("PRAGMA quick_check(1)")))
            problem = check.lastError().databaseText();
        else if (check.next() && check.value(0).toString() != QLatin1String("ok"))
            problem = check.value(0).toString().remove(QStringLiteral("*** in database main ***\n"));
    }
    if (!problem.isEmpty())
        throw Error(QStringLiteral("%1 is damaged (%2). Restore %1 from a backup.").arg(fileName(db), problem));
}

// Reports.mdb is read in place through a child process when the field
// browser needs it; at start-up it is enough that it is an Access file.
void checkAccessFile(const QString &path)
{
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(19) : QByteArray();
    if (head.mid(4) != "Standard Jet DB" && head.mid(4) != "Standard ACE DB")
        throw Error(QStringLiteral("%1 is not an Access database.").arg(QFileInfo(path).fileName()));
}

// Closes the checking connection however the check ends.
struct CheckConnection {
    const QString name = QStringLiteral("orvana-check");
    ~CheckConnection() { closeDatabase(name); }
};

} // namespace

void checkStore(const QSqlDatabase &db, StoreKind kind)
{
    quickCheck(db);
    if (kind == StoreKind::Class) {
        for (const Layout &layout : kClassTables)
            checkLayout(db, layout);
    } else if (kind == StoreKind::Secondary) {
        for (const Layout &layout : kSecondaryTables)
            checkLayout(db, layout);
    }
}

void checkDataDir(const DataDir &dir)
{
    const QFileInfo info(dir.path());
    if (!info.exists())
        throw Error(QStringLiteral("The data directory %1 does not exist.").arg(dir.path()));
    if (!info.isDir())
        throw Error(QStringLiteral("%1 is not a directory.").arg(dir.path()));
    // OMZ2006.db is checked when its window opens: without it the rest of
    // the program still works.
    for (const StoreKind kind : {StoreKind::Class, StoreKind::Reports}) {
        if (kind == StoreKind::Reports && dir.reportsInAccessFile()) {
            checkAccessFile(dir.file(QString::fromLatin1(kReportsMdb)));
            continue;
        }
        CheckConnection connection;
        checkStore(openStore(connection.name, dir, kind), kind);
    }
}

QString unsavableReason(const DataDir &dir)
{
    // SQLite writes its journal beside the database, so a read-only directory
    // stops every save even when the files themselves are writable.
    if (!QFileInfo(dir.path()).isWritable())
        return QStringLiteral("Changes cannot be saved: the data directory %1 is read-only.").arg(dir.path());
    QStringList readOnly;
    for (const char *name : {kClassDb, kSecondaryDb, kShapesFile}) {
        const QFileInfo file(dir.file(QString::fromLatin1(name)));
        if (file.exists() && !file.isWritable())
            readOnly.append(file.fileName());
    }
    if (readOnly.isEmpty())
        return {};
    return QStringLiteral("Changes cannot be saved: %1 in the data directory %2 %3 read-only.")
        .arg(readOnly.join(QStringLiteral(", ")), dir.path(),
             readOnly.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
}

} // namespace store
