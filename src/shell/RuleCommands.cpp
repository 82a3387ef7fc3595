#include "shell/RuleCommands.h"

#include "legacy/MdbReportTables.h"
#include "rules/Backup.h"
#include "rules/Csv.h"
#include "rules/Grading.h"
#include "rules/RuleFile.h"
#include "shell/Console.h"
#include "store/DataDir.h"
#include "store/Database.h"
#include "store/Error.h"
#include "store/RuleStore.h"
#include "store/ShapeFile.h"
#include "store/StoreCheck.h"
#include "store/WholeFile.h"

#include <QDateTime>
#include <cstdio>
#include <functional>

namespace commands {

namespace {

const QString kConnection = QStringLiteral("command");
const QString kReportsConnection = QStringLiteral("command-reports");

// Runs work on the rules (Class.db or its server store) of a checked data directory; a store::Error is
// printed and ends in status 1.
int withRules(const store::DataDir &dataDir, const std::function<int(const QSqlDatabase &)> &work)
{
    int status = 1;
    try {
        store::checkDataDir(dataDir);
        status = work(store::openStore(kConnection, dataDir, store::StoreKind::Class));
    } catch (const store::Error &error) {
        printError(error.message());
        status = 1;
    }
    store::closeDatabase(kConnection);
    return status;
}

// The entry of Shapes.txt named so, without regard to case as the rule
// tables compare shapes.
store::ShapeEntry shapeNamed(const store::DataDir &dataDir, const QString &name)
{
    const QString file = QString::fromLatin1(store::kShapesFile);
    for (const store::ShapeEntry &entry : store::readShapeFile(dataDir.file(file))) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    throw store::Error(QStringLiteral("There is no shape \"%1\" in %2.").arg(name, file));
}

QString labNamed(const QSqlDatabase &db, const QString &type, const QString &shape, const QString &name)
{
    for (const QString &lab : store::RuleStore(db, store::RuleTables::forType(type)).labs(shape)) {
        if (lab.compare(name, Qt::CaseInsensitive) == 0)
            return lab;
    }
    throw store::Error(QStringLiteral("%1 (%2) has no lab \"%3\".").arg(shape, type, name));
}

} // namespace

int exportRules(const store::DataDir &dataDir, const ExportRequest &request)
{
    rules::Selection selection;
    if (!request.lab.isEmpty() || !request.shape.isEmpty() || !request.type.isEmpty()) {
        if (request.shape.isEmpty() || request.type.isEmpty()) {
            printError(QStringLiteral("--shape and --type go together (and --lab needs both)."));
            return 1;
        }
        selection = {request.lab.isEmpty() ? rules::Selection::ShapeAndType : rules::Selection::Lab, request.type,
                     request.shape, request.lab};
    }
    return withRules(dataDir, [&](const QSqlDatabase &db) {
        const QByteArray csv = rules::exportRules(db, selection);
        store::writeWholeFile(request.file, csv, request.file);
        std::printf("Exported the rules to %s\n", qPrintable(request.file));
        return 0;
    });
}

int importRules(const store::DataDir &dataDir, const QString &path, bool write)
{
    return withRules(dataDir, [&](const QSqlDatabase &db) {
        const rules::ImportPlan plan = rules::ImportPlan::read(db, path);
        for (const QString &line : plan.summary())
            std::printf("%s\n", qPrintable(line));
        if (!write) {
            std::printf("Nothing was written; add --yes to import.\n");
            return 2;
        }
        plan.apply(db);
        std::printf("Imported.\n");
        return 0;
    });
}

int gradeStones(const store::DataDir &dataDir, const GradeRequest &request)
{
    if (request.shape.isEmpty() || request.type.isEmpty() || request.lab.isEmpty()) {
        printError(QStringLiteral("--grade needs --shape, --type and --lab."));
        return 1;
    }
    if (request.type != QLatin1String("Cut") && request.type != QLatin1String("Sym")) {
        printError(QStringLiteral("Unknown class type \"%1\"; the types are Cut and Sym.").arg(request.type));
        return 1;
    }
    const int status = withRules(dataDir, [&](const QSqlDatabase &db) {
        const store::ShapeEntry shape = shapeNamed(dataDir, request.shape);
        const QString lab = labNamed(db, request.type, shape.name, request.lab);
        const rules::RuleSheet sheet = rules::storedRuleSheet(db, request.type, shape.name, lab);
        QStringList fields;
        for (const rules::RuleSheet::Row &row : sheet.rows) {
            if (row.include && !fields.contains(row.field))
                fields.append(row.field);
        }
        store::Stones stones = *store::readStones(*legacy::openReportTables(dataDir, kReportsConnection), shape.code, fields);
        rules::readTexts(stones);
        const rules::Grader grader(sheet, rules::Grader::columnsOf(sheet, stones.fields));
        QByteArray csv = rules::csvRecord({QStringLiteral("RID"), QStringLiteral("Class"), QStringLiteral("Decided by")});
        for (qsizetype i = 0; i < stones.count(); ++i) {
            const rules::Grade grade = grader.grade(stones.stone(i));
            csv += rules::csvRecord({QString::number(stones.rids[i]), grader.className(grade), grader.parameterName(grade)});
        }
        if (request.out.isEmpty()) {
            std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
            return 0;
        }
        csv.prepend("\xEF\xBB\xBF"); // a spreadsheet opens it as UTF-8
        store::writeWholeFile(request.out, csv, request.out);
        std::printf("Graded %lld stones of %s (%s, %s) into %s\n", static_cast<long long>(stones.count()),
                    qPrintable(shape.name), qPrintable(request.type), qPrintable(lab), qPrintable(request.out));
        return 0;
    });
    store::closeDatabase(kReportsConnection);
    return status;
}

int backUp(const store::DataDir &dataDir, const QString &parent)
{
    try {
        store::checkDataDir(dataDir);
        const QString folder = rules::backUp(dataDir, parent, QDateTime::currentDateTime());
        std::printf("Backed up to %s\n", qPrintable(folder));
        return 0;
    } catch (const store::Error &error) {
        printError(error.message());
        return 1;
    }
}

} // namespace commands
