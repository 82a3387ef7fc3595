#pragma once

#include "store/DataDir.h"

// What became of the offer to import the old program's files at start-up.
enum class ImportOffer { NotOffered, Declined, Imported, Failed };

// When the data directory holds Class.mdb but no Class.db, asks whether to
// import it and does so under a progress dialog that can be cancelled.
// Failed: the refusal or the cancel has been shown and written to stderr,
// and nothing was written.
ImportOffer offerLegacyImport(const store::DataDir &dir);

// The --import-mdb command: prints a line per table and a summary, or the
// refusal on stderr. Returns the exit status.
int importLegacyCommand(const store::DataDir &from, const store::DataDir &to, bool force);
