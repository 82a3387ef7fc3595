#include "controls/Prompt.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/Schema.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>
#include <memory>

namespace {

struct Options {
    QCommandLineOption dataDir{QStringLiteral("data-dir"),
                               QStringLiteral("Use the data files in <dir> (Class.db, Reports.db, OMZ2006.db, Shapes.txt)."),
                               QStringLiteral("dir")};
    QCommandLineOption initEmpty{QStringLiteral("init-empty"),
                                 QStringLiteral("Create a data directory <dir> with empty tables, then exit."),
                                 QStringLiteral("dir")};
    QCommandLineOption initDemo{QStringLiteral("init-demo"),
                                QStringLiteral("Create a data directory <dir> holding the demo rule set, then exit."),
                                QStringLiteral("dir")};
};

void describe(QCommandLineParser &parser, Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Orvana Class keeps the rules by which polished stones are graded for cut and symmetry."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(options.dataDir);
    parser.addOption(options.initEmpty);
    parser.addOption(options.initDemo);
}

int createDataDirectory(const QString &path, bool demo)
{
    try {
        store::createDataDirectory(path, demo);
    } catch (const store::Error &error) {
        std::fprintf(stderr, "orvana-class: %s\n", qPrintable(error.message()));
        return 1;
    }
    std::printf("Created %s data directory %s\n", demo ? "a demo" : "an empty", qPrintable(path));
    return 0;
}

// Windows offices have Tahoma and Arial; elsewhere use the metric twins that
// Debian ships (fonts-wine, fonts-liberation) so the laid-out captions fit.
void registerLayoutFonts()
{
#ifndef Q_OS_WIN
    for (const char *path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(path));
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Creating a data directory needs no display: decide before making the
    // application object.
    Options options;
    QCommandLineParser probe;
    describe(probe, options);
    probe.parse(arguments);
    const bool console = probe.isSet(options.initEmpty) || probe.isSet(options.initDemo)
        || probe.isSet(QStringLiteral("help")) || probe.isSet(QStringLiteral("version"))
        || !probe.unknownOptionNames().isEmpty() || !probe.positionalArguments().isEmpty();

    std::unique_ptr<QCoreApplication> app(console ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("orvana-class"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANA_VERSION));
    QCommandLineParser parser;
    describe(parser, options);
    parser.process(*app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "orvana-class: unexpected argument %s\n", qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    if (parser.isSet(options.initEmpty))
        return createDataDirectory(parser.value(options.initEmpty), false);
    if (parser.isSet(options.initDemo))
        return createDataDirectory(parser.value(options.initDemo), true);

    QApplication::setApplicationDisplayName(controls::kAppTitle);
    registerLayoutFonts();
    const store::DataDir dataDir =
        store::DataDir::resolve(parser.value(options.dataDir), QCoreApplication::applicationDirPath());
    store::ClassModule module(dataDir);
    FrmCS window(module);
    try {
        window.Form_Load();
    } catch (const store::Error &error) {
        const QString text = QStringLiteral("Orvana Class cannot start.\n\n%1\n\nData directory: %2\n\n"
                                            "A new one can be made with: orvana-class --init-demo <dir>")
                                 .arg(error.message(), dataDir.path());
        std::fprintf(stderr, "orvana-class: %s\n", qPrintable(text));
        QMessageBox::critical(nullptr, controls::kAppTitle, text);
        return 1;
    }
    window.adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return app->exec();
}
