#pragma once

#include <QString>
#include <cstdio>

// What the command line prints on stderr, under the program's name.
inline void printError(const QString &text)
{
    std::fprintf(stderr, "orvana-class: %s\n", qPrintable(text));
}
