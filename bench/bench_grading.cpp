// Times grading the office's stones: 100,000 stones of one shape with 12
// parameters, in two report tables joined on RID, under a lab of 6 classes.
// Prints median and worst time of reading them (Reports.db, or the server's
// reports store with BENCH_SERVER_INI set), of grading them by two rule sets
// and comparing, and of the "What would change" window following an edit
// of one limit on the real main window; and what reading Reports.mdb in
// place costs per row, on the Access file among the test fixtures (no
// Access file of that size can be written here). Exits non-zero when an
// operation gives a wrong result, so a fast wrong answer never looks good.
#include "BenchSupport.h"
#include "controls/FlexGrid.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "grading/FrmWhatChanges.h"
#include "legacy/MdbFile.h"
#include "legacy/MdbReportTables.h"
#include "rules/Grading.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "store/Database.h"
#include "store/RuleStore.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <cmath>
#include <cstring>

namespace {

using bench::die;
using bench::median;

constexpr int kStones = 100000;
constexpr int kParameters = 12; // F1..F6 in BRL1, F7..F12 in BRL2
constexpr int kClasses = 6;
constexpr int kRuns = 9;
const QString kShape = QStringLiteral("Brilliant");
const QString kCode = QStringLiteral("BRLCUTSYM");
const QString kLab = QStringLiteral("AGL");

QString field(int p)
{
    return QStringLiteral("F%1").arg(p);
}

// Class k holds 50 +- 2 (k + 1): each class inside the next.
QString limit(int k, int side)
{
    return QString::number(50 + side * 2 * (k + 1));
}

void fillRules(const QSqlDatabase &db)
{
    store::RuleStore rules(db, store::RuleTables::forType(QStringLiteral("Cut")));
    QVector<store::RangeRow> ranges;
    QStringList classes;
    for (int k = 0; k < kClasses; ++k)
        classes << QStringLiteral("Class %1").arg(k + 1);
    for (int p = 1; p <= kParameters; ++p) {
        store::run(db, QStringLiteral("INSERT INTO CutPara VALUES (?, ?, ?, ?)"), {kShape, p, field(p), field(p)});
        for (int k = 0; k < kClasses; ++k)
            ranges.append({k + 1, field(p), limit(k, -1), limit(k, 1), true, classes[k], field(p), true});
    }
    store::run(db, QStringLiteral("INSERT INTO CutLab VALUES (?, ?, '')"), {kShape, kLab});
    rules.saveRuleSet({kShape, kLab}, &ranges, &classes, nullptr, nullptr);
}

// Measurements spread over the classes (a sum of uniforms is near normal);
// one value in a thousand missing.
void fillStones(const QSqlDatabase &db)
{
    QRandomGenerator random(2006);
    store::Transaction transaction(db);
    for (int t = 0; t < 2; ++t) {
        QStringList columns{QStringLiteral("RID INTEGER")}, marks{QStringLiteral("?")};
        for (int p = 1 + 6 * t; p <= 6 + 6 * t; ++p) {
            columns << field(p) + QStringLiteral(" REAL");
            marks << QStringLiteral("?");
        }
        const QString table = QStringLiteral("BRL%1").arg(t + 1);
        store::run(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(u',')));
        QSqlQuery insert = store::prepare(db, QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(u',')));
        for (int s = 0; s < kStones; ++s) {
            QVariantList row{100000 + s};
            for (int p = 0; p < 6; ++p) {
                const double spread = random.generateDouble() + random.generateDouble() + random.generateDouble() - 1.5;
                row << (random.bounded(1000) == 0 ? QVariant() : QVariant(std::round((50 + 2 * spread) * 100) / 100));
            }
            store::runPrepared(insert, row);
        }
    }
    transaction.commit();
}

QString buildDataDir(const QString &path)
{
    store::createDataDirectory(path, false);
    QFile shapes(path + QStringLiteral("/Shapes.txt"));
    if (!shapes.open(QIODevice::WriteOnly | QIODevice::Truncate) || shapes.write((kShape + u'~' + kCode + "\r\n").toUtf8()) <= 0)
        die(QStringLiteral("cannot write Shapes.txt"));
    fillRules(store::openDatabase(QStringLiteral("bench-rules"), path + QStringLiteral("/Class.db")));
    fillStones(store::openDatabase(QStringLiteral("bench-stones"), path + QStringLiteral("/Reports.db")));
    store::closeDatabase(QStringLiteral("bench-rules"));
    store::closeDatabase(QStringLiteral("bench-stones"));
    return path;
}

struct Row {
    QString operation;
    std::vector<double> ms;
    double target; // 0: reported only
};

template <typename F>
Row time(const QString &operation, double target, int runs, F step)
{
    Row row{operation, {}, target};
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        timer.start();
        step(run);
        row.ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return row;
}

store::Stones readAll(const store::DataDir &dir)
{
    std::optional<store::Stones> stones;
    {
        const std::unique_ptr<store::ReportTables> reports = legacy::openReportTables(dir, QStringLiteral("bench-read"));
        QStringList fields;
        for (int p = 1; p <= kParameters; ++p)
            fields << field(p);
        stones = store::readStones(*reports, kCode, fields, [](qint64, qint64) { return true; });
    }
    store::closeDatabase(QStringLiteral("bench-read"));
    if (!stones || stones->count() != kStones || stones->tables != QStringList{"BRL1", "BRL2"})
        die(QStringLiteral("read %1 stones").arg(stones ? stones->count() : -1));
    rules::readTexts(*stones);
    return *stones;
}

// Reports.mdb read in place: the largest table of the fixture, row by row.
Row readAccessFile()
{
    const QString nwind = QStringLiteral(ORVANA_FIXTURES_DIR "/nwind.mdb");
    if (!QFile::exists(nwind))
        return {QStringLiteral("nwind.mdb not found"), {0}, 0};
    legacy::setReaderProgram(QCoreApplication::applicationFilePath());
    qint64 rows = 0;
    Row row = time(QString(), 0, 5, [&](int) {
        const legacy::MdbReportTables reports(nwind);
        const auto table = reports.rows(QStringLiteral("Order Details"), {QStringLiteral("UnitPrice"), QStringLiteral("Quantity")}, {});
        double number = 0;
        QString text;
        for (rows = 0; table->next(); ++rows)
            table->value(0, number, text);
    });
    if (rows != 2155)
        die(QStringLiteral("nwind.mdb: %1 order details").arg(rows));
    qint64 inFile = 0;
    for (const legacy::Table &table : legacy::readMdbFile(nwind, true).tables())
        inFile += table.rows.size();
    std::printf("nwind.mdb (%.1f MB) holds %lld rows in all, every one read to reach a table's\n",
                double(QFile(nwind).size()) / 1e6, inFile);
    row.operation = QStringLiteral("read nwind.mdb, %1 rows").arg(rows);
    return row;
}

// The window follows an edit of one limit: Class 1's Max of F1, unsaved,
// 52 (as stored) and 51 in turn.
Row followEdits(const store::DataDir &dir)
{
    store::ClassModule module(dir);
    FrmCS window(module);
    window.Form_Load();
    window.show();
    window.findChild<QAction *>(QStringLiteral("MnuWhatChanges"))->trigger();
    auto *changes = window.findChild<grading::FrmWhatChanges *>();
    QElapsedTimer waiting;
    waiting.start();
    while (!changes->LblChanges->text().startsWith(QStringLiteral("No stone")) && waiting.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::printf("window opened and read the stones in %lld ms\n", waiting.elapsed());
    definer::RuleSetPanel &panel = *window.definer->panel;
    return time(QStringLiteral("window after an edit"), 100, kRuns, [&](int run) {
        panel.msf->setRow(2);
        panel.msf->setCol(2);
        panel.editor()->tFlexFocus();
        panel.Txt->setText(run % 2 ? QStringLiteral("52") : QStringLiteral("51"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(panel.Txt, &enter);
        QCoreApplication::processEvents();
        if (changes->comparison().changes.isEmpty() != bool(run % 2))
            die(QStringLiteral("edit %1: %2 stones changed").arg(run).arg(changes->comparison().changes.size()));
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && (std::strcmp(argv[1], "--dump-mdb") == 0 || std::strcmp(argv[1], "--list-mdb") == 0)) {
        QCoreApplication app(argc, argv);
        return legacy::dumpMdbFile(QString::fromLocal8Bit(argv[2]), std::strcmp(argv[1], "--dump-mdb") == 0);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::RecordingPrompt prompt;
    controls::Prompt::install(&prompt);

    QTemporaryDir tmp;
    QElapsedTimer building;
    building.start();
    const QString files = buildDataDir(tmp.filePath(QStringLiteral("files")));
    std::printf("data directory built in %lld ms: %d stones x %d parameters, Reports.db %.1f MB\n", building.elapsed(),
                kStones, kParameters, double(QFile(files + QStringLiteral("/Reports.db")).size()) / 1e6);
    const QString serverIni = qEnvironmentVariable("BENCH_SERVER_INI");
    const store::DataDir dir(serverIni.isEmpty() ? files : bench::moveToServer(files, serverIni, tmp.filePath(QStringLiteral("server"))));
    std::printf("engine: %s\n", dir.onServer() ? "PostgreSQL server" : "SQLite");

    std::vector<Row> rows;
    store::Stones stones;
    rows.push_back(time(QStringLiteral("read %1 stones").arg(kStones), 300, kRuns, [&](int) { stones = readAll(dir); }));

    const rules::RuleSheet stored = rules::storedRuleSheet(store::openStore(QStringLiteral("bench-class"), dir, store::StoreKind::Class),
                                                           QStringLiteral("Cut"), kShape, kLab);
    store::closeDatabase(QStringLiteral("bench-class"));
    rules::RuleSheet edited = stored;
    edited.rows[0].limits[1] = QStringLiteral("51");
    const rules::Grader before(stored, rules::Grader::columnsOf(stored, stones.fields));
    const rules::Grader after(edited, rules::Grader::columnsOf(edited, stones.fields));
    rules::Comparison comparison;
    rows.push_back(time(QStringLiteral("grade twice and compare"), 50, kRuns * 2,
                        [&](int) { comparison = rules::compareGrades(stones, before, after); }));
    qint64 graded = 0;
    for (const rules::Comparison::Count &count : comparison.counts)
        graded += count.before;
    if (graded != kStones || comparison.changes.isEmpty())
        die(QStringLiteral("graded %1 stones, %2 changed").arg(graded).arg(comparison.changes.size()));
    std::printf("an edit of one limit changes the class of %lld stones\n", qlonglong(comparison.changes.size()));

    rows.push_back(followEdits(dir));
    rows.push_back(readAccessFile());

    std::printf("\n%-34s %10s %10s %10s\n", "operation", "median ms", "max ms", "target");
    for (const Row &row : rows) {
        const double worst = *std::max_element(row.ms.begin(), row.ms.end());
        const QByteArray target = row.target > 0 ? "<= " + QByteArray::number(row.target) : QByteArray("-");
        std::printf("%-34s %10.1f %10.1f %10s %s\n", qPrintable(row.operation), median(row.ms), worst, target.constData(),
                    row.target <= 0 ? "" : median(row.ms) <= row.target ? "ok" : "OVER");
    }
    return 0;
}
