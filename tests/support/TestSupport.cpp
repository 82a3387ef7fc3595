#include "support/TestSupport.h"

#include "store/Database.h"
#include "store/Error.h"
#include "store/Schema.h"
#include "support/TestServer.h"

#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace testsupport {

ScriptedPrompt::ScriptedPrompt()
{
    controls::Prompt::install(this);
}

ScriptedPrompt::~ScriptedPrompt()
{
    controls::Prompt::install(nullptr);
}

void ScriptedPrompt::inform(const QString &text)
{
    informed.append(text);
    if (onInform)
        onInform(text);
}

bool ScriptedPrompt::confirm(const QString &text)
{
    confirmed.append(text);
    return answers.isEmpty() ? true : answers.takeFirst();
}

controls::Choice ScriptedPrompt::choose(const QString &text)
{
    confirmed.append(text);
    return choices.isEmpty() ? controls::Choice::Yes : choices.takeFirst();
}

controls::Resolution ScriptedPrompt::resolve(const QString &text)
{
    confirmed.append(text);
    return resolutions.isEmpty() ? controls::Resolution::Cancel : resolutions.takeFirst();
}

QString ScriptedPrompt::chooseFile(controls::FileChoice, const QString &caption, const QString &)
{
    confirmed.append(caption);
    return files.isEmpty() ? QString() : files.takeFirst();
}

std::optional<QString> ScriptedPrompt::askPassword(const QString &text)
{
    confirmed.append(text);
    return passwords.isEmpty() ? std::nullopt : std::optional<QString>(passwords.takeFirst());
}

ScriptedModal::ScriptedModal()
{
    controls::ModalRunner::install(this);
}

ScriptedModal::~ScriptedModal()
{
    controls::ModalRunner::install(nullptr);
}

int ScriptedModal::run(QDialog &dialog)
{
    opened.append(dialog.windowTitle());
    dialog.show();
    QCoreApplication::processEvents();
    if (onOpen)
        onOpen(dialog);
    const int result = dialog.result();
    if (dialog.isVisible())
        dialog.reject();
    return result;
}

TestDataDir::TestDataDir(const QString &shapes, std::optional<store::Engine> engine)
{
    isolateSettings();
    if (engine.value_or(currentEngine()) == store::Engine::Server) {
        m_server = TestServer::instance().freshStores();
        m_server->write(m_dir.filePath(QStringLiteral("server.ini")));
    }
    // Fresh directory holds nothing yet, so creation cannot refuse.
    QFile::remove(m_dir.filePath(QStringLiteral("Class.db")));
    store::createDataDirectory(m_dir.path(), false);
    QFile file(m_dir.filePath(QStringLiteral("Shapes.txt")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(shapes.toUtf8());
}

TestDataDir::~TestDataDir() = default;

template <typename F>
void TestDataDir::withConnection(const QString &database, F body) const
{
    const QString name = QStringLiteral("testsupport");
    {
        QSqlDatabase db;
        if (m_server) {
            const store::StoreKind kind = database == QLatin1String("OMZ2006.db") ? store::StoreKind::Secondary
                : database == QLatin1String("Reports.db")                       ? store::StoreKind::Reports
                                                                                  : store::StoreKind::Class;
            try {
                db = store::openServerStore(name, *m_server, kind);
            } catch (const store::Error &error) {
                qFatal("cannot open the server store: %s", qPrintable(error.message()));
            }
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file(database));
            if (!db.open())
                qFatal("cannot open %s", qPrintable(file(database)));
        }
        body(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void TestDataDir::exec(const QString &sql, const QString &database) const
{
    withConnection(database, [&](QSqlDatabase &db) {
        const QStringList statements = sql.split(QStringLiteral(";\n"), Qt::SkipEmptyParts);
        db.transaction(); // one sync for the lot
        for (const QString &statement : statements) {
            if (statement.trimmed().isEmpty())
                continue;
            QSqlQuery q(db);
            if (!q.exec(statement))
                qFatal("SQL failed: %s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
        }
        db.commit();
    });
}

QStringList TestDataDir::rows(const QString &sql, const QString &database) const
{
    QStringList result;
    withConnection(database, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i) {
                if (m_server && q.record().fieldName(i) == QLatin1String("rowid"))
                    continue;
                const QVariant value = q.value(i);
                if (value.isNull())
                    fields.append(QStringLiteral("<null>"));
                else if (value.typeId() == QMetaType::Bool) // the server's comparisons; SQLite's are 0/1
                    fields.append(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
                else
                    fields.append(value.toString());
            }
            result.append(fields.join(u'|'));
        }
    });
    return result;
}

void TestDataDir::failInserts(const QString &table, const QString &when, const QString &message,
                              const QString &database) const
{
    const QString name = QStringLiteral("fail_") + table;
    QString quotedMessage = message;
    quotedMessage.replace(u'\'', QStringLiteral("''"));
    if (!m_server) {
        exec(QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 %3 BEGIN SELECT RAISE(ABORT, '%4'); END")
                 .arg(name, table, when.isEmpty() ? QString() : QStringLiteral("WHEN ") + when, quotedMessage),
             database);
        return;
    }
    // One statement each: the function's body holds semicolons.
    exec(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION '%2'; END $$")
             .arg(name, quotedMessage.replace(u'%', QStringLiteral("%%"))),
         database);
    exec(QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 FOR EACH ROW %3 EXECUTE FUNCTION %1()")
             .arg(name, table, when.isEmpty() ? QString() : QStringLiteral("WHEN (%1)").arg(when)),
         database);
}

void TestDataDir::allowInserts(const QString &table, const QString &database) const
{
    exec(m_server ? QStringLiteral("DROP TRIGGER fail_%1 ON %1").arg(table) : QStringLiteral("DROP TRIGGER fail_%1").arg(table),
         database);
}

std::pair<int, QString> runProgram(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(ORVANA_BINARY), arguments);
    if (!process.waitForFinished(60000))
        return {-1, QStringLiteral("timed out")};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAll())};
}

QString cannotStart(const QString &why)
{
    return QStringLiteral("Orvana Class cannot start.\n\n%1\n\nData directory: @DIR@\n\n"
                          "A new one can be made with: orvana-class --init-demo <dir>")
        .arg(why);
}

void isolateSettings()
{
    // QSettings fixes its folder at first use; a private one per test process.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
}

void resolutionRows()
{
    QTest::addColumn<controls::Resolution>("answer");
    QTest::newRow("reload") << controls::Resolution::Reload;
    QTest::newRow("overwrite") << controls::Resolution::Overwrite;
    QTest::newRow("cancel") << controls::Resolution::Cancel;
}

} // namespace testsupport
