#include "support/TestSupport.h"

#include "store/Schema.h"

#include <QDialog>
#include <QFile>
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

TestDataDir::TestDataDir(const QString &shapes)
{
    isolateSettings();
    // Fresh directory holds nothing yet, so creation cannot refuse.
    QFile::remove(m_dir.filePath(QStringLiteral("Class.db")));
    store::createDataDirectory(m_dir.path(), false);
    QFile file(m_dir.filePath(QStringLiteral("Shapes.txt")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(shapes.toUtf8());
}

namespace {

template <typename F>
void withConnection(const QString &path, F body)
{
    const QString name = QStringLiteral("testsupport");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        body(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

void TestDataDir::exec(const QString &sql, const QString &database) const
{
    withConnection(file(database), [&](QSqlDatabase &db) {
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
    withConnection(file(database), [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields.append(q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            result.append(fields.join(u'|'));
        }
    });
    return result;
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
