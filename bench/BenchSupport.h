#pragma once

// What every benchmark program needs: failing loudly, the median of its
// runs, and a prompt that records what would have been shown.
#include "controls/Prompt.h"

#include <QCoreApplication>
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

} // namespace bench
