#pragma once

#include "store/DataDir.h"

#include <QString>

// What start-up does for data directories kept on a server.

// --copy-to-server: copies the rule base of `from` (its SQLite files) into
// the empty server stores named by server.ini in `to`, and Shapes.txt and
// the help script into `to` when it lacks them; prints rows per table.
// Returns the exit status.
int copyToServerCommand(const store::DataDir &from, const QString &to);

// Before the windows open: while the server refuses the user for want of a
// password, asks for one (kept for the run only). False when the user
// cancelled; any other failure is left to the start-up checks to report.
bool logInToServer(const store::DataDir &dir);
