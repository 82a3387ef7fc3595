// Times the parameters window on a report database far larger than an
// office keeps: 300 report tables of 60 columns, 100 shapes of 3 tables
// each. Drives the real window offscreen and prints median and worst time of
// "Show" for a new shape (field browser included), a repeated "Show" with
// the catalogue reads it made, and "Save data" of 200 parameters, durably
// committed. Exits non-zero when an operation reports an error or gives a
// wrong result, so a fast wrong answer never looks good.
#include "BenchSupport.h"
#include "controls/Prompt.h"
#include "controls/ReportList.h"
#include "definer/ShapeList.h"
#include "setup/FrmPara.h"
#include "store/ClassModule.h"
#include "store/DataDir.h"
#include "store/ReportTables.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using bench::die;
using bench::median;

constexpr int kShapes = 100;
constexpr int kTablesPerShape = 3;
constexpr int kColumns = 60; // RID and 59 fields
constexpr int kParameters = 200;
constexpr int kRuns = 15;

class FailingPrompt final : public controls::Prompt {
public:
    void inform(const QString &text) override { die(QStringLiteral("message shown: ") + text); }
    bool confirm(const QString &text) override { die(QStringLiteral("question asked: ") + text); }
};

QString prefix(int shape)
{
    return QStringLiteral("S%1").arg(shape, 3, 10, QLatin1Char('0'));
}

void buildDataDir(const QString &path)
{
    store::createDataDirectory(path, false);
    QFile shapes(path + QStringLiteral("/Shapes.txt"));
    if (!shapes.open(QIODevice::WriteOnly | QIODevice::Truncate))
        die(QStringLiteral("cannot write Shapes.txt"));
    for (int s = 0; s < kShapes; ++s)
        shapes.write(QStringLiteral("Shape %1~%2CUTSYM\r\n").arg(s).arg(prefix(s)).toUtf8());
    shapes.close();

    const QString name = QStringLiteral("bench_build");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path + QStringLiteral("/Reports.db"));
        if (!db.open())
            die(QStringLiteral("cannot open Reports.db"));
        store::run(db, QStringLiteral("BEGIN"));
        for (int s = 0; s < kShapes; ++s) {
            for (int t = 1; t <= kTablesPerShape; ++t) {
                QStringList columns{QStringLiteral("RID INTEGER")};
                for (int c = 1; c < kColumns; ++c)
                    columns.append(QStringLiteral("F%1_%2_%3 REAL").arg(s).arg(t).arg(c));
                store::run(db, QStringLiteral("CREATE TABLE %1%2 (%3)").arg(prefix(s)).arg(t).arg(columns.join(u',')));
            }
        }
        store::run(db, QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(name);
}

struct Result {
    const char *name;
    double targetMs;
    std::vector<double> ms;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FailingPrompt prompt;
    controls::Prompt::install(&prompt);

    QTemporaryDir dir;
    buildDataDir(dir.path());
    store::ClassModule module{store::DataDir(dir.path())};
    module.OpenDatabases();
    QComboBox mainShapes;
    definer::LoadShapeList(&mainShapes, module);

    const store::SqlReportTables reports(module.reportDb());
    store::CountingReportTables counting(reports);
    setup::FrmPara window(module, &mainShapes, nullptr, &counting);
    window.show();
    app.processEvents();

    Result show{"Show, new shape", 20, {}};
    Result repeat{"Show, same shape", 20, {}};
    Result save{"Save data, 200 rows", 30, {}};
    int repeatReads = 0;
    QElapsedTimer timer;
    for (int run = 0; run < kRuns; ++run) {
        const int shape = 1 + run % (kShapes - 1);
        window.cShape->setCurrentIndex(shape);
        timer.start();
        window.BtnView_Click();
        app.processEvents();
        show.ms.push_back(timer.nsecsElapsed() / 1e6);
        if (window.List2->count() != kTablesPerShape * (kColumns - 1)
            || window.List2->text(1) != QStringLiteral("F%1_1_1").arg(shape))
            die(QStringLiteral("wrong fields for shape %1").arg(shape));

        window.List2->setChecked(1, true);
        const int readsBefore = counting.reads();
        timer.start();
        window.BtnView_Click();
        app.processEvents();
        repeat.ms.push_back(timer.nsecsElapsed() / 1e6);
        repeatReads += counting.reads() - readsBefore;
        if (!window.List2->checked(1))
            die(QStringLiteral("a repeated Show lost the ticks"));

        window.List->clear();
        for (int p = 0; p < kParameters; ++p)
            window.List->addItem(QStringLiteral("Parameter %1").arg(p), QStringLiteral("F_%1").arg(p));
        timer.start();
        window.BtnSave_Click();
        save.ms.push_back(timer.nsecsElapsed() / 1e6);
        QSqlQuery check = store::run(module.mainDb(),
                                     QStringLiteral("SELECT count(*), min(ID), max(ID) FROM CutPara WHERE Shape = ?"),
                                     {window.cShape->currentText()});
        if (!check.next() || check.value(0).toInt() != kParameters || check.value(1).toInt() != 1
            || check.value(2).toInt() != kParameters)
            die(QStringLiteral("Save data stored the wrong rows"));
    }
    if (repeatReads != 0)
        die(QStringLiteral("a repeated Show read the catalogue %1 times").arg(repeatReads));

    QSqlQuery sync = store::run(module.mainDb(), QStringLiteral("PRAGMA synchronous"));
    QSqlQuery journal = store::run(module.mainDb(), QStringLiteral("PRAGMA journal_mode"));
    sync.next();
    journal.next();

    std::printf("\n%-24s %10s %10s %10s %6s\n", "operation", "median ms", "max ms", "target", "");
    bool over = false;
    for (const Result *r : {&show, &repeat, &save}) {
        const double med = median(r->ms);
        const double worst = *std::max_element(r->ms.begin(), r->ms.end());
        over = over || med > r->targetMs;
        std::printf("%-24s %10.2f %10.2f %10.0f %6s\n", r->name, med, worst, r->targetMs,
                    med <= r->targetMs ? "ok" : "OVER");
    }
    std::printf("\nruns: %d each; %d report tables of %d columns; catalogue reads by repeated Shows: %d;\n"
                "Class.db synchronous=%d (2 = FULL), journal_mode=%s\n",
                kRuns, kShapes * kTablesPerShape, kColumns, repeatReads, sync.value(0).toInt(),
                qPrintable(journal.value(0).toString()));
    return over ? 2 : 0;
}
