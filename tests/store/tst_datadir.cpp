// Making a data directory: all or nothing, and never over a file that is there.
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/Schema.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// While it lasts no file grows past the limit, if one is given (as a full
// disk or quota stops a write half-way).
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{bytes > 0 ? bytes : old.rlim_cur, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

const QString kHelp = QString::fromLatin1(store::kHelpScript);

} // namespace

class TestDataDir : public QObject {
    Q_OBJECT

private slots:
    // Made into @/data (below a temporary folder @), which holds "present"
    // (text "kept") beforehand; when none is named, into @/new/data, both
    // folders new. "after": what @ then holds.
    void create_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("present");
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("after");
        const QString exists = QStringLiteral("@/data/%1 exists already; nothing was changed.");
        QTest::newRow("only Reports.db") << false << "Reports.db" << 0 << exists.arg("Reports.db")
                                         << QStringList{"data", "data/Reports.db"};
        QTest::newRow("help script, demo") << true << kHelp << 0 << exists.arg(kHelp) << QStringList{"data", "data/" + kHelp};
        // An empty data directory gets neither, so they are left alone.
        QTest::newRow("help script, empty") << false << kHelp << 0 << ""
                                            << QStringList{"data", "data/Class.db", "data/OMZ2006.db", "data/Reports.db",
                                                           "data/Shapes.txt", "data/" + kHelp};
        // Class.db, made first, outgrows the limit.
        QTest::newRow("fails, new directories") << true << "" << 20000 << "disk I/O error (@/new/data/Class.db)"
                                                << QStringList{};
        QTest::newRow("fails, existing directory") << false << "notes.txt" << 20000 << "disk I/O error (@/data/Class.db)"
                                                   << QStringList{"data", "data/notes.txt"};
    }

    void create()
    {
        QFETCH(bool, demo);
        QFETCH(QString, present);
        QFETCH(int, sizeLimit);
        QFETCH(QString, error);
        QTemporaryDir root;
        const QString path = root.filePath(present.isEmpty() ? "new/data" : "data");
        QFile file(root.filePath("data/" + present));
        QVERIFY(present.isEmpty() || (QDir().mkpath(path) && file.open(QIODevice::WriteOnly) && file.write("kept") == 4));
        file.close();
        try {
            const FileSizeLimit limit(sizeLimit);
            store::createDataDirectory(path, demo);
            QVERIFY(error.isEmpty());
        } catch (const store::Error &e) {
            QCOMPARE(e.message(), QString(error).replace("@", root.path()));
        }
        QStringList entries;
        for (QDirIterator it(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            entries.append(QDir(root.path()).relativeFilePath(it.next()));
        entries.sort();
        QTEST(entries, "after");
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), present.isEmpty() ? "" : "kept");
    }
};

QTEST_GUILESS_MAIN(TestDataDir)
#include "tst_datadir.moc"
