// Making a data directory: all or nothing, and never over a file that is there.
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// Every entry below dir, recursively, as relative paths in name order; files
// show their size.
QStringList tree(const QString &dir)
{
    QStringList entries;
    const QDir root(dir);
    for (const QFileInfo &info : root.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        const QString name = root.relativeFilePath(info.filePath());
        if (info.isDir()) {
            entries.append(name + "/");
            for (const QString &inner : tree(info.filePath()))
                entries.append(name + "/" + inner);
        } else {
            entries.append(QStringLiteral("%1 %2").arg(name).arg(info.size()));
        }
    }
    return entries;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Files larger than the limit cannot be written while it lasts (the way a
// full disk or quota stops a write half-way).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

const QString kHelp = QString::fromLatin1(store::kHelpScript);

} // namespace

class TestDataDir : public QObject {
    Q_OBJECT

private slots:
    void refusesOverAnyFileItWouldWrite_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("present");
        QTest::addColumn<bool>("refused");
        QTest::newRow("only Reports.db, empty") << false << "Reports.db" << true;
        QTest::newRow("only Reports.db, demo") << true << "Reports.db" << true;
        QTest::newRow("Shapes.txt") << false << "Shapes.txt" << true;
        QTest::newRow("help script, demo") << true << kHelp << true;
        QTest::newRow("Instructions.txt, demo") << true << "Instructions.txt" << true;
        // An empty directory gets neither, so they are left alone.
        QTest::newRow("help script, empty") << false << kHelp << false;
        QTest::newRow("Instructions.txt, empty") << false << "Instructions.txt" << false;
    }

    void refusesOverAnyFileItWouldWrite()
    {
        QFETCH(bool, demo);
        QFETCH(QString, present);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        writeFile(dir.filePath(present), "kept");
        try {
            store::createDataDirectory(dir.path(), demo);
            QVERIFY(!refused);
        } catch (const store::Error &error) {
            QVERIFY(refused);
            QCOMPARE(error.message(), QStringLiteral("%1 exists already; nothing was changed.").arg(dir.filePath(present)));
        }
        if (refused)
            QCOMPARE(tree(dir.path()), QStringList{present + " 4"});
        else
            QCOMPARE(tree(dir.path()).size(), 5);
        QFile file(dir.filePath(present));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("kept"));
    }

    void failureHalfWayLeavesNothing_data()
    {
        QTest::addColumn<QString>("target"); // below the temporary folder
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QStringList>("before");
        QTest::newRow("new nested directory") << "a/b/data" << true << QStringList{};
        QTest::newRow("existing directory") << "data" << false << QStringList{"data/", "data/notes.txt 4"};
    }

    void failureHalfWayLeavesNothing()
    {
        QFETCH(QString, target);
        QFETCH(bool, demo);
        QFETCH(QStringList, before);
        QTemporaryDir root;
        if (!before.isEmpty()) {
            QVERIFY(QDir(root.path()).mkpath(target));
            writeFile(root.filePath(target + "/notes.txt"), "mine");
        }
        const QString path = root.filePath(target);
        {
            // Class.db, first made, outgrows it.
            FileSizeLimit limit(20000);
            try {
                store::createDataDirectory(path, demo);
                QFAIL("made");
            } catch (const store::Error &error) {
                QCOMPARE(error.message(), QStringLiteral("disk I/O error (%1/Class.db)").arg(path));
            }
        }
        QCOMPARE(tree(root.path()), before);
        // Nothing left that would make a second try refuse.
        store::createDataDirectory(path, demo);
        QCOMPARE(QDir(path).entryList(QDir::Files, QDir::Name),
                 demo ? QStringList({"Class.db", "Instructions.txt", "OMZ2006.db", "Reports.db", "Shapes.txt", kHelp})
                      : QStringList({"Class.db", "OMZ2006.db", "Reports.db", "Shapes.txt", "notes.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestDataDir)
#include "tst_datadir.moc"
