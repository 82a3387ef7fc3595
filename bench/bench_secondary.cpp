// Times the OMZ symmetry definer on a secondary rule set of 200 parameters
// and 50 classes (10,000 ranges): opening the window (connection, checks,
// loading, first paint) and File > Save up to the durable commit. Prints
// median and worst of each against its budget; exits non-zero when a step
// shows a message or stores the wrong number of rows.
#include "controls/CellEditor.h"
#include "controls/FlexGrid.h"
#include "controls/Prompt.h"
#include "definer/RuleSetPanel.h"
#include "secondary/FrmOMZ.h"
#include "store/ClassModule.h"
#include "store/Error.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kParameters = 200;
constexpr int kClasses = 50;
constexpr int kRuns = 21;

class RecordingPrompt final : public controls::Prompt {
public:
    void inform(const QString &text) override { shown << text; }
    bool confirm(const QString &text) override
    {
        shown << text;
        return false;
    }
    QStringList shown;
};

int fail(const QString &why)
{
    std::fprintf(stderr, "bench_secondary: %s\n", qPrintable(why));
    return 1;
}

// The rule set goes in through the program's own store calls.
void fillRuleSet(const QSqlDatabase &db)
{
    store::Transaction transaction(db);
    QSqlQuery para = store::prepare(db, QStringLiteral("INSERT INTO SYMPARA VALUES (?, ?, ?)"));
    for (int p = 1; p <= kParameters; ++p)
        store::runPrepared(para, {p, QStringLiteral("Param %1").arg(p), QStringLiteral("F%1").arg(p)});
    para.finish();
    transaction.commit();
    QStringList classes;
    QVector<store::RangeRow> ranges;
    for (int k = 1; k <= kClasses; ++k)
        classes << QStringLiteral("Class %1").arg(k);
    for (int p = 1; p <= kParameters; ++p)
        for (int k = 1; k <= kClasses; ++k)
            ranges.append({k, QStringLiteral("Param %1").arg(p), QString::number((p * 7 + k) % 90 / 10.0, 'f', 2),
                           QString::number((p * 3 + k) % 900 / 10.0, 'f', 1), (p + k) % 3 == 0, classes[k - 1],
                           QStringLiteral("F%1").arg(p), (p + k) % 4 == 0});
    const store::RuleStore rules(db, store::RuleTables::secondary());
    rules.saveClasses({}, classes);
    rules.saveRanges({}, ranges);
}

struct Timing {
    const char *name;
    double budgetMs;
    std::vector<double> ms;

    // The middle of an odd number of runs.
    double median() const
    {
        std::vector<double> sorted = ms;
        std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
        return sorted[sorted.size() / 2];
    }

    bool print() const
    {
        const double mid = median();
        std::printf("%-34s median %7.2f ms  worst %7.2f ms  budget %5.0f ms  %s\n", name, mid,
                    *std::max_element(ms.begin(), ms.end()), budgetMs, mid <= budgetMs ? "ok" : "OVER");
        return mid <= budgetMs;
    }
};

double timeMs(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    QCoreApplication::processEvents(); // painting included
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    RecordingPrompt prompt;
    controls::Prompt::install(&prompt);
    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int status = 0;
    {
        store::ClassModule module{store::DataDir(dir.path())};
        try {
            store::createDataDirectory(dir.path(), false);
            fillRuleSet(module.openSecondaryDb());
        } catch (const store::Error &error) {
            return fail(error.message());
        }

        Timing open{"open the window (to first paint)", 50, {}};
        Timing save{"File > Save, committed", 200, {}};
        for (int run = 0; run < kRuns; ++run) {
            std::unique_ptr<secondary::FrmOMZ> window;
            open.ms.push_back(timeMs([&] {
                window = std::make_unique<secondary::FrmOMZ>(module);
                if (window->Form_Load())
                    window->show();
            }));
            const controls::FlexGrid &grid = *window->panel->msf;
            if (grid.rows() != 2 + kParameters || grid.cols() != 1 + 2 * kClasses)
                return fail(QStringLiteral("the grid shows %1 x %2").arg(grid.rows()).arg(grid.cols()));

            // One edit in the middle of the grid, still in the editor when saving.
            window->panel->msf->setRow(2 + run * 7 % kParameters);
            window->panel->msf->setCol(1 + run % (2 * kClasses));
            window->panel->editor()->tFlexFocus();
            window->panel->Txt->setText(QString::number(run));
            save.ms.push_back(timeMs([&] { window->MnuSave_Click(); }));
            const QStringList stored = store::firstColumn(module.secondaryDb(), QStringLiteral("SELECT count(*) FROM SymData"));
            if (stored != QStringList{QString::number(kParameters * kClasses)})
                return fail(QStringLiteral("Save left %1 rows").arg(stored.join(',')));
            if (!prompt.shown.isEmpty())
                return fail(QStringLiteral("a message was shown: %1").arg(prompt.shown.join(" / ")));
            window->close();
        }
        std::printf("%d parameters x %d classes, %d runs each\n", kParameters, kClasses, kRuns);
        for (const Timing *t : {&open, &save})
            status = t->print() ? status : 2;
    }
    controls::Prompt::install(nullptr);
    return status;
}
