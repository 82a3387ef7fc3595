#pragma once

#include "controls/Prompt.h"
#include "store/Engine.h"
#include "store/ServerConfig.h"

#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>
#include <optional>
#include <utility>

namespace testsupport {

// Records every message box and answers confirmations from a queue
// (Yes when the queue is empty). Installed for its lifetime.
class ScriptedPrompt final : public controls::Prompt {
public:
    ScriptedPrompt();
    ~ScriptedPrompt() override;

    void inform(const QString &text) override;
    bool confirm(const QString &text) override;
    controls::Choice choose(const QString &text) override;
    controls::Resolution resolve(const QString &text) override;
    QString chooseFile(controls::FileChoice kind, const QString &caption, const QString &filter) override;
    std::optional<QString> askPassword(const QString &text) override;

    QStringList informed;   // texts of information boxes, in order
    QStringList confirmed;  // texts of questions, of every kind, in order
    QVector<bool> answers;  // answers to the next Yes/No questions
    QVector<controls::Choice> choices; // answers to the next Yes/No/Cancel questions
    QVector<controls::Resolution> resolutions; // answers to the next Reload/Overwrite/Cancel questions (none left: Cancel)
    QStringList files;      // answers to the next file dialogs (none left: cancelled)
    QStringList passwords;  // answers to the next password boxes (none left: cancelled)
    // Runs while an information box "is shown" (e.g. to inspect state).
    std::function<void(const QString &)> onInform;
};

// Runs a modal window without blocking: calls the hook with the window
// shown, then closes it.
class ScriptedModal final : public controls::ModalRunner {
public:
    ScriptedModal();
    ~ScriptedModal() override;
    int run(QDialog &dialog) override;

    std::function<void(QDialog &)> onOpen;
    QStringList opened; // window titles, in order
};

// A data directory made from the schema in a temporary folder, with the
// user's settings pointed at a private location too. Its stores are files,
// or fresh schemas on the test server when the running test's engine is the
// server (see TestServer.h).
class TestDataDir {
public:
    // shapes: the text of Shapes.txt.
    // engine: the running test's (currentEngine()) unless given.
    explicit TestDataDir(const QString &shapes = QStringLiteral("Brilliant~RNDCUTSYM\r\n"),
                         std::optional<store::Engine> engine = std::nullopt);
    ~TestDataDir();

    bool onServer() const { return m_server.has_value(); }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    // Runs SQL on Class.db (or another store of the directory, named by its
    // file) on a connection of its own, outside the program.
    void exec(const QString &sql, const QString &database = QStringLiteral("Class.db")) const;
    // Rows as text "a|b|c" (NULL as <null>; the server's own rowid column left out).
    QStringList rows(const QString &sql, const QString &database = QStringLiteral("Class.db")) const;

    // Makes every insert into table for which `when` holds (a condition on
    // NEW, or empty for all) fail with message, as a full disk would; until
    // allowInserts(table).
    void failInserts(const QString &table, const QString &when, const QString &message,
                     const QString &database = QStringLiteral("Class.db")) const;
    void allowInserts(const QString &table, const QString &database = QStringLiteral("Class.db")) const;

private:
    template <typename F>
    void withConnection(const QString &database, F body) const;

    QTemporaryDir m_dir;
    std::optional<store::ServerConfig> m_server;
};

// Runs the built program: its exit status and all it printed (-1 when it
// did not finish within a minute).
std::pair<int, QString> runProgram(const QStringList &arguments);

// The message of a start-up refused for `why`; "@DIR@" stands for the data
// directory.
QString cannotStart(const QString &why);

// Points QSettings at a private folder for this test process; call before
// the first QSettings is made.
void isolateSettings();

// One row per answer when another workstation saved first: column "answer".
void resolutionRows();

} // namespace testsupport

Q_DECLARE_METATYPE(controls::Resolution)

// In a test class whose cases read numbers: runs each of them once on a
// point and once on a comma desktop (QLocale() gives "C", then "de_DE").
#define LOCALE_ROWS                                                                                  \
    void initTestCase_data() { QTest::addColumn<QString>("locale"); QTest::newRow("point") << "C"; QTest::newRow("comma") << "de_DE"; } \
    void init() { QFETCH_GLOBAL(QString, locale); QLocale::setDefault(QLocale(locale)); }
