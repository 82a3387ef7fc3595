#include "store/ShapeFile.h"

#include "store/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace store {

namespace {

bool endsLine(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Reads one field starting at pos; leaves pos after the comma or line end
// that closed it. CR LF, LF and a lone CR (older files) each end a line.
QString nextField(const QString &text, qsizetype &pos)
{
    const qsizetype size = text.size();
    while (pos < size && (text[pos] == u' ' || text[pos] == u'\t'))
        ++pos;

    QString field;
    if (pos < size && text[pos] == u'"') {
        ++pos;
        while (pos < size && text[pos] != u'"' && !endsLine(text[pos]))
            field += text[pos++];
        if (pos < size && text[pos] == u'"')
            ++pos;
        // Anything between the closing quote and the separator is dropped.
        while (pos < size && text[pos] != u',' && !endsLine(text[pos]))
            ++pos;
    } else {
        while (pos < size && text[pos] != u',' && !endsLine(text[pos]))
            field += text[pos++];
    }
    if (pos < size && text[pos] == u'\r' && pos + 1 < size && text[pos + 1] == u'\n')
        ++pos;
    if (pos < size)
        ++pos; // the comma or the line end
    return field;
}

} // namespace

QVector<ShapeEntry> parseShapeText(const QString &text)
{
    QVector<ShapeEntry> shapes;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const QString field = nextField(text, pos);
        const qsizetype tilde = field.indexOf(u'~');
        if (tilde < 0)
            continue;
        shapes.append({field.left(tilde), field.mid(tilde + 1)});
    }
    return shapes;
}

QVector<ShapeEntry> readShapeFile(const QString &path, Fingerprint *seen)
{
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.exists())
        throw Error(QStringLiteral("%1 was not found in %2.")
                        .arg(name, QFileInfo(path).absolutePath()));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1 cannot be read: %2").arg(name, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("%1 cannot be read: %2").arg(name, file.errorString()));
    if (seen)
        *seen = Fingerprint::ofBytes(bytes);

    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        QStringDecoder ansi("windows-1252");
        text = ansi.isValid() ? ansi(bytes) : QString::fromLatin1(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return parseShapeText(text);
}

} // namespace store

namespace store {

namespace {

QString fieldProblem(const QString &text, const QString &what)
{
    if (text.contains(u','))
        return QStringLiteral("The %1 cannot hold a comma.").arg(what);
    if (text.contains(u'"'))
        return QStringLiteral("The %1 cannot hold a double quote.").arg(what);
    if (text != text.trimmed())
        return QStringLiteral("The %1 cannot begin or end with a blank.").arg(what);
    return {};
}

} // namespace

QString shapeNameProblem(const QString &name)
{
    const QString problem = fieldProblem(name, QStringLiteral("shape name"));
    if (!problem.isEmpty())
        return problem;
    if (name.contains(u'~'))
        return QStringLiteral("The shape name cannot hold a \"~\".");
    return {};
}

QString shapeCodeProblem(const QString &code)
{
    return fieldProblem(code, QStringLiteral("CutSym Table"));
}

namespace {

// The bytes of the file as it is now; a file that is gone, or cannot be
// read, matches no fingerprint of bytes.
Fingerprint currentFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FingerprintBuilder missing;
        missing.addNull();
        return missing.result();
    }
    return Fingerprint::ofBytes(file.readAll());
}

} // namespace

void writeShapeFile(const QString &path, const QVector<ShapeEntry> &shapes, Fingerprint *seen)
{
    QByteArray bytes;
    for (const ShapeEntry &shape : shapes)
        bytes += (shape.name + u'~' + shape.code).toUtf8() + "\r\n";

    const QString name = QFileInfo(path).fileName();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("%1 cannot be written: %2").arg(name, file.errorString()));
    if (file.write(bytes) != bytes.size())
        throw Error(QStringLiteral("%1 cannot be written: %2").arg(name, file.errorString()));
    // Files have no write transaction: compare at the last moment, so that
    // the window between the check and the rename stays as short as can be.
    if (seen && !seen->matches(currentFile(path)))
        throw Conflict({name, false}); // the temporary file is dropped
    if (!file.commit())
        throw Error(QStringLiteral("%1 cannot be written: %2").arg(name, file.errorString()));
    if (seen)
        *seen = Fingerprint::ofBytes(bytes);
}

} // namespace store
