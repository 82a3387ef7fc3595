// Times the girdle windows on one lab far larger than an office keeps: 60
// descriptions and 40 classes, graded for all four girdle parts, among 30
// ordinary labs. Drives the real windows offscreen, painting included, and
// prints median and worst time against the budget. Exits non-zero when an
// operation reports anything but success or leaves the wrong rows stored.
#include "BenchSupport.h"
#include "controls/FlexGrid.h"
#include "controls/Prompt.h"
#include "girdle/FrmDescClass.h"
#include "girdle/FrmDescPara.h"
#include "store/ClassModule.h"
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using bench::die;
using bench::RecordingPrompt;

const QString kShape = QStringLiteral("Brilliant");
const QString kBigLab = QStringLiteral("Big Lab");
constexpr int kDescriptions = 60;
constexpr int kClasses = 40;
constexpr int kOtherLabs = 30;
constexpr int kRuns = 15;
const QString kSaved = QStringLiteral("Description saved sucessfully");

void addLab(const QSqlDatabase &db, const QString &lab, int descriptions, int classes)
{
    QSqlQuery cut = store::prepare(db, QStringLiteral("INSERT INTO Cut VALUES (?, ?, ?, ?)"));
    for (int s = 0; s < classes; ++s)
        store::runPrepared(cut, {kShape, lab, s, QStringLiteral("Class %1").arg(s + 1)});
    QSqlQuery desc = store::prepare(db, QStringLiteral("INSERT INTO GIRDLE_DESC VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < descriptions; ++i) {
        const double low = i * 0.25;
        store::runPrepared(desc, {kShape, lab, i, QStringLiteral("Girdle %1").arg(i), low, low + 0.25, low + 0.1,
                                  low + 0.35, low + 0.2, low + 0.45});
    }
    QSqlQuery grade = store::prepare(db, QStringLiteral("INSERT INTO GIRDLE_CLASS VALUES (?, ?, ?, ?, ?, ?)"));
    for (const char *part : {"Bazel", "Bone", "Narrow", "Overall"})
        for (int s = 0; s < classes; ++s)
            store::runPrepared(grade, {s % descriptions, (s + 5) % descriptions, s, lab, kShape,
                                       QString::fromLatin1(part)});
}

void buildDataDirectory(const QString &path)
{
    store::createDataDirectory(path, false);
    QFile shapes(store::DataDir(path).file(QString::fromLatin1(store::kShapesFile)));
    if (!shapes.open(QIODevice::WriteOnly | QIODevice::Truncate) || shapes.write("Brilliant~RNDCUTSYM\r\n") < 0)
        die(QStringLiteral("cannot write Shapes.txt"));
    shapes.close();
    const QString connection = QStringLiteral("bench-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(store::DataDir(path).file(QString::fromLatin1(store::kClassDb)));
        if (!db.open())
            die(QStringLiteral("cannot open Class.db"));
        store::Transaction transaction(db);
        addLab(db, kBigLab, kDescriptions, kClasses);
        for (int i = 1; i <= kOtherLabs; ++i)
            addLab(db, QStringLiteral("Lab %1").arg(i, 2, 10, QLatin1Char('0')), 8, 5);
        transaction.commit();
    }
    QSqlDatabase::removeDatabase(connection);
}

int count(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery q = store::run(db, QStringLiteral("SELECT count(*) FROM %1 WHERE Lab = ?").arg(table), {kBigLab});
    return q.next() ? q.value(0).toInt() : -1;
}

template <typename Window>
void chooseBigLab(Window &window)
{
    window.LabList->setCurrentIndex(window.LabList->findText(kBigLab));
    window.LabList_Click();
}

struct Result {
    const char *name;
    double budget;
    std::vector<double> ms;
};

// Runs the step kRuns times; each run must show exactly the expected messages.
void measure(Result &result, RecordingPrompt &prompt, const QStringList &expected, const std::function<void()> &step)
{
    for (int i = 0; i < kRuns; ++i) {
        prompt.informed.clear();
        QElapsedTimer timer;
        timer.start();
        step();
        result.ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (prompt.informed != expected)
            die(QStringLiteral("%1 said: %2").arg(QLatin1String(result.name), prompt.informed.join(" / ")));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("data"));
    try {
        buildDataDirectory(path);
    } catch (const store::Error &error) {
        die(error.message());
    }
    RecordingPrompt prompt;
    controls::Prompt::install(&prompt);
    store::ClassModule module{store::DataDir(path)};
    module.OpenDatabases();

    Result open{"open grades window on lab", 20, {}};
    Result saveDesc{"save descriptions", 30, {}};
    Result saveGrades{"save grades", 30, {}};

    measure(open, prompt, {}, [&] {
        girdle::FrmDescClass window(module);
        chooseBigLab(window);
        window.show();
        window.repaint();
        if (window.msg->rows() != kClasses + 1 || window.msg->textMatrix(kClasses, 2).isEmpty())
            die(QStringLiteral("the grades window did not show the lab"));
    });

    girdle::FrmDescPara para(module);
    chooseBigLab(para);
    para.show();
    measure(saveDesc, prompt, {kSaved}, [&] { para.BtnSave_Click(); });

    girdle::FrmDescClass grades(module);
    chooseBigLab(grades);
    grades.show();
    measure(saveGrades, prompt, {kSaved}, [&] { grades.BtnSave_Click(); });

    if (count(module.mainDb(), QStringLiteral("GIRDLE_DESC")) != kDescriptions
        || count(module.mainDb(), QStringLiteral("GIRDLE_CLASS")) != 4 * kClasses)
        die(QStringLiteral("the saves left the wrong rows"));

    std::printf("lab of %d descriptions x %d classes among %d labs; saves durably committed (synchronous FULL)\n",
                kDescriptions, kClasses, kOtherLabs);
    std::printf("%-28s %10s %10s %8s\n", "operation", "median ms", "max ms", "budget");
    for (Result *r : {&open, &saveDesc, &saveGrades}) {
        std::sort(r->ms.begin(), r->ms.end());
        std::printf("%-28s %10.2f %10.2f %8.0f%s\n", r->name, r->ms[r->ms.size() / 2], r->ms.back(), r->budget,
                    r->ms[r->ms.size() / 2] > r->budget ? "  OVER" : "");
    }
    controls::Prompt::install(nullptr);
    return 0;
}
