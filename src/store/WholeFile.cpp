#include "store/WholeFile.h"

#include "store/Error.h"

#include <QSaveFile>

namespace store {

void writeWholeFile(const QString &path, const QByteArray &bytes, const QString &shownName,
                    const std::function<void()> &beforeRename)
{
    const auto cannotWrite = [&](const QSaveFile &file) {
        return Error(QStringLiteral("%1 cannot be written: %2").arg(shownName, file.errorString()));
    };
    // Unbuffered: a write the disk cuts short shows here. Buffered, it would
    // only fail in commit(), which does not look and puts the cut file in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw cannotWrite(file);
    // After a short write, writing the rest tells why the disk refuses it.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            throw cannotWrite(file);
        done += written;
    }
    if (beforeRename)
        beforeRename(); // throwing drops the temporary file
    if (!file.commit())
        throw cannotWrite(file);
}

} // namespace store
