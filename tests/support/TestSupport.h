#pragma once

#include "controls/Prompt.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>

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

    QStringList informed;   // texts of information boxes, in order
    QStringList confirmed;  // texts of questions, of every kind, in order
    QVector<bool> answers;  // answers to the next Yes/No questions
    QVector<controls::Choice> choices; // answers to the next Yes/No/Cancel questions
    QVector<controls::Resolution> resolutions; // answers to the next Reload/Overwrite/Cancel questions (none left: Cancel)
    QStringList files;      // answers to the next file dialogs (none left: cancelled)
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
// user's settings pointed at a private location too.
class TestDataDir {
public:
    // shapes: the text of Shapes.txt.
    explicit TestDataDir(const QString &shapes = QStringLiteral("Brilliant~RNDCUTSYM\r\n"));

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    // Runs SQL on Class.db (or another file of the directory) outside the program.
    void exec(const QString &sql, const QString &database = QStringLiteral("Class.db")) const;
    // Rows as text "a|b|c", in rowid order.
    QStringList rows(const QString &sql, const QString &database = QStringLiteral("Class.db")) const;

private:
    QTemporaryDir m_dir;
};

// Points QSettings at a private folder for this test process; call before
// the first QSettings is made.
void isolateSettings();

// One row per answer when another workstation saved first: column "answer".
void resolutionRows();

} // namespace testsupport

Q_DECLARE_METATYPE(controls::Resolution)
