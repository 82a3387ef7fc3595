#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class FrmCS;
namespace store {
class ClassModule;
}

// The program's start, apart from the application object and the event
// loop that main() owns: the command line, creating a data directory, the
// checks of the data directory and the main window.
class Startup {
public:
    Startup(const QStringList &arguments, const QString &applicationDir);
    ~Startup();
    Startup(const Startup &) = delete;
    Startup &operator=(const Startup &) = delete;

    // Whether the command line asks for the main window; creating a data
    // directory, --help and --version need no display.
    static bool needsDisplay(const QStringList &arguments);

    // The exit status when the program ends here (a refusal has been shown
    // and written to stderr); nullopt when the main window is shown and the
    // event loop is to run.
    std::optional<int> run();

    // After run() returned nullopt.
    const store::ClassModule &module() const { return *m_module; }
    FrmCS &window() const { return *m_window; }

private:
    QStringList m_arguments;
    QString m_applicationDir;
    std::unique_ptr<store::ClassModule> m_module;
    std::unique_ptr<FrmCS> m_window; // refers to the module: declared after it
};
