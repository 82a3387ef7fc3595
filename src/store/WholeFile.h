#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace store {

// Puts bytes in place of the file at path all at once: written to a
// temporary file beside it, then renamed over it, so the old file stays
// whole when anything fails. Throws store::Error "<shownName> cannot be
// written: <why>". beforeRename runs after the bytes are written and may
// throw to keep the old file (a last-moment conflict check).
void writeWholeFile(const QString &path, const QByteArray &bytes, const QString &shownName,
                    const std::function<void()> &beforeRename = {});

} // namespace store
