#include "shell/FirstStart.h"

#include "controls/Prompt.h"
#include "store/Error.h"
#include "store/Schema.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace {

// Besides the databases, a connection file to a server or the old program's
// Access file (which start-up offers to import) mean someone has been here.
const char *const kAlreadyThere[] = {store::kClassDb, store::kServerFile, "Class.mdb"};

} // namespace

FirstStart offerFirstStart(const store::DataDir &dir)
{
    const store::DataDir perUser(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    if (dir.path() != perUser.path())
        return FirstStart::NotOffered;
    for (const char *name : kAlreadyThere) {
        if (QFileInfo::exists(dir.file(QString::fromLatin1(name))))
            return FirstStart::NotOffered;
    }

    const controls::Choice choice = controls::choose(
        QStringLiteral("Orvana Class has no data directory yet. It can make one in\n%1\n\n"
                       "Yes: with the demo rule set, to look around.\n"
                       "No: with empty tables, for your own rules.\n"
                       "Cancel: make nothing and quit.")
            .arg(dir.path()));
    if (choice == controls::Choice::Cancel)
        return FirstStart::Cancelled;
    try {
        store::createDataDirectory(dir.path(), choice == controls::Choice::Yes);
    } catch (const store::Error &error) {
        const QString text = QStringLiteral("The data directory could not be made.\n\n%1").arg(error.message());
        std::fprintf(stderr, "orvana-class: %s\n", qPrintable(text));
        controls::inform(text);
        return FirstStart::Failed;
    }
    return FirstStart::Created;
}
