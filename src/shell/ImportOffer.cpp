#include "shell/ImportOffer.h"

#include "controls/Prompt.h"
#include "legacy/Import.h"
#include "shell/Console.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <cstdio>

namespace {

// Rows are counted in 64 bits, the dialog in int: scale to thousandths.
int permille(qint64 done, qint64 total)
{
    return total > 0 ? int(done * 1000 / total) : 0;
}

} // namespace

ImportOffer offerLegacyImport(const store::DataDir &dir)
{
    if (dir.onServer() || QFileInfo::exists(dir.file(QString::fromLatin1(store::kClassDb)))
        || !QFileInfo::exists(dir.file(QString::fromLatin1(legacy::kClassMdb))))
        return ImportOffer::NotOffered;
    if (!controls::confirm(QStringLiteral("The data directory %1 holds Class.mdb of the old program but no Class.db."
                                          "\n\nImport Class.mdb and OMZ2006.mdb now?")
                               .arg(dir.path())))
        return ImportOffer::Declined;

    QProgressDialog progress(QStringLiteral("Reading Class.mdb"), QStringLiteral("Cancel"), 0, 1000);
    progress.setWindowTitle(controls::kAppTitle);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setValue(0);
    QCoreApplication::processEvents();
    try {
        legacy::importDirectory(dir, dir, false, [&progress](const QString &label, qint64 done, qint64 total) {
            progress.setLabelText(label);
            progress.setMaximum(total > 0 ? 1000 : 0); // reading: the rows to come are not known, a busy bar
            progress.setValue(permille(done, total));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    } catch (const store::Error &error) {
        progress.hide(); // a refusal leaves it up; the message stands alone
        const QString text = QStringLiteral("Class.mdb was not imported.\n\n%1").arg(error.message());
        printError(text);
        controls::inform(text);
        return ImportOffer::Failed;
    }
    return ImportOffer::Imported;
}

int importLegacyCommand(const store::DataDir &from, const store::DataDir &to, bool force)
{
    QList<legacy::TableCount> counts;
    try {
        counts = legacy::importDirectory(from, to, force);
    } catch (const store::Error &error) {
        printError(error.message());
        return 1;
    }
    QStringList files;
    qint64 rows = 0;
    for (const legacy::TableCount &count : counts) {
        std::printf("%s %s: %d rows read, %d written\n", qPrintable(count.file), qPrintable(count.table), count.read,
                    count.written);
        if (!files.contains(count.file))
            files.append(count.file);
        rows += count.written;
    }
    std::printf("Imported %s (%lld tables, %lld rows) into %s\n", qPrintable(files.join(QStringLiteral(" and "))),
                qlonglong(counts.size()), qlonglong(rows), qPrintable(to.path()));
    return 0;
}
