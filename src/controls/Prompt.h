#pragma once

#include <QString>
#include <optional>

class QDialog;

namespace controls {

// The title of every message box.
inline const QString kAppTitle = QStringLiteral("Orvana Class");

enum class Choice { Yes, No, Cancel };
enum class FileChoice { Open, Save, Folder };
// What to do when another workstation saved the same rules first.
enum class Resolution { Reload, Overwrite, Cancel };

// The only way any code shows a message box. The program installs message
// boxes; tests install a scripted prompt that records and answers.
class Prompt {
public:
    virtual ~Prompt() = default;
    // Information icon, OK button.
    virtual void inform(const QString &text) = 0;
    // Question icon, Yes and No buttons; true for Yes.
    virtual bool confirm(const QString &text) = 0;
    // Question icon, Yes, No and Cancel buttons. A prompt without a Cancel
    // answers as confirm() does.
    virtual Choice choose(const QString &text) { return confirm(text) ? Choice::Yes : Choice::No; }
    // Warning icon, buttons "Reload", "Overwrite" and "Cancel" (the default,
    // and Escape). A prompt that cannot ask cancels: nothing is lost.
    virtual Resolution resolve(const QString & /*text*/) { return Resolution::Cancel; }
    // A file to open or save, or a folder; empty when the user cancels. A
    // prompt that shows no file dialogs cancels.
    virtual QString chooseFile(FileChoice, const QString & /*caption*/, const QString & /*filter*/) { return {}; }
    // A password typed into a box that hides it; nothing when the user
    // cancels. A prompt that shows no boxes cancels.
    virtual std::optional<QString> askPassword(const QString & /*text*/) { return std::nullopt; }

    static Prompt &current();
    // Takes no ownership; nullptr restores the message boxes.
    static void install(Prompt *prompt);
};

void inform(const QString &text);
bool confirm(const QString &text);
Choice choose(const QString &text);
Resolution resolve(const QString &text);
QString chooseFile(FileChoice kind, const QString &caption, const QString &filter = {});
std::optional<QString> askPassword(const QString &text);

// Opens a window modally. Tests replace it to drive the window themselves.
class ModalRunner {
public:
    virtual ~ModalRunner() = default;
    virtual int run(QDialog &dialog) = 0;

    static ModalRunner &current();
    static void install(ModalRunner *runner);
};

int openModal(QDialog &dialog);

} // namespace controls
