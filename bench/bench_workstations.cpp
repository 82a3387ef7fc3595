// Many workstations saving at once: 20 processes (by default) save ranges
// through the store's own load and save for 60 s, half of them the same lab,
// half a lab each, first on SQLite files in a temporary folder, then, when
// BENCH_SERVER_INI names a connection file with empty stores
// (bench/run-on-server.sh bench_workstations), on the server.
//
// Each save writes a token of its own into one cell and logs the token it
// loaded and the one it wrote. Afterwards the saves of every lab must form
// one chain from the first token to the one stored: two saves built on the
// same token mean one overwrote the other unasked (a lost save). A save that
// finds its lab changed since its load asks (counted) and loads again, as a
// user choosing Reload. Prints saves per second and save times; exits
// non-zero on a lost save, a worker that never finished (a deadlock), a
// log that does not add up, or a save missing from the history (or recorded
// twice).
#include "BenchSupport.h"
#include "store/Database.h"
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/Fingerprint.h"
#include "store/LabStore.h"
#include "store/RuleStore.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using bench::die;

const QString kShape = QStringLiteral("Brilliant");
const QString kSharedLab = QStringLiteral("Shared");
const QString kFirstToken = QStringLiteral("first");
constexpr int kParams = 20;
constexpr int kClasses = 10;

QString ownLab(int worker)
{
    return QStringLiteral("Own %1").arg(worker, 2, 10, QLatin1Char('0'));
}

QString labOf(int worker, int workers)
{
    return worker < workers / 2 ? kSharedLab : ownLab(worker);
}

QString paramName(int p)
{
    return QStringLiteral("Param %1").arg(p + 1);
}

// A lab of kParams x kClasses ranges whose first cell holds kFirstToken.
void addLab(const QSqlDatabase &db, const QString &lab)
{
    const store::RuleStore rules(db, store::RuleTables::forType(QStringLiteral("Cut")));
    const store::Scope scope{kShape, lab};
    store::LabStore(db).create(kShape, lab, QStringLiteral("load test"));
    QStringList classes;
    for (int c = 1; c <= kClasses; ++c)
        classes.append(QStringLiteral("Class %1").arg(c));
    rules.saveClasses(scope, classes);
    QVector<store::RangeRow> rows;
    for (int c = 1; c <= kClasses; ++c) {
        for (int p = 0; p < kParams; ++p) {
            const QString min = c == 1 && p == 0 ? kFirstToken : QString::number(c * 10 + p);
            rows.append({c, paramName(p), min, QString::number(c * 10 + p + 5), true, classes[c - 1],
                         QStringLiteral("F%1").arg(p + 1), p % 2 == 0});
        }
    }
    rules.saveRanges(scope, rows);
}

void buildDataDirectory(const QString &path, int workers)
{
    store::createDataDirectory(path, false);
    QFile shapes(store::DataDir(path).file(QString::fromLatin1(store::kShapesFile)));
    if (!shapes.open(QIODevice::WriteOnly) || shapes.write("Brilliant~RNDCUTSYM\r\n") < 0)
        die(QStringLiteral("cannot write %1").arg(shapes.fileName()));
    shapes.close();
    const QString connection = QStringLiteral("build");
    {
        const QSqlDatabase db = store::openStore(connection, store::DataDir(path), store::StoreKind::Class);
        QVector<QVariantList> params;
        for (int p = 0; p < kParams; ++p)
            params.append({kShape, p + 1, QStringLiteral("F%1").arg(p + 1), paramName(p)});
        store::Transaction transaction(db);
        store::insertRows(db, QStringLiteral("CutPara"), 4, params);
        transaction.commit();
        addLab(db, kSharedLab);
        for (int w = workers / 2; w < workers; ++w)
            addLab(db, ownLab(w));
    }
    store::closeDatabase(connection);
}

// ---- one workstation ------------------------------------------------------

// The ranges as a window holds them after a load: every cell of every
// parameter and class, and the token in the first cell.
struct Loaded {
    QVector<store::RangeRow> rows;
    QString token;
    store::Fingerprint seen;
};

Loaded load(const store::RuleStore &rules, const store::Scope &scope)
{
    Loaded loaded;
    const QStringList classes = rules.classes(scope);
    const QVector<store::Parameter> params = rules.parameters(kShape);
    const store::RangeLookup ranges = rules.ranges(scope, &loaded.seen);
    for (int c = 1; c <= classes.size(); ++c) {
        for (const store::Parameter &param : params) {
            const store::RangeCell *cell = ranges.find(param.displayName, c);
            if (!cell)
                die(QStringLiteral("%1 has no range %2 of class %3").arg(scope.lab, param.displayName).arg(c));
            loaded.rows.append({c, param.displayName, cell->min, cell->max, cell->include, classes[c - 1],
                                param.fieldName, cell->show});
        }
    }
    if (loaded.rows.isEmpty())
        die(QStringLiteral("%1 has no ranges").arg(scope.lab));
    loaded.token = loaded.rows.first().min;
    return loaded;
}

void waitUntil(qint64 epochMs)
{
    const qint64 wait = epochMs - QDateTime::currentMSecsSinceEpoch();
    if (wait > 0)
        QThread::msleep(quint64(wait));
}

int runWorker(int index, const QString &dataDir, const QString &lab, qint64 start, qint64 until, const QString &logPath)
{
    QFile logFile(logPath);
    if (!logFile.open(QIODevice::WriteOnly | QIODevice::Text))
        die(QStringLiteral("cannot write %1").arg(logPath));
    QTextStream log(&logFile);
    const QString connection = QStringLiteral("worker");
    const store::RuleStore rules(store::openStore(connection, store::DataDir(dataDir), store::StoreKind::Class),
                                 store::RuleTables::forType(QStringLiteral("Cut")));
    const store::Scope scope{kShape, lab};
    QRandomGenerator random(quint32(index) * 7919u + 1u);
    waitUntil(start);
    for (int sequence = 1; QDateTime::currentMSecsSinceEpoch() < until; ++sequence) {
        Loaded loaded;
        try {
            loaded = load(rules, scope);
        } catch (const store::Error &error) {
            log << "E\t" << lab << "\tload: " << error.message().simplified() << '\n';
            continue;
        }
        // The user's edit takes a moment.
        QThread::msleep(random.bounded(10));
        const QString token = QStringLiteral("w%1-%2").arg(index).arg(sequence);
        loaded.rows.first().min = token;
        QElapsedTimer timer;
        timer.start();
        try {
            rules.saveRanges(scope, loaded.rows, &loaded.seen);
            log << "S\t" << lab << '\t' << loaded.token << '\t' << token << '\t' << double(timer.nsecsElapsed()) / 1e6 << '\n';
        } catch (const store::Conflict &) {
            log << "A\t" << lab << '\t' << double(timer.nsecsElapsed()) / 1e6 << '\n';
        } catch (const store::Error &error) {
            log << "E\t" << lab << "\tsave: " << error.message().simplified() << '\n';
        }
    }
    log.flush();
    return logFile.error() == QFile::NoError ? 0 : 1;
}

// ---- the office -----------------------------------------------------------

struct Save {
    QString replaced;
    QString written;
};

struct Outcome {
    int saves = 0;
    int asks = 0;
    QStringList errors;
    std::vector<double> saveMs; // every save that wrote or asked
    int lost = 0;
    QStringList problems;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::ceil(p * double(v.size())));
    return v[std::min(v.size(), std::max<size_t>(rank, 1)) - 1];
}

// The saves of one lab must follow each other: walking back from the token
// stored, each save built on what the one before wrote, down to the first
// token, passes every logged save. One left aside was overwritten by a save
// that never saw it: lost.
void checkChain(const QString &lab, const QVector<Save> &saves, const QString &stored, Outcome &outcome)
{
    QHash<QString, QString> builtOn; // token written -> token loaded before
    for (const Save &save : saves)
        builtOn.insert(save.written, save.replaced);
    int onPath = 0;
    for (QString token = stored; token != kFirstToken; token = builtOn.value(token)) {
        if (!builtOn.contains(token) || onPath > saves.size()) {
            outcome.problems.append(QStringLiteral("%1 holds %2, which no logged save wrote").arg(lab, token));
            return;
        }
        ++onPath;
    }
    const int lost = int(saves.size()) - onPath;
    if (lost > 0) {
        outcome.lost += lost;
        outcome.problems.append(QStringLiteral("%1: %2 of %3 saves were overwritten by saves that never saw them")
                                    .arg(lab).arg(lost).arg(saves.size()));
    }
}

// Every save written is in the lab's history once, after the two saves that
// filled the lab, and no change went unrecorded.
void checkHistory(const QSqlDatabase &db, const QString &lab, int saves, Outcome &outcome)
{
    const QStringList kinds = store::firstColumn(
        db, QStringLiteral("SELECT Kind FROM History WHERE Area = 'lab' AND Type = 'Cut' AND Lab = ? AND Kind <> 'create lab'"),
        {lab});
    const qsizetype recorded = kinds.count(QStringLiteral("save"));
    if (recorded != saves + 2 || recorded != kinds.size())
        outcome.problems.append(QStringLiteral("%1: %2 saves written, %3 history entries of them (%4 entries in all)")
                                    .arg(lab).arg(saves).arg(recorded - 2).arg(kinds.size()));
}

Outcome runOffice(const QString &engine, const QString &dataDir, int workers, int seconds, const QString &logDir)
{
    const qint64 start = QDateTime::currentMSecsSinceEpoch() + 3000; // every process connected by then
    const qint64 until = start + qint64(seconds) * 1000;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int w = 0; w < workers; ++w) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--worker"), QString::number(w), QStringLiteral("--data-dir"), dataDir,
                        QStringLiteral("--lab"), labOf(w, workers), QStringLiteral("--start"), QString::number(start),
                        QStringLiteral("--until"), QString::number(until), QStringLiteral("--log"),
                        QStringLiteral("%1/%2-%3.log").arg(logDir, engine).arg(w)});
        processes.push_back(std::move(process));
    }
    Outcome outcome;
    // A save waits at most a few seconds for a lock: a worker still running
    // well after the end is stuck.
    const qint64 deadline = until + 30000;
    for (int w = 0; w < workers; ++w) {
        QProcess &process = *processes[size_t(w)];
        const qint64 left = std::max<qint64>(1, deadline - QDateTime::currentMSecsSinceEpoch());
        if (!process.waitForFinished(int(left))) {
            process.kill();
            process.waitForFinished();
            outcome.problems.append(QStringLiteral("worker %1 did not finish (deadlock?)").arg(w));
        } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            outcome.problems.append(QStringLiteral("worker %1 failed").arg(w));
        }
    }

    QHash<QString, QVector<Save>> byLab;
    for (int w = 0; w < workers; ++w) {
        QFile file(QStringLiteral("%1/%2-%3.log").arg(logDir, engine).arg(w));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            die(QStringLiteral("no log %1").arg(file.fileName()));
        while (!file.atEnd()) {
            const QStringList f = QString::fromUtf8(file.readLine()).chopped(1).split(u'\t');
            if (f.value(0) == QLatin1String("S") && f.size() == 5) {
                ++outcome.saves;
                byLab[f[1]].append({f[2], f[3]});
                outcome.saveMs.push_back(f[4].toDouble());
            } else if (f.value(0) == QLatin1String("A") && f.size() == 3) {
                ++outcome.asks;
                outcome.saveMs.push_back(f[2].toDouble());
            } else if (f.value(0) == QLatin1String("E")) {
                outcome.errors.append(f.mid(1).join(u' '));
            } else {
                outcome.problems.append(QStringLiteral("%1: unreadable line").arg(file.fileName()));
            }
        }
    }
    const QString connection = QStringLiteral("check");
    {
        const QSqlDatabase db = store::openStore(connection, store::DataDir(dataDir), store::StoreKind::Class);
        const store::RuleStore rules(db, store::RuleTables::forType(QStringLiteral("Cut")));
        QStringList labs{kSharedLab};
        for (int w = workers / 2; w < workers; ++w)
            labs.append(ownLab(w));
        for (const QString &lab : labs) {
            checkChain(lab, byLab.value(lab), load(rules, {kShape, lab}).token, outcome);
            checkHistory(db, lab, int(byLab.value(lab).size()), outcome);
        }
    }
    store::closeDatabase(connection);
    return outcome;
}

bool report(const QString &engine, const Outcome &o, int workers, int seconds)
{
    std::printf("\n%s: %d workstations for %d s (%d on lab %s, %d on a lab each)\n", qPrintable(engine), workers, seconds,
                workers / 2, qPrintable(kSharedLab), workers - workers / 2);
    std::printf("  saves written      %8d  (%.1f per second)\n", o.saves, double(o.saves) / seconds);
    std::printf("  saves that asked   %8d  (changed on another workstation since the load)\n", o.asks);
    std::printf("  save time ms       p50 %.1f  p95 %.1f  max %.1f  (%zu saves that wrote or asked)\n",
                percentile(o.saveMs, 0.5), percentile(o.saveMs, 0.95), percentile(o.saveMs, 1.0), o.saveMs.size());
    std::printf("  saves lost         %8d\n", o.lost);
    std::printf("  errors             %8lld\n", qlonglong(o.errors.size()));
    QHash<QString, int> kinds;
    for (const QString &error : o.errors)
        ++kinds[error];
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        std::printf("    %5d x %s\n", it.value(), qPrintable(it.key()));
    for (const QString &problem : o.problems)
        std::printf("  PROBLEM: %s\n", qPrintable(problem));
    return o.problems.isEmpty() && o.lost == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption workersOption(QStringLiteral("workers"), QStringLiteral("workstations"), QStringLiteral("n"),
                                           QStringLiteral("20"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("length of a run"), QStringLiteral("s"),
                                           QStringLiteral("60"));
    const QCommandLineOption worker(QStringLiteral("worker"), QStringLiteral("run as workstation i"), QStringLiteral("i"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QString(), QStringLiteral("dir"));
    const QCommandLineOption lab(QStringLiteral("lab"), QString(), QStringLiteral("lab"));
    const QCommandLineOption start(QStringLiteral("start"), QString(), QStringLiteral("ms"));
    const QCommandLineOption until(QStringLiteral("until"), QString(), QStringLiteral("ms"));
    const QCommandLineOption logPath(QStringLiteral("log"), QString(), QStringLiteral("file"));
    parser.addOptions({workersOption, secondsOption, worker, dataDir, lab, start, until, logPath});
    parser.process(app);
    try {
        if (parser.isSet(worker))
            return runWorker(parser.value(worker).toInt(), parser.value(dataDir), parser.value(lab),
                             parser.value(start).toLongLong(), parser.value(until).toLongLong(), parser.value(logPath));

        const int workers = parser.value(workersOption).toInt();
        const int seconds = parser.value(secondsOption).toInt();
        if (workers < 2 || seconds < 1)
            die(QStringLiteral("--workers must be 2 or more, --seconds 1 or more"));
        QTemporaryDir tmp;
        if (!tmp.isValid())
            die(QStringLiteral("no temporary directory"));
        const QString files = tmp.filePath(QStringLiteral("files"));
        buildDataDirectory(files, workers);
        const QString serverIni = qEnvironmentVariable("BENCH_SERVER_INI");
        // Copied before the files are written to, so both start alike.
        const QString server = serverIni.isEmpty() ? QString() : bench::moveToServer(files, serverIni, tmp.filePath(QStringLiteral("server")));
        QFile loadavg(QStringLiteral("/proc/loadavg"));
        std::printf("load average before: %s", loadavg.open(QIODevice::ReadOnly) ? loadavg.readAll().constData() : "?\n");
        bool good = report(QStringLiteral("SQLite files"), runOffice(QStringLiteral("sqlite"), files, workers, seconds, tmp.path()),
                           workers, seconds);
        if (!server.isEmpty())
            good = report(QStringLiteral("PostgreSQL server"), runOffice(QStringLiteral("server"), server, workers, seconds, tmp.path()),
                          workers, seconds)
                && good;
        return good ? 0 : 1;
    } catch (const store::Error &error) {
        die(error.message());
    }
}
