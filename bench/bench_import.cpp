// Times bringing the old program's files over: importing a rule base the
// size of bench_definer's large data set fed from memory (budget 2 s), and
// listing the tables and columns of nwind.mdb through the child reader
// (budget 100 ms). Prints median and worst of several runs; exits non-zero
// when a result is wrong or a budget is broken.
#include "BenchSupport.h"
#include "legacy/Import.h"
#include "legacy/MdbFile.h"
#include "legacy/MdbReportTables.h"
#include "store/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using bench::die;

constexpr int kBigParams = 200;
constexpr int kBigClasses = 50;
constexpr int kOrdinaryLabs = 50;
constexpr int kOrdinaryParams = 12;
constexpr int kOrdinaryClasses = 6;

void addLab(legacy::Source &source, const QString &type, const QString &lab, int params, int classes)
{
    auto table = [&source](const QString &name) -> legacy::Table & {
        for (const legacy::Table &t : source.tables()) {
            if (t.name == name)
                return const_cast<legacy::Table &>(t);
        }
        die("no table " + name);
    };
    table(type + "Lab").rows.append({"Brilliant", lab, "Lab " + lab});
    for (int c = 0; c < classes; ++c)
        table(type).rows.append({"Brilliant", lab, QString::number(c), QStringLiteral("Class %1").arg(c)});
    for (int p = 1; p <= params; ++p) {
        for (int c = 0; c < classes; ++c)
            table(type + "Data").rows.append({"Brilliant", lab, QString::number(c + 1), QStringLiteral("Param %1").arg(p),
                                              QString::number(p + c * 0.5), QString::number(p + c + 10.25), "-1",
                                              QStringLiteral("Class %1").arg(c), QStringLiteral("F%1").arg(p), "0"});
    }
}

legacy::Source largeRuleBase(qint64 &rows)
{
    legacy::Source source(QStringLiteral("Class.mdb"));
    for (const QString type : {QStringLiteral("Cut"), QStringLiteral("Sym")}) {
        source.addTable(type, {"Shape", "Lab", "Serial", "Class"});
        source.addTable(type + "Lab", {"Shape", "Lab", "Desc"});
        legacy::Table &para = source.addTable(type + "Para", {"Shape", "ID", "Parameters", "Display_Name"});
        for (int p = 1; p <= kBigParams; ++p)
            para.rows.append({"Brilliant", QString::number(p), QStringLiteral("F%1").arg(p), QStringLiteral("Param %1").arg(p)});
        source.addTable(type + "Data", {"Shape", "Lab", "serial", "cPara", "cMin", "cMax", "include", "C", "F", "Show"});
        addLab(source, type, QStringLiteral("Z Big Lab"), kBigParams, kBigClasses);
        for (int l = 1; l <= kOrdinaryLabs; ++l)
            addLab(source, type, QStringLiteral("Lab %1").arg(l, 2, 10, QLatin1Char('0')), kOrdinaryParams, kOrdinaryClasses);
    }
    source.addTable("MultiData", {"Shape", "CutLab", "SymLab"});
    source.addTable("GIRDLE_DESC", {"Shape", "Lab", "ID", "D", "1", "2", "3", "4", "5", "6"});
    source.addTable("GIRDLE_CLASS", {"From", "To", "Class", "Lab", "Shape", "GIRDLECLASS"});
    rows = 0;
    for (const legacy::Table &table : source.tables())
        rows += table.rows.size();
    return source;
}

struct Figures {
    qint64 median;
    qint64 worst;
};

Figures time(int runs, const std::function<void()> &operation)
{
    std::vector<qint64> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        operation();
        ms.push_back(timer.elapsed());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

bool report(const char *what, const Figures &figures, qint64 budget)
{
    const bool ok = figures.median <= budget;
    std::printf("%-52s median %5lld ms  worst %5lld ms  budget %5lld ms  %s\n", what, qlonglong(figures.median),
                qlonglong(figures.worst), qlonglong(budget), ok ? "ok" : "OVER");
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    // This program serves as its own Access reader.
    if (argc == 3 && (std::strcmp(argv[1], "--dump-mdb") == 0 || std::strcmp(argv[1], "--list-mdb") == 0)) {
        QCoreApplication app(argc, argv);
        return legacy::dumpMdbFile(QString::fromLocal8Bit(argv[2]), std::strcmp(argv[1], "--dump-mdb") == 0);
    }
    QCoreApplication app(argc, argv);
    bool ok = true;

    qint64 rows = 0;
    const legacy::Source source = largeRuleBase(rows);
    const Figures import = time(5, [&] {
        QTemporaryDir dir;
        try {
            legacy::importSources(store::DataDir(dir.path()), source, nullptr, false);
        } catch (const store::Error &error) {
            die(error.message());
        }
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(dir.filePath("Class.db"));
        db.open();
        {
            QSqlQuery count(db);
            count.exec("SELECT (SELECT count(*) FROM CutData) + (SELECT count(*) FROM SymData)");
            count.next();
            const qint64 expected = 2 * (kBigParams * kBigClasses + kOrdinaryLabs * kOrdinaryParams * kOrdinaryClasses);
            if (count.value(0).toLongLong() != expected)
                die(QStringLiteral("%1 ranges stored, %2 expected").arg(count.value(0).toLongLong()).arg(expected));
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("check");
    });
    std::printf("rule base: %lld rows\n", qlonglong(rows));
    ok &= report("import of the large rule base (from memory)", import, 2000);

    const QString nwind = QStringLiteral(ORVANA_FIXTURES_DIR "/nwind.mdb");
    if (!QFile::exists(nwind)) {
        std::printf("nwind.mdb not found; listing not timed\n");
    } else {
        legacy::setReaderProgram(QCoreApplication::applicationFilePath());
        const Figures listing = time(10, [&] {
            const legacy::MdbReportTables reports(nwind);
            int columns = 0;
            for (const QString &table : reports.tables())
                columns += reports.columns(table).size();
            if (reports.tables().size() != 9 || columns != 90)
                die(QStringLiteral("nwind.mdb listed %1 tables, %2 columns").arg(reports.tables().size()).arg(columns));
        });
        ok &= report("listing nwind.mdb's tables and columns", listing, 100);
    }
    return ok ? 0 : 1;
}
