// Times the class definer on a data directory far larger than an office
// keeps: one lab of 200 parameters x 50 classes (10,000 ranges) among 50
// ordinary labs of 12 x 6. Drives the real main window offscreen, painting
// included, and prints median and worst time of each operation against its
// budget. Exits non-zero when an operation reports an error or leaves the
// data in a state it should not, so a fast wrong answer never looks good.
#include "BenchSupport.h"
#include "controls/CellEditor.h"
#include "controls/EditHistory.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "controls/FlexGrid.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/LabStore.h"
#include "store/RuleStore.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/ServerCopy.h"
#include "store/Sql.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

namespace {

using bench::die;
using bench::median;
using bench::moveToServer;
using bench::RecordingPrompt;

const QString kShape = QStringLiteral("Brilliant");
const QString kBigLab = QStringLiteral("Z Big Lab"); // sorts after "Lab 01", so start-up shows an ordinary lab
const QString kSmallShape = QStringLiteral("Oval");
const QStringList kSmallShapeLabs = {QStringLiteral("Oval Lab A"), QStringLiteral("Oval Lab B")};
constexpr int kBigParams = 200;
constexpr int kBigClasses = 50;
constexpr int kOrdinaryLabs = 50;
constexpr int kOrdinaryParams = 12;
constexpr int kOrdinaryClasses = 6;
constexpr int kRuns = 15;
constexpr int kStartRuns = 7;

QString ordinaryLab(int i)
{
    return QStringLiteral("Lab %1").arg(i, 2, 10, QLatin1Char('0'));
}

QString paramName(int id)
{
    return QStringLiteral("Param %1").arg(id);
}

QString className(int serial)
{
    return QStringLiteral("Class %1").arg(serial);
}

// Range texts as typed in the office: two decimals, a few whole numbers.
QString rangeText(int a, int b)
{
    const int v = (a * 37 + b * 11) % 900;
    return v % 7 == 0 ? QString::number(v / 10) : QString::number(v / 100.0, 'f', 2);
}

void exec(QSqlQuery &q)
{
    if (!q.exec())
        die(QStringLiteral("filling Class.db: %1").arg(q.lastError().text()));
}

// Rows go straight in through our own connection, one transaction; the
// connection is gone before the window opens the file.
void fillClassDb(const QString &path)
{
    const QString connection = QStringLiteral("bench-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open() || !db.transaction())
            die(QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text()));

        auto prepared = [&db](const QString &sql) {
            QSqlQuery q(db);
            if (!q.prepare(sql))
                die(QStringLiteral("prepare %1: %2").arg(sql, q.lastError().text()));
            return q;
        };
        auto addParams = [&](const QString &table, const QString &shape, int count, const QString &prefix) {
            QSqlQuery q = prepared(QStringLiteral("INSERT INTO %1 (Shape, ID, Parameters, Display_Name) VALUES (?, ?, ?, ?)")
                                       .arg(table));
            for (int id = 1; id <= count; ++id) {
                q.bindValue(0, shape);
                q.bindValue(1, id);
                q.bindValue(2, prefix + QString::number(id));
                q.bindValue(3, paramName(id));
                exec(q);
            }
        };
        addParams(QStringLiteral("CutPara"), kShape, kBigParams, QStringLiteral("F"));
        addParams(QStringLiteral("SymPara"), kShape, kOrdinaryParams, QStringLiteral("S"));
        addParams(QStringLiteral("CutPara"), kSmallShape, kOrdinaryParams, QStringLiteral("F"));

        auto addLab = [&](const QString &type, const QString &shape, const QString &lab, int params, int classes) {
            QSqlQuery labRow = prepared(QStringLiteral("INSERT INTO %1Lab (Shape, Lab, Description) VALUES (?, ?, ?)").arg(type));
            labRow.bindValue(0, shape);
            labRow.bindValue(1, lab);
            labRow.bindValue(2, QStringLiteral("Rules of %1").arg(lab));
            exec(labRow);
            QSqlQuery classRow = prepared(QStringLiteral("INSERT INTO %1 (Shape, Lab, Serial, Class) VALUES (?, ?, ?, ?)").arg(type));
            for (int s = 0; s < classes; ++s) {
                classRow.bindValue(0, shape);
                classRow.bindValue(1, lab);
                classRow.bindValue(2, s);
                classRow.bindValue(3, className(s + 1));
                exec(classRow);
            }
            QSqlQuery data = prepared(QStringLiteral("INSERT INTO %1Data (Shape, Lab, serial, cPara, cMin, cMax, include, "
                                                     "Class, Parameters, Show) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                          .arg(type));
            for (int p = 1; p <= params; ++p) {
                for (int s = 1; s <= classes; ++s) {
                    data.bindValue(0, shape);
                    data.bindValue(1, lab);
                    data.bindValue(2, s);
                    data.bindValue(3, paramName(p));
                    data.bindValue(4, rangeText(p, s));
                    data.bindValue(5, rangeText(p + 3, s + 5));
                    data.bindValue(6, int((p + s) % 3 == 0));
                    data.bindValue(7, className(s));
                    data.bindValue(8, (type == QLatin1String("Cut") ? QStringLiteral("F") : QStringLiteral("S"))
                                          + QString::number(p));
                    data.bindValue(9, int((p + 2 * s) % 4 == 0));
                    exec(data);
                }
            }
        };
        addLab(QStringLiteral("Cut"), kShape, kBigLab, kBigParams, kBigClasses);
        for (int i = 1; i <= kOrdinaryLabs; ++i)
            addLab(QStringLiteral("Cut"), kShape, ordinaryLab(i), kOrdinaryParams, kOrdinaryClasses);
        addLab(QStringLiteral("Sym"), kShape, QStringLiteral("Sym Lab"), kOrdinaryParams, kOrdinaryClasses);
        // A shape whose parameter list is itself ordinary, so a lab fills a
        // grid of only 12 x 6 (on Brilliant every lab shows all 200 rows).
        for (const QString &lab : kSmallShapeLabs)
            addLab(QStringLiteral("Cut"), kSmallShape, lab, kOrdinaryParams, kOrdinaryClasses);

        if (!db.commit())
            die(QStringLiteral("commit: %1").arg(db.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

void buildDataDirectory(const QString &path)
{
    try {
        store::createDataDirectory(path, false);
    } catch (const store::Error &error) {
        die(error.message());
    }
    QFile shapes(store::DataDir(path).file(QString::fromLatin1(store::kShapesFile)));
    if (!shapes.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || shapes.write("Brilliant~RNDCUTSYM\r\nOval~OVLCUTSYM\r\n") < 0)
        die(QStringLiteral("cannot write Shapes.txt"));
    shapes.close();
    fillClassDb(store::DataDir(path).file(QString::fromLatin1(store::kClassDb)));
}

// Counts paints of the grid, to show that a timed step really drew it.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

struct Result {
    Result(const QString &name, std::optional<double> budget) : operation(name), target(budget) {}

    QString operation;
    std::vector<double> ms;
    std::optional<double> target; // none: reported only
    int gridPaints = 0;
    std::vector<double> cpuMs; // this thread's CPU time: what the step costs when it has the machine to itself
};

double since(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// CPU time of the calling thread in ms; negative where there is no such clock.
double threadCpuMs()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    if (getrusage(RUSAGE_THREAD, &usage) == 0) {
        auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
        return ms(usage.ru_utime) + ms(usage.ru_stime);
    }
#endif
    return -1;
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "n/a";
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() >= 3 ? fields[0] + ' ' + fields[1] + ' ' + fields[2] : QByteArray("n/a");
}

// The offscreen platform warns on every window shown; that says nothing here.
QtMessageHandler g_previousHandler = nullptr;

void quietOffscreenWarnings()
{
    g_previousHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context,
                                                  const QString &message) {
        if (message.contains(QLatin1String("does not support propagateSizeHints")))
            return;
        if (g_previousHandler)
            g_previousHandler(type, context, message);
    });
}

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Where the data is kept: SQLite files, or a PostgreSQL server when
// BENCH_SERVER_INI names a connection file (its three schemas must be empty;
// bench/run-on-server.sh makes a throwaway server for this).
bool g_onServer = false;

// The budget of an operation on each engine: a server adds a round trip
// per statement.
double budget(double sqlite, double server)
{
    return g_onServer ? server : sqlite;
}

class Bench {
public:
    explicit Bench(const QString &dataDir) : m_dataDir(dataDir) {}

    void run()
    {
        if (qEnvironmentVariableIsSet("BENCH_PROFILE_LAB_SWITCH")) {
            // For a profiler: nothing but lab switches, on the large lab or
            // ("small") between the two labs of the 12-parameter shape.
            openWindow();
            const bool small = qgetenv("BENCH_PROFILE_LAB_SWITCH") == "small";
            if (small) {
                d()->cShape->setCurrentIndex(d()->cShape->findText(kSmallShape));
                d()->cShape_Click();
            }
            for (int i = 0; i < (small ? 3000 : 200); ++i) {
                selectLab(small ? kSmallShapeLabs[i % 2] : kBigLab);
                settle();
                if (!small) {
                    selectLab(ordinaryLab(1 + i % kOrdinaryLabs));
                    settle();
                }
            }
            std::exit(0);
        }
        startUp();
        openWindow();
        labSwitches();
        loadingComparison();
        typeSwitches();
        saves();
        smallShape();
        applyClasses();
        copyLargeLab();
        pasteColumn();
        m_window.reset();
        m_module.reset();
    }

    std::vector<Result> results;
    QStringList ratios;
    int ordinarySaveRows = 0;

private:
    definer::ClassDefiner *d() const { return m_window->definer; }

    void expectQuiet(const QString &operation)
    {
        if (!m_prompt.informed.isEmpty())
            die(QStringLiteral("%1 showed a message: %2").arg(operation, m_prompt.informed.join(QStringLiteral(" / "))));
    }

    void expectGrid(const QString &operation, int params, int classes)
    {
        const controls::FlexGrid *grid = d()->panel->msf;
        if (grid->rows() != 2 + params || grid->cols() != 1 + 2 * classes || d()->panel->LCname->count() != classes)
            die(QStringLiteral("%1: grid shows %2 rows x %3 columns, %4 classes; expected %5 parameters x %6 classes")
                    .arg(operation)
                    .arg(grid->rows())
                    .arg(grid->cols())
                    .arg(d()->panel->LCname->count())
                    .arg(params)
                    .arg(classes));
    }

    int storedRanges(const QString &lab)
    {
        QSqlQuery q(m_module->mainDb());
        q.prepare(QStringLiteral("SELECT count(*) FROM CutData WHERE Shape = ? AND Lab = ?"));
        q.addBindValue(kShape);
        q.addBindValue(lab);
        if (!q.exec() || !q.next())
            die(QStringLiteral("count of %1: %2").arg(lab, q.lastError().text()));
        return q.value(0).toInt();
    }

    // Times one step; the step ends once pending events, painting included,
    // are handled.
    void timed(Result &result, const std::function<void()> &step)
    {
        const int before = m_paints.paints;
        const double cpu = threadCpuMs();
        QElapsedTimer timer;
        timer.start();
        step();
        QCoreApplication::processEvents();
        result.ms.push_back(since(timer));
        result.cpuMs.push_back(threadCpuMs() - cpu);
        result.gridPaints += m_paints.paints - before;
    }

    void selectLab(const QString &lab)
    {
        const int index = d()->LabList->findText(lab, Qt::MatchExactly);
        if (index < 0)
            die(QStringLiteral("lab %1 is not listed").arg(lab));
        d()->LabList->setCurrentIndex(index);
        d()->LabList_Click();
    }

    void selectType(const QString &type)
    {
        d()->pCut->setCurrentIndex(d()->pCut->findText(type));
        d()->pCut_Click();
    }

    void settle() { QCoreApplication::processEvents(); }

    void startUp()
    {
        Result r{QStringLiteral("start-up to first grid"), 500.0};
        for (int i = 0; i < kStartRuns; ++i) {
            const double cpu = threadCpuMs();
            QElapsedTimer timer;
            timer.start();
            auto module = std::make_unique<store::ClassModule>(store::DataDir(m_dataDir));
            auto window = std::make_unique<FrmCS>(*module);
            PaintCounter counter;
            window->definer->panel->msf->viewport()->installEventFilter(&counter);
            try {
                window->Form_Load();
            } catch (const store::Error &error) {
                die(QStringLiteral("start-up: %1").arg(error.message()));
            }
            window->show();
            QCoreApplication::processEvents();
            r.ms.push_back(since(timer));
            r.cpuMs.push_back(threadCpuMs() - cpu);
            r.gridPaints += counter.paints;
            window->definer->panel->msf->viewport()->removeEventFilter(&counter);
            m_window = std::move(window);
            m_module = std::move(module);
            expectQuiet(r.operation);
            if (d()->lab() != ordinaryLab(1))
                die(QStringLiteral("start-up selected %1, not %2").arg(d()->lab(), ordinaryLab(1)));
            expectGrid(r.operation, kBigParams, kOrdinaryClasses);
            m_window.reset();
            m_module.reset();
        }
        results.push_back(r);
    }

    void openWindow()
    {
        m_module = std::make_unique<store::ClassModule>(store::DataDir(m_dataDir));
        m_window = std::make_unique<FrmCS>(*m_module);
        m_window->definer->panel->msf->viewport()->installEventFilter(&m_paints);
        m_window->Form_Load();
        m_window->show();
        settle();
    }

    void labSwitches()
    {
        Result big{QStringLiteral("switch to large lab"), budget(20.0, 50.0)};
        Result ordinary{QStringLiteral("switch to ordinary lab"), budget(5.0, 10.0)};
        Result leave{QStringLiteral("large lab -> ordinary lab"), std::nullopt};
        for (int i = 0; i < kRuns; ++i) {
            // Ordinary to ordinary: the cost of an ordinary lab alone.
            selectLab(ordinaryLab(1 + i % kOrdinaryLabs));
            settle();
            const QString next = ordinaryLab(2 + i % (kOrdinaryLabs - 1));
            timed(ordinary, [&] { selectLab(next); });
            expectGrid(ordinary.operation, kBigParams, kOrdinaryClasses);
            timed(big, [&] { selectLab(kBigLab); });
            expectGrid(big.operation, kBigParams, kBigClasses);
            timed(leave, [&] { selectLab(ordinaryLab(1)); });
            expectGrid(leave.operation, kBigParams, kOrdinaryClasses);
            expectQuiet(QStringLiteral("lab switch"));
        }
        results.push_back(big);
        results.push_back(ordinary);
        results.push_back(leave);

        // The range checks of a whole ordinary lab, every row, not only those
        // in view (which is all a switch asks for).
        Result checks{QStringLiteral("range checks, ordinary lab"), 1.0};
        selectLab(ordinaryLab(5));
        settle();
        controls::FlexGrid *grid = d()->panel->msf;
        for (int i = 0; i < kRuns; ++i) {
            grid->setRedraw(false); // the checks alone, not the repaint they ask for
            const double cpu = threadCpuMs();
            QElapsedTimer timer;
            timer.start();
            grid->refreshNotes();
            for (int r = 2; r < grid->rows(); ++r)
                (void)grid->cellNote(r, 1);
            checks.ms.push_back(since(timer));
            checks.cpuMs.push_back(threadCpuMs() - cpu);
            grid->setRedraw(true);
            settle();
        }
        results.push_back(checks);
    }

    // The same lab read the way the old program read it: its class list,
    // then one query per parameter and class, values spliced into the text
    // (the bench names hold no quote). Only to compare against.
    void loadTheOldWay(const QString &lab, QStringList &cells)
    {
        const QSqlDatabase db = m_module->mainDb();
        const QString scope = QStringLiteral(" and Lab='%1' and shape='%2'").arg(lab, kShape);
        QSqlQuery q(db);
        q.exec(QStringLiteral("Select Class from Cut where Lab='%1' and shape='%2' order by serial").arg(lab, kShape));
        int classes = 0;
        while (q.next())
            ++classes;
        QSqlQuery params(db);
        params.exec(QStringLiteral("Select * from CutPara  where Shape='%1' order by ID").arg(kShape));
        QStringList names;
        while (params.next())
            names << params.value(QStringLiteral("Display_Name")).toString();
        cells.clear();
        for (const QString &para : names) {
            for (int j = 0; j < classes; ++j) {
                QSqlQuery range(db);
                range.exec(QStringLiteral("Select * from CutData where cPara='%1'and serial=%2").arg(para).arg(j + 1) + scope);
                if (range.next())
                    cells << range.value(4).toString() << range.value(5).toString();
                else
                    cells << QString() << QString();
            }
        }
    }

    // The loading alone, old way against this program's, on the same data.
    void loadingComparison()
    {
        for (const auto &[lab, name] : {std::pair{kBigLab, QStringLiteral("large")},
                                        std::pair{ordinaryLab(3), QStringLiteral("ordinary")}}) {
            Result now{QStringLiteral("load %1 lab: one query").arg(name), std::nullopt};
            Result old{QStringLiteral("load %1 lab: old way").arg(name), std::nullopt};
            Result withFingerprint{QStringLiteral("  same, with fingerprint"), std::nullopt};
            const store::RuleStore rules(m_module->mainDb(), store::RuleTables::forType(QStringLiteral("Cut")));
            QStringList cells;
            int found = 0;
            for (int i = 0; i < kRuns; ++i) {
                timed(now, [&] {
                    const QStringList classes = rules.classes({kShape, lab});
                    found = rules.ranges({kShape, lab}).size() + int(classes.size()) * 0;
                });
                timed(withFingerprint, [&] {
                    store::Fingerprint seen;
                    const QStringList classes = rules.classes({kShape, lab});
                    found = rules.ranges({kShape, lab}, &seen).size() + int(classes.size()) * 0;
                });
                // Seconds a run on the large lab: three say enough. The old
                // program read files only; on a server it takes minutes.
                if (i < 3 && !g_onServer)
                    timed(old, [&] { loadTheOldWay(lab, cells); });
            }
            if (g_onServer) {
                results.push_back(now);
                results.push_back(withFingerprint);
                continue;
            }
            const int oldFound = int(std::count_if(cells.begin(), cells.end(), [](const QString &c) { return !c.isEmpty(); })) / 2;
            if (found != oldFound && name == QLatin1String("large"))
                die(QStringLiteral("the two ways found %1 and %2 ranges").arg(found).arg(oldFound));
            ratios.append(QStringLiteral("%1 lab: the old way takes %2 times as long")
                              .arg(name)
                              .arg(median(old.ms) / median(now.ms), 0, 'f', 0));
            results.push_back(now);
            results.push_back(withFingerprint);
            results.push_back(old);
        }
    }

    void typeSwitches()
    {
        Result toSym{QStringLiteral("type switch Cut -> Sym"), std::nullopt};
        Result toCut{QStringLiteral("type switch Sym -> Cut"), std::nullopt};
        for (int i = 0; i < kRuns; ++i) {
            timed(toSym, [&] { selectType(QStringLiteral("Sym")); });
            expectGrid(toSym.operation, kOrdinaryParams, kOrdinaryClasses);
            timed(toCut, [&] { selectType(QStringLiteral("Cut")); });
            expectGrid(toCut.operation, kBigParams, kOrdinaryClasses);
            expectQuiet(QStringLiteral("type switch"));
        }
        results.push_back(toSym);
        results.push_back(toCut);
    }

    void saves()
    {
        Result big{QStringLiteral("save large lab (10,000)"), budget(200.0, 300.0)};
        // The same save without the comparison with what is stored (as the
        // command line saves), run in turn with the checked one so that the
        // machine's drift hits both alike: the difference is the fingerprint.
        Result unchecked{QStringLiteral("  same, unchecked"), std::nullopt};
        Result fingerprint{QStringLiteral("  fingerprint, one read"), std::nullopt};
        // The hash alone, fed the grid's 10,000 rows from memory: what the
        // read above spends besides SQLite's own work.
        Result hashing{QStringLiteral("  fingerprint, hashing only"), std::nullopt};
        selectLab(kBigLab);
        settle();
        const store::RuleStore rules(m_module->mainDb(), store::RuleTables::forType(QStringLiteral("Cut")));
        const store::Scope scope{kShape, kBigLab};
        for (int i = 0; i < kRuns; ++i) {
            timed(big, [&] { d()->MnuSave_Click(); });
            timed(unchecked, [&] {
                d()->panel->editor()->commitPending();
                rules.saveRanges(scope, d()->panel->gridRanges());
                d()->panel->markGridSaved();
            });
            // On a server every save writes new row versions, so the
            // window's fingerprint is stale after a save it did not make.
            if (g_onServer) {
                selectLab(ordinaryLab(1));
                selectLab(kBigLab);
                settle();
            }
            timed(fingerprint, [&] { store::fingerprintOf(m_module->mainDb(), {rules.rangeRows(scope)}); });
        }
        const QVector<store::RangeRow> grid = d()->panel->gridRanges();
        for (int i = 0; i < kRuns; ++i)
            timed(hashing, [&] { hashRows(grid); });
        expectQuiet(big.operation);
        if (storedRanges(kBigLab) != kBigParams * kBigClasses)
            die(QStringLiteral("after saving, %1 holds %2 ranges").arg(kBigLab).arg(storedRanges(kBigLab)));

        // A lab of 12 parameters on a shape of 200 parameter rows keeps one
        // row per grid row and class: 200 x 6.
        Result ordinary{QStringLiteral("save ordinary lab"), 20.0};
        const QString lab = ordinaryLab(7);
        selectLab(lab);
        settle();
        for (int i = 0; i < kRuns; ++i)
            timed(ordinary, [&] { d()->MnuSave_Click(); });
        expectQuiet(ordinary.operation);
        ordinarySaveRows = storedRanges(lab);
        // What the disk alone asks of any durable save: one row rewritten in
        // its own transaction. Saves cannot beat this, whatever the code does.
        Result floor{QStringLiteral("1-row commit (disk floor)"), std::nullopt};
        for (int i = 0; i < kRuns; ++i) {
            // A changed value: SQLite skips writing a row rewritten unchanged.
            timed(floor, [&] {
                const QSqlDatabase db = m_module->mainDb();
                store::Transaction transaction(db);
                store::run(db, QStringLiteral("UPDATE CutLab SET Description = ? WHERE rowid = 1"),
                           {QStringLiteral("Timed %1").arg(i)});
                transaction.commit();
            });
        }
        results.push_back(big);
        results.push_back(unchecked);
        results.push_back(fingerprint);
        results.push_back(hashing);
        results.push_back(ordinary);
        results.push_back(floor);
    }

    static store::Fingerprint hashRows(const QVector<store::RangeRow> &rows)
    {
        store::FingerprintBuilder builder;
        for (const store::RangeRow &r : rows) {
            builder.addText(kShape);
            builder.addText(kBigLab);
            for (const QString *text : {&r.para, &r.min, &r.max, &r.className, &r.fieldName})
                builder.addText(*text);
            builder.addInteger(r.serial);
            builder.addInteger(int(r.include));
            builder.addInteger(int(r.show));
            builder.endRow();
        }
        return builder.result();
    }

    void smallShape()
    {
        Result sw{QStringLiteral("switch lab, 12-param shape"), budget(2.0, 10.0)};
        Result save{QStringLiteral("save lab, 12-param shape"), 20.0};
        d()->cShape->setCurrentIndex(d()->cShape->findText(kSmallShape));
        d()->cShape_Click();
        settle();
        for (int i = 0; i < kRuns; ++i) {
            timed(sw, [&] { selectLab(kSmallShapeLabs[(i + 1) % 2]); });
            expectGrid(sw.operation, kOrdinaryParams, kOrdinaryClasses);
        }
        for (int i = 0; i < kRuns; ++i)
            timed(save, [&] { d()->MnuSave_Click(); });
        expectQuiet(QStringLiteral("12-parameter shape"));
        d()->cShape->setCurrentIndex(d()->cShape->findText(kShape));
        d()->cShape_Click();
        settle();
        results.push_back(sw);
        results.push_back(save);
    }

    void applyClasses()
    {
        Result r{QStringLiteral("apply 50 classes"), 100.0};
        selectLab(kBigLab);
        settle();
        for (int i = 0; i < kRuns; ++i) {
            timed(r, [&] { d()->BtnApply_Click(); });
            expectGrid(r.operation, kBigParams, kBigClasses);
        }
        expectQuiet(r.operation);
        results.push_back(r);
    }

    void copyLargeLab()
    {
        Result r{QStringLiteral("copy large lab (+reload)"), std::nullopt};
        const store::RuleTables tables = store::RuleTables::forType(QStringLiteral("Cut"));
        for (int i = 0; i < kRuns; ++i) {
            selectLab(kBigLab);
            settle();
            // "Copy" sorts first, so the reload after the copy shows the new
            // 10,000-range lab: the heavier case.
            const QString name = QStringLiteral("Copy %1").arg(i + 1, 2, 10, QLatin1Char('0'));
            d()->nName->setText(name);
            d()->TxtDesc->setText(QStringLiteral("Copied for timing"));
            timed(r, [&] { d()->MnuCopyAs_Click(); });
            if (m_prompt.informed != QStringList{QStringLiteral("Lab Copied Successfully")})
                die(QStringLiteral("copy said: %1").arg(m_prompt.informed.join(QStringLiteral(" / "))));
            m_prompt.informed.clear();
            if (d()->lab() != name)
                die(QStringLiteral("after the copy %1 is shown, not %2").arg(d()->lab(), name));
            expectGrid(r.operation, kBigParams, kBigClasses);
            if (storedRanges(name) != kBigParams * kBigClasses)
                die(QStringLiteral("the copy holds %1 ranges").arg(storedRanges(name)));
            // Each run starts from the same database.
            store::LabStore(m_module->mainDb()).remove(tables, kShape, name);
            d()->cShape_Click();
            settle();
        }
        results.push_back(r);
    }

    // A column of limits copied from a spreadsheet, pasted over one class
    // column of the large lab (Ctrl+V in the cell editor), then undone and
    // redone; each run takes another column and undoes its paste untimed.
    void pasteColumn()
    {
        Result paste{QStringLiteral("paste 200 cells"), std::nullopt};
        Result undo{QStringLiteral("undo that paste"), 20.0};
        Result redo{QStringLiteral("redo that paste"), 20.0};
        selectLab(kBigLab);
        settle();
        definer::RuleSetPanel &panel = *d()->panel;
        controls::EditHistory &history = *panel.history();
        QStringList pasted;
        for (int p = 1; p <= kBigParams; ++p)
            pasted << rangeText(p, 99);
        QGuiApplication::clipboard()->setText(pasted.join(u'\n') + u'\n');
        auto column = [&](int col) {
            QStringList texts;
            for (int r = 2; r < panel.msf->rows(); ++r)
                texts << panel.msf->textMatrix(r, col);
            return texts;
        };
        for (int i = 0; i < kRuns; ++i) {
            const int col = 1 + i;
            const QStringList stored = column(col);
            panel.msf->setRow(2);
            panel.msf->setCol(col);
            panel.editor()->tFlexFocus();
            settle();
            timed(paste, [&] {
                QKeyEvent ctrlV(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
                QCoreApplication::sendEvent(panel.Txt, &ctrlV);
            });
            if (column(col) != pasted || history.undoAction()->text() != QStringLiteral("Undo paste of 200 cells at Param 1 / %1 %2")
                                                                               .arg(className((col + 1) / 2), col % 2 ? "Min" : "Max"))
                die(QStringLiteral("the paste over column %1 did not take: %2").arg(col).arg(history.undoAction()->text()));
            timed(undo, [&] { history.undoAction()->trigger(); });
            if (column(col) != stored || panel.gridChanged())
                die(QStringLiteral("undoing the paste left column %1 changed").arg(col));
            timed(redo, [&] { history.redoAction()->trigger(); });
            if (column(col) != pasted)
                die(QStringLiteral("redoing the paste did not bring column %1 back").arg(col));
            history.undoAction()->trigger();
            settle();
        }
        expectQuiet(paste.operation);
        results.push_back(paste);
        results.push_back(undo);
        results.push_back(redo);
    }

    QString m_dataDir;
    // Any message during a timed operation means it failed (guarded() turns
    // store errors into messages), unless the operation is expected to inform.
    RecordingPrompt m_prompt;
    PaintCounter m_paints;
    std::unique_ptr<store::ClassModule> m_module;
    std::unique_ptr<FrmCS> m_window;

    struct Installer {
        explicit Installer(controls::Prompt *p) { controls::Prompt::install(p); }
        ~Installer() { controls::Prompt::install(nullptr); }
    } m_installer{&m_prompt};
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenWarnings();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(controls::kAppTitle);
    controls::registerLayoutFonts();

    QTemporaryDir tmp;
    if (!tmp.isValid())
        die(QStringLiteral("no temporary directory"));
    const QString dataDir = tmp.filePath(QStringLiteral("data"));
    QElapsedTimer fill;
    fill.start();
    buildDataDirectory(dataDir);
    std::printf("data directory %s built in %.0f ms: %d labs, large lab %d x %d, Class.db %.1f MB\n",
                qPrintable(dataDir), since(fill), kOrdinaryLabs + 1, kBigParams, kBigClasses,
                double(QFile(store::DataDir(dataDir).file(QString::fromLatin1(store::kClassDb))).size()) / 1e6);

    // Timings here swing with other work on the machine; the load says how busy it was.
    const QString serverIni = qEnvironmentVariable("BENCH_SERVER_INI");
    g_onServer = !serverIni.isEmpty();
    const QString benchDir = g_onServer ? bench::moveToServer(dataDir, serverIni, tmp.filePath(QStringLiteral("server"))) : dataDir;
    std::printf("engine: %s\n", g_onServer ? "PostgreSQL server" : "SQLite");
    const QByteArray loadBefore = loadAverage();
    Bench bench(benchDir);
    bench.run();
    const qint64 peak = peakKiB();
    std::printf("load average before %s, after %s\n", loadBefore.constData(), loadAverage().constData());

    std::printf("\n%-28s %10s %10s %10s %6s %8s %6s\n", "operation", "median ms", "max ms", "target", "",
                "cpu ms", "paints");
    std::printf("%s\n", QByteArray(85, '-').constData());
    bool over = false;
    for (const Result &r : bench.results) {
        const double med = median(r.ms);
        const double max = *std::max_element(r.ms.begin(), r.ms.end());
        const QByteArray target = r.target ? QByteArray("<= ") + QByteArray::number(*r.target, 'f', 0) : QByteArray("-");
        const char *verdict = !r.target ? "" : (med <= *r.target ? "ok" : "OVER");
        over = over || (r.target && med > *r.target);
        const double cpu = median(r.cpuMs);
        const QByteArray cpuText = cpu >= 0 ? QByteArray::number(cpu, 'f', 2) : QByteArray("n/a");
        std::printf("%-28s %10.2f %10.2f %10s %6s %8s %6d\n", qPrintable(r.operation), med, max, target.constData(),
                    verdict, cpuText.constData(), r.gridPaints);
    }
    if (peak >= 0) {
        const double mb = double(peak) / 1024.0;
        std::printf("%-28s %10.1f %10s %10s %6s\n", "peak memory MB (VmHWM)", mb, "-", "<= 150",
                    mb <= 150.0 ? "ok" : "OVER");
        over = over || mb > 150.0;
    } else {
        std::printf("%-28s %10s %10s %10s\n", "peak memory MB (VmHWM)", "n/a", "-", "<= 150");
    }
    std::printf("\nruns: %d each, start-up %d; ok/OVER judge the median wall time. cpu ms: median CPU time of\n"
                "the thread (wall minus cpu is waiting: disk, or other work on the machine). paints: grid paints\n"
                "seen during the timed steps. Ordinary save wrote %d rows (every Brilliant lab shows all %d\n"
                "parameter rows).\n",
                kRuns, kStartRuns, bench.ordinarySaveRows, kBigParams);
    for (const QString &ratio : bench.ratios)
        std::printf("Loading the %s.\n", qPrintable(ratio));
    std::printf("%s\n", over ? "Some operations are over budget." : "Every operation is within budget.");
    return 0;
}
