#pragma once

#include "store/DataDir.h"

// What became of the offer to make a data directory on the first start.
enum class FirstStart { NotOffered, Created, Cancelled, Failed };

// A program started from the desktop's menu has no --data-dir: when the
// directory chosen is the per-user data location and nothing is there yet,
// asks whether to make the demo data (Yes) or an empty rule base (No) there.
// Cancelled: nothing was made and nothing is said. Failed: the reason has
// been shown and written to stderr.
FirstStart offerFirstStart(const store::DataDir &dir);
