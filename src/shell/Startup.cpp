#include "shell/Startup.h"

#include "controls/Prompt.h"
#include "controls/Twips.h"
#include "legacy/MdbFile.h"
#include "shell/Console.h"
#include "shell/FirstStart.h"
#include "shell/FrmCS.h"
#include "shell/HistoryCommands.h"
#include "shell/ImportOffer.h"
#include "shell/RuleCommands.h"
#include "shell/ServerCommands.h"
#include "store/ClassModule.h"
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/Schema.h"
#include "store/StoreCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>

namespace {

QCommandLineOption hidden(const char *name)
{
    QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("file"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

struct Options {
    QCommandLineOption dataDir{QStringLiteral("data-dir"),
                               QStringLiteral("Use the data files in <dir> (Class.db, Reports.db, OMZ2006.db, Shapes.txt; "
                                              "or server.ini naming a server that keeps the databases)."),
                               QStringLiteral("dir")};
    QCommandLineOption initEmpty{QStringLiteral("init-empty"),
                                 QStringLiteral("Create a data directory <dir> with empty tables, then exit."),
                                 QStringLiteral("dir")};
    QCommandLineOption initDemo{QStringLiteral("init-demo"),
                                QStringLiteral("Create a data directory <dir> holding the demo rule set, then exit."),
                                QStringLiteral("dir")};
    QCommandLineOption exportFile{QStringLiteral("export"),
                                  QStringLiteral("Write the rules to the CSV file <file> (all of them, or those chosen with --shape, --type and --lab), then exit."),
                                  QStringLiteral("file")};
    QCommandLineOption shape{QStringLiteral("shape"), QStringLiteral("With --export, --grade or --history: the shape."), QStringLiteral("name")};
    QCommandLineOption type{QStringLiteral("type"), QStringLiteral("With --export, --grade or --history: the type, Cut or Sym."), QStringLiteral("type")};
    QCommandLineOption lab{QStringLiteral("lab"), QStringLiteral("With --export, --grade or --history: the lab."), QStringLiteral("name")};
    QCommandLineOption grade{QStringLiteral("grade"),
                             QStringLiteral("Grade every stone of the report tables of --shape by the stored rules of --type "
                                            "and --lab, and write RID, class and the parameter that decided as CSV "
                                            "(to --out, else to standard output), then exit.")};
    QCommandLineOption out{QStringLiteral("out"), QStringLiteral("With --grade: the CSV file to write."), QStringLiteral("file")};
    QCommandLineOption importFile{QStringLiteral("import"),
                                  QStringLiteral("Read the rules in the CSV file <file> and print what importing them would do; with --yes, import them. Then exit."),
                                  QStringLiteral("file")};
    QCommandLineOption yes{QStringLiteral("yes"), QStringLiteral("With --import, --restore or --prune-history: write.")};
    QCommandLineOption history{QStringLiteral("history"),
                               QStringLiteral("Print the history of saves as CSV (all of it, or of the rules chosen with --shape, --type and --lab), then exit.")};
    QCommandLineOption since{QStringLiteral("since"), QStringLiteral("With --history: only entries saved on or after <date> (2024-05-01, UTC, or an ISO date and time)."),
                             QStringLiteral("date")};
    QCommandLineOption restore{QStringLiteral("restore"),
                               QStringLiteral("Print what restoring the version of history entry <entry> would change; with --yes, restore it as a new save. Then exit."),
                               QStringLiteral("entry")};
    QCommandLineOption pruneHistory{QStringLiteral("prune-history"),
                                    QStringLiteral("With --before: print how many history entries saved before the date would be dropped (every later version stays restorable); with --yes, drop them. Then exit.")};
    QCommandLineOption before{QStringLiteral("before"), QStringLiteral("With --prune-history: the date."), QStringLiteral("date")};
    QCommandLineOption backup{QStringLiteral("backup"),
                              QStringLiteral("Copy Class.db, OMZ2006.db and Shapes.txt into a new dated folder inside <dir>, then exit."),
                              QStringLiteral("dir")};
    QCommandLineOption importMdb{QStringLiteral("import-mdb"),
                                 QStringLiteral("Import Class.mdb and OMZ2006.mdb of the old program from <dir> into "
                                                "Class.db and OMZ2006.db (in --data-dir when given, else in <dir>), "
                                                "then exit."),
                                 QStringLiteral("dir")};
    QCommandLineOption force{QStringLiteral("force"), QStringLiteral("With --import-mdb: replace existing databases.")};
    QCommandLineOption copyToServer{QStringLiteral("copy-to-server"),
                                    QStringLiteral("Copy the rules of the data directory (Class.db, OMZ2006.db, Reports.db) "
                                                   "into the empty server stores named by <dir>/server.ini, and "
                                                   "Shapes.txt into <dir>, then exit."),
                                    QStringLiteral("dir")};
    // The child process that reads an Access file for the program.
    QCommandLineOption dumpMdb = hidden(legacy::kDumpOption);
    QCommandLineOption listMdb = hidden(legacy::kListOption);
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays help on commandline options.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays version information.")};
};

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Orvana Class keeps the rules by which polished stones are graded for cut and symmetry."));
    parser.addOptions({options.help, options.version, options.dataDir, options.initEmpty, options.initDemo,
                       options.exportFile, options.shape, options.type, options.lab, options.grade, options.out,
                       options.importFile, options.yes,
                       options.history, options.since, options.restore, options.pruneHistory, options.before,
                       options.backup, options.importMdb, options.force, options.copyToServer, options.dumpMdb,
                       options.listMdb});
}

int createDataDirectory(const QString &path, bool demo)
{
    try {
        store::createDataDirectory(path, demo);
    } catch (const store::Error &error) {
        printError(error.message());
        return 1;
    }
    std::printf("Created %s data directory %s\n", demo ? "a demo" : "an empty", qPrintable(path));
    return 0;
}

} // namespace

Startup::Startup(const QStringList &arguments, const QString &applicationDir)
    : m_arguments(arguments), m_applicationDir(applicationDir)
{
}

Startup::~Startup() = default;

bool Startup::needsDisplay(const QStringList &arguments)
{
    const Options options;
    QCommandLineParser parser;
    describe(parser, options);
    return parser.parse(arguments) && parser.positionalArguments().isEmpty()
        && !parser.isSet(options.initEmpty) && !parser.isSet(options.initDemo) && !parser.isSet(options.help)
        && !parser.isSet(options.version) && !parser.isSet(options.exportFile) && !parser.isSet(options.importFile)
        && !parser.isSet(options.backup) && !parser.isSet(options.importMdb) && !parser.isSet(options.dumpMdb)
        && !parser.isSet(options.listMdb) && !parser.isSet(options.copyToServer) && !parser.isSet(options.grade)
        && !parser.isSet(options.history) && !parser.isSet(options.restore) && !parser.isSet(options.pruneHistory);
}

std::optional<int> Startup::run()
{
    const Options options;
    QCommandLineParser parser;
    describe(parser, options);
    if (!parser.parse(m_arguments)) {
        printError(parser.errorText());
        return 1;
    }
    if (parser.isSet(options.help)) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (parser.isSet(options.version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
        return 2;
    }
    if (parser.isSet(options.initEmpty))
        return createDataDirectory(parser.value(options.initEmpty), false);
    if (parser.isSet(options.initDemo))
        return createDataDirectory(parser.value(options.initDemo), true);
    if (parser.isSet(options.dumpMdb) || parser.isSet(options.listMdb))
        return legacy::dumpMdbFile(parser.value(parser.isSet(options.dumpMdb) ? options.dumpMdb : options.listMdb),
                                   parser.isSet(options.dumpMdb));
    if (parser.isSet(options.importMdb)) {
        const store::DataDir from(parser.value(options.importMdb));
        return importLegacyCommand(from, parser.isSet(options.dataDir) ? store::DataDir(parser.value(options.dataDir)) : from,
                                   parser.isSet(options.force));
    }

    const store::DataDir dataDir = store::DataDir::resolve(parser.value(options.dataDir), m_applicationDir);
    if (parser.isSet(options.exportFile))
        return commands::exportRules(dataDir, {parser.value(options.exportFile), parser.value(options.shape),
                                               parser.value(options.type), parser.value(options.lab)});
    if (parser.isSet(options.grade))
        return commands::gradeStones(dataDir, {parser.value(options.shape), parser.value(options.type),
                                               parser.value(options.lab), parser.value(options.out)});
    if (parser.isSet(options.importFile))
        return commands::importRules(dataDir, parser.value(options.importFile), parser.isSet(options.yes));
    if (parser.isSet(options.backup))
        return commands::backUp(dataDir, parser.value(options.backup));
    if (parser.isSet(options.copyToServer))
        return copyToServerCommand(dataDir, parser.value(options.copyToServer));
    if (parser.isSet(options.history))
        return commands::printHistory(dataDir, {parser.value(options.shape), parser.value(options.type),
                                                parser.value(options.lab), parser.value(options.since)});
    if (parser.isSet(options.restore))
        return commands::restoreEntry(dataDir, parser.value(options.restore), parser.isSet(options.yes));
    if (parser.isSet(options.pruneHistory)) {
        if (!parser.isSet(options.before)) {
            printError(QStringLiteral("--prune-history needs --before DATE."));
            return 1;
        }
        return commands::pruneHistory(dataDir, parser.value(options.before), parser.isSet(options.yes));
    }

    if (!parser.isSet(options.dataDir)) {
        const FirstStart offer = offerFirstStart(dataDir);
        if (offer == FirstStart::Cancelled || offer == FirstStart::Failed)
            return 1;
    }
    controls::registerLayoutFonts();
    m_module = std::make_unique<store::ClassModule>(dataDir);
    if (offerLegacyImport(dataDir) == ImportOffer::Failed)
        return 1;
    if (!logInToServer(dataDir)) {
        printError(QStringLiteral("No password was given for the server; nothing was opened."));
        return 1;
    }
    try {
        store::checkDataDir(dataDir);
        m_window = std::make_unique<FrmCS>(*m_module);
        m_window->Form_Load();
    } catch (const store::Error &error) {
        m_window.reset();
        const QString text = QStringLiteral("Orvana Class cannot start.\n\n%1\n\nData directory: %2\n\n"
                                            "A new one can be made with: orvana-class --init-demo <dir>")
                                 .arg(error.message(), dataDir.path());
        printError(text);
        controls::inform(text);
        return 1;
    }
    m_window->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        m_window->move(screen->availableGeometry().center() - m_window->rect().center());
    m_window->show();
    const QString unsavable = store::unsavableReason(dataDir);
    if (!unsavable.isEmpty())
        controls::inform(unsavable);
    return std::nullopt;
}
