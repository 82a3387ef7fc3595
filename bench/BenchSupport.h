#pragma once

// What every benchmark program needs: failing loudly, the median of its
// runs, and a prompt that records what would have been shown.
#include "controls/Prompt.h"
#include "store/DataDir.h"
#include "store/Error.h"
#include "store/ServerConfig.h"
#include "store/ServerCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

// A benchmark that measured something wrong must not print a good time.
[[noreturn]] inline void die(const QString &why)
{
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationName() : QStringLiteral("bench");
    std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(why));
    std::exit(1);
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Records the texts of information boxes; answers every question Yes.
class RecordingPrompt final : public controls::Prompt {
public:
    void inform(const QString &text) override { informed.append(text); }
    bool confirm(const QString &) override { return true; }
    // A save that finds its rows changed underneath asks; in a benchmark
    // that is a failure, recorded as a message and answered Cancel.
    controls::Resolution resolve(const QString &text) override
    {
        informed.append(text);
        return controls::Resolution::Cancel;
    }
    QStringList informed;
};

// Copies the built directory's rules into the server's empty stores and
// returns a data directory holding only the connection file and Shapes.txt.
inline QString moveToServer(const QString &dataDir, const QString &serverIni, const QString &into)
{
    QDir().mkpath(into);
    const store::DataDir target(into);
    if (!QFile::copy(serverIni, target.file(QString::fromLatin1(store::kServerFile)))
        || !QFile::copy(store::DataDir(dataDir).file(QString::fromLatin1(store::kShapesFile)),
                        target.file(QString::fromLatin1(store::kShapesFile))))
        die(QStringLiteral("cannot set up %1").arg(into));
    try {
        QElapsedTimer timer;
        timer.start();
        store::copyToServer(store::DataDir(dataDir), *store::ServerConfig::read(target));
        std::printf("copied to the server in %.0f ms\n", double(timer.nsecsElapsed()) / 1e6);
    } catch (const store::Error &error) {
        die(error.message());
    }
    return into;
}

} // namespace bench
