// Times what the history of saves costs. With a store far larger than an
// office keeps (one lab of 200 parameters x 50 classes, 10,000 ranges, and
// 50 ordinary labs of 12 x 6):
// - a durable save of the large lab and a one-cell save of an ordinary lab,
//   each with its history entry and without (the same save, turns taken),
//   and what the store grows by per one-cell save;
// - with 100,000 entries in the history (20,000 of them one-cell saves of
//   the large lab, the longest run a version is ever rebuilt from), listing
//   a lab's entries and opening its History window, and rebuilding and
//   showing versions of the large lab there, the slowest to rebuild among
//   them.
// On SQLite files, or on a server when BENCH_SERVER_INI names a connection
// file (bench/run-on-server.sh). Exits non-zero when something it measures
// goes wrong, so a fast wrong answer never looks good.
#include "BenchSupport.h"
#include "controls/FlexGrid.h"
#include "definer/RuleSetPanel.h"
#include "history/FrmHistory.h"
#include "store/ClassModule.h"
#include "store/Database.h"
#include "store/Engine.h"
#include "store/History.h"
#include "store/LabStore.h"
#include "store/ParameterStore.h"
#include "store/RuleStore.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <functional>
#include <optional>

namespace {

using bench::die;
using bench::median;

const QString kBig = QStringLiteral("Brilliant");
const QString kOrdinary = QStringLiteral("Oval");
const QString kBigLab = QStringLiteral("Big Lab");
constexpr int kBigParams = 200, kBigClasses = 50, kLabs = 50, kParams = 12, kClasses = 6;
constexpr int kBigEntries = 20000, kEntries = 100000;
constexpr int kRuns = 15;
// A one-cell save takes a few milliseconds, most of them the disk's: many
// more turns keep its median steady.
constexpr int kSmallSaveRuns = 101;
const store::RuleTables kCut = store::RuleTables::forType(QStringLiteral("Cut"));

QString labName(int i)
{
    return QStringLiteral("Lab %1").arg(i, 2, 10, QLatin1Char('0'));
}

double since(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double timed(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    QCoreApplication::processEvents();
    return since(timer);
}

QVector<store::RangeRow> ranges(int params, int classes, int seed)
{
    QVector<store::RangeRow> rows;
    for (int p = 1; p <= params; ++p) {
        for (int k = 1; k <= classes; ++k)
            rows.append({k, QStringLiteral("Param %1").arg(p), QString::number((p * 37 + k * 11 + seed) % 900 / 10.0),
                         QString::number((p * 17 + k * 5 + seed) % 900 / 10.0 + 1), (p + k) % 3 == 0,
                         QStringLiteral("Class %1").arg(k), QStringLiteral("F%1").arg(p), (p + 2 * k) % 4 == 0});
    }
    return rows;
}

QStringList classNames(int classes)
{
    QStringList names;
    for (int k = 1; k <= classes; ++k)
        names.append(QStringLiteral("Class %1").arg(k));
    return names;
}

QVector<store::Parameter> parameters(int count)
{
    QVector<store::Parameter> list;
    for (int p = 1; p <= count; ++p)
        list.append({QStringLiteral("Param %1").arg(p), QStringLiteral("F%1").arg(p)});
    return list;
}

void run(const std::function<void()> &step, const QString &what)
{
    try {
        step();
    } catch (const store::Error &error) {
        die(QStringLiteral("%1: %2").arg(what, error.message()));
    }
}

// The rules as a store made before the history began holds them.
void fillRules(const QSqlDatabase &db)
{
    store::setHistoryRecording(false);
    store::saveParameters(db, kCut, kBig, parameters(kBigParams));
    store::saveParameters(db, kCut, kOrdinary, parameters(kParams));
    const store::RuleStore rules(db, kCut);
    const store::LabStore labs(db);
    labs.create(kBig, kBigLab, QStringLiteral("the large lab"));
    const QVector<store::RangeRow> big = ranges(kBigParams, kBigClasses, 0);
    const QStringList bigClasses = classNames(kBigClasses);
    rules.saveRuleSet({kBig, kBigLab}, &big, &bigClasses, nullptr, nullptr);
    for (int i = 1; i <= kLabs; ++i) {
        labs.create(kOrdinary, labName(i), QStringLiteral("an ordinary lab"));
        const QVector<store::RangeRow> rows = ranges(kParams, kClasses, i);
        const QStringList names = classNames(kClasses);
        rules.saveRuleSet({kOrdinary, labName(i)}, &rows, &names, nullptr, nullptr);
    }
    store::setHistoryRecording(true);
}

// One-cell changes recorded straight through the history, as saves record
// them, without rewriting the rule tables each time; the rows stored last
// are written once at the end, unrecorded, so that rules and history agree.
void recordOneCellSaves(const QSqlDatabase &db, const store::HistoryScope &scope, int count)
{
    store::Parts parts = store::storedParts(db, scope);
    const int batch = 500;
    for (int done = 0; done < count; done += batch) {
        store::Transaction transaction(db);
        for (int i = done; i < qMin(count, done + batch); ++i) {
            const store::Parts before = parts; // shared until the change below copies
            store::Rows &rows = parts[2];
            rows[(i * 7919) % rows.size()][4] = QStringLiteral("%1").arg(i % 997 / 10.0);
            store::recordChange(db, scope, store::history::kSave, before, parts);
        }
        transaction.commit();
    }
    const store::Rows &rows = parts[2];
    store::setHistoryRecording(false);
    QVector<store::RangeRow> written;
    for (const store::Row &r : rows)
        written.append({int(r[2].toLongLong()), r[3].toString(), r[4].toString(), r[5].toString(), r[6].toLongLong() != 0,
                        r[7].toString(), r[8].toString(), r[9].toLongLong() != 0});
    store::RuleStore(db, kCut).saveRanges({scope.shape, scope.lab}, written);
    store::setHistoryRecording(true);
}

struct Line {
    QString what;
    double value;
    QString unit;
    std::optional<double> target;
};

class Bench {
public:
    Bench(store::ClassModule &module, bool onServer) : m_module(module), m_onServer(onServer) {}

    QVector<Line> lines;

    void saves()
    {
        // The same save with its entry and without, in turns, so that the
        // machine's drift hits both alike. Each changes one value.
        const store::RuleStore rules(db(), kCut);
        for (const auto &[shape, lab, budget] :
             {std::tuple{kBig, kBigLab, 0.0}, std::tuple{kOrdinary, labName(7), 1.0}}) {
            QVector<store::RangeRow> rows;
            store::Fingerprint seen;
            run([&] { rules.ranges({shape, lab}, &seen); }, QStringLiteral("load"));
            run([&] { rows = rules.storedRanges({shape, lab}); }, QStringLiteral("load"));
            std::vector<double> with, without;
            const int runs = lab == kBigLab ? kRuns : kSmallSaveRuns;
            for (int i = 0; i < 2 * runs; ++i) {
                // Without a history entry the rows go back unchanged: a
                // change the history did not see would be recorded by the
                // next save as made outside the program.
                const bool recorded = i % 2 == 0;
                if (recorded)
                    rows[(i * 31) % rows.size()].min = QStringLiteral("%1").arg(i);
                store::setHistoryRecording(recorded);
                (recorded ? with : without).push_back(timed([&] {
                    run([&] { rules.saveRanges({shape, lab}, rows, &seen); }, QStringLiteral("save"));
                }));
            }
            store::setHistoryRecording(true);
            const bool big = lab == kBigLab;
            const QString name = big ? QStringLiteral("save large lab (10,000)") : QStringLiteral("one-cell save, ordinary lab");
            lines.append({name + QStringLiteral(", no history"), median(without), QStringLiteral("ms"), std::nullopt});
            lines.append({name + QStringLiteral(", recorded"), median(with), QStringLiteral("ms"), std::nullopt});
            if (big)
                lines.append({QStringLiteral("  recording adds"), 100.0 * (median(with) / median(without) - 1), QStringLiteral("%"), 10.0});
            else
                lines.append({QStringLiteral("  recording adds"), median(with) - median(without), QStringLiteral("ms"), budget});
        }
    }

    void growth()
    {
        const store::RuleStore rules(db(), kCut);
        const store::Scope lab{kOrdinary, labName(9)};
        QVector<store::RangeRow> rows = rules.storedRanges(lab);
        const qint64 before = storeBytes();
        const int saves = 400;
        for (int i = 0; i < saves; ++i) {
            rows[(i * 13) % rows.size()].max = QStringLiteral("%1.5").arg(i % 90);
            run([&] { rules.saveRanges(lab, rows); }, QStringLiteral("growth save"));
        }
        lines.append({QStringLiteral("store growth per one-cell save"), double(storeBytes() - before) / saves,
                      QStringLiteral("bytes"), 1024.0});
    }

    void historyWindow()
    {
        const store::HistoryScope big = store::HistoryScope::ofLab(kCut, {kBig, kBigLab});
        const store::HistoryScope ordinary = store::HistoryScope::ofLab(kCut, {kOrdinary, labName(3)});
        int total = 0;
        run([&] { total = int(store::historyEntries(db()).size()); }, QStringLiteral("count"));
        if (total < kEntries)
            die(QStringLiteral("the history holds %1 entries, not %2").arg(total).arg(kEntries));
        for (const auto &[scope, name] : {std::pair{big, QStringLiteral("large")}, std::pair{ordinary, QStringLiteral("ordinary")}}) {
            std::vector<double> list;
            int listed = 0;
            for (int i = 0; i < kRuns; ++i) {
                history::HistoryModel model(false);
                list.push_back(timed([&] {
                    store::HistoryFilter filter;
                    filter.scope = scope;
                    model.setEntries(store::historyEntries(db(), filter));
                }));
                listed = model.rowCount();
            }
            lines.append({QStringLiteral("list %1 lab's %2 entries").arg(name).arg(listed), median(list), QStringLiteral("ms"), 100.0});
        }
        std::vector<double> open;
        for (int i = 0; i < 5; ++i) {
            open.push_back(timed([&] {
                history::FrmHistory window(db(), big);
                window.show();
                QCoreApplication::processEvents();
            }));
        }
        lines.append({QStringLiteral("open large lab's History window"), median(open), QStringLiteral("ms"), std::nullopt});
        versions(big);
    }

private:
    QSqlDatabase db() const { return m_module.mainDb(); }

    // Versions spread over the large lab's history, and those rebuilt from
    // the longest run of changes: the entries just before a whole copy.
    void versions(const store::HistoryScope &scope)
    {
        history::FrmHistory window(db(), scope);
        window.show();
        QCoreApplication::processEvents();
        const int rows = window.List->model()->rowCount();
        QVector<int> chosen;
        for (int k = 0; k < 12; ++k)
            chosen.append(k * (rows - 1) / 11);
        Checkpoints checkpoints(db());
        for (int row = 0; row < rows; ++row) {
            const store::HistoryEntry *entry = static_cast<history::HistoryModel *>(window.List->model())->entry(row);
            if (checkpoints.isCheckpoint(entry->number + 1) && chosen.size() < 20)
                chosen.append(row);
        }
        std::vector<double> shown;
        double slowest = 0;
        for (int row : chosen) {
            window.List->clearSelection();
            const double ms = timed([&] { window.List->selectRow(row); });
            shown.push_back(ms);
            slowest = qMax(slowest, ms);
            if (window.panel->msf->rows() != 2 + kBigParams || window.Caption->text().contains(QLatin1String("damaged")))
                die(QStringLiteral("version at row %1 was not shown: %2").arg(row).arg(window.Caption->text()));
        }
        lines.append({QStringLiteral("rebuild+show version, median of %1").arg(shown.size()), median(shown), QStringLiteral("ms"), 300.0});
        lines.append({QStringLiteral("rebuild+show version, slowest"), slowest, QStringLiteral("ms"), 300.0});
    }

    // Entries that keep their scope's whole version.
    class Checkpoints {
    public:
        explicit Checkpoints(const QSqlDatabase &db)
        {
            QSqlQuery q = store::run(db, QStringLiteral("SELECT Entry FROM History WHERE Base IS NOT NULL"));
            while (q.next())
                m_entries.insert(q.value(0).toLongLong());
        }
        bool isCheckpoint(qint64 entry) const { return m_entries.contains(entry); }

    private:
        QSet<qint64> m_entries;
    };

    qint64 storeBytes() const
    {
        if (!m_onServer) {
            QSqlQuery q = store::run(db(), QStringLiteral("SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()"));
            return q.next() ? q.value(0).toLongLong() : 0;
        }
        // The rule tables keep dead rows of every save until the server
        // vacuums them, history or not: the history's own table is what it
        // adds.
        QSqlQuery q = store::run(db(), QStringLiteral("SELECT pg_catalog.pg_total_relation_size('history')"));
        return q.next() ? q.value(0).toLongLong() : 0;
    }

    store::ClassModule &m_module;
    bool m_onServer;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::RecordingPrompt prompt; // a message is a failure, not a box to wait on
    controls::Prompt::install(&prompt);
    QTemporaryDir tmp;
    if (!tmp.isValid())
        die(QStringLiteral("no temporary directory"));
    const QString dataDir = tmp.filePath(QStringLiteral("data"));
    QElapsedTimer fill;
    fill.start();
    run([&] { store::createDataDirectory(dataDir, false); }, QStringLiteral("data directory"));
    {
        store::ClassModule module{store::DataDir(dataDir)};
        run([&] { module.OpenDatabases(); }, QStringLiteral("open"));
        const QSqlDatabase db = module.mainDb();
        run([&] { fillRules(db); }, QStringLiteral("rules"));
        // 20,000 saves of the large lab, the rest over the ordinary labs.
        run([&] { recordOneCellSaves(db, store::HistoryScope::ofLab(kCut, {kBig, kBigLab}), kBigEntries); },
            QStringLiteral("large lab's history"));
        for (int i = 1; i <= kLabs; ++i) {
            run([&] { recordOneCellSaves(db, store::HistoryScope::ofLab(kCut, {kOrdinary, labName(i)}), (kEntries - kBigEntries) / kLabs); },
                QStringLiteral("ordinary labs' history"));
        }
    }
    std::printf("data directory built in %.0f s: large lab %d x %d, %d labs of %d x %d, %d history entries; Class.db %.1f MB\n",
                since(fill) / 1000, kBigParams, kBigClasses, kLabs, kParams, kClasses, kEntries,
                double(QFileInfo(store::DataDir(dataDir).file(QString::fromLatin1(store::kClassDb))).size()) / 1e6);

    const QString serverIni = qEnvironmentVariable("BENCH_SERVER_INI");
    const bool onServer = !serverIni.isEmpty();
    const QString benchDir = onServer ? bench::moveToServer(dataDir, serverIni, tmp.filePath(QStringLiteral("server"))) : dataDir;
    std::printf("engine: %s\n\n", onServer ? "PostgreSQL server" : "SQLite");
    store::ClassModule module{store::DataDir(benchDir)};
    run([&] { module.OpenDatabases(); }, QStringLiteral("open"));
    Bench bench(module, onServer);
    bench.historyWindow();
    bench.saves();
    bench.growth();
    if (!prompt.informed.isEmpty())
        die(QStringLiteral("a message was shown: %1").arg(prompt.informed.join(QStringLiteral(" / "))));

    std::printf("%-44s %10s %6s %10s\n", "measure", "value", "", "target");
    std::printf("%s\n", QByteArray(76, '-').constData());
    bool over = false;
    for (const Line &line : bench.lines) {
        const bool ok = !line.target || line.value <= *line.target;
        over = over || !ok;
        const QByteArray target = line.target ? "<= " + QByteArray::number(*line.target, 'f', 0) : QByteArray("-");
        std::printf("%-44s %10.2f %-6s %10s %s\n", qPrintable(line.what), line.value, qPrintable(line.unit), target.constData(),
                    !line.target ? "" : ok ? "ok" : "OVER");
    }
    std::printf("\nsaves: median of %d (large lab) and %d (one cell) each, with and without recording in turns; "
                "ok/OVER judge the medians.\n%s\n", kRuns, kSmallSaveRuns,
                over ? "Some measures are over budget." : "Every measure is within budget.");
    return 0;
}
