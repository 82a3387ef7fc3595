#include "store/ShapeFile.h"

#include "store/Error.h"
#include "store/History.h"
#include "store/Sql.h"
#include "store/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace store {

namespace {

// A shape as the file holds it: the field's bytes from its first non-blank
// up to the separator, quotes and all, so that they read back the same.
struct ShapeField {
    ShapeEntry shape;
    QByteArray bytes;
};

QString decodeField(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder ansi("windows-1252");
    return ansi.isValid() ? QString(ansi(bytes)) : QString::fromLatin1(bytes);
}

bool endsLine(char c)
{
    return c == '\n' || c == '\r';
}

bool endsField(char c)
{
    return c == ',' || endsLine(c);
}

// Reads one field starting at pos; leaves pos after the comma or line end
// that closed it. CR LF, LF and a lone CR (older files) each end a line.
// The separators are ASCII, so fields are found in the bytes before the
// text of each is decoded.
std::optional<ShapeField> nextField(const QByteArray &bytes, qsizetype &pos)
{
    const qsizetype size = bytes.size();
    while (pos < size && (bytes[pos] == ' ' || bytes[pos] == '\t'))
        ++pos;
    const qsizetype start = pos;
    QByteArrayView content;
    if (pos < size && bytes[pos] == '"') {
        const qsizetype opened = ++pos;
        while (pos < size && bytes[pos] != '"' && !endsLine(bytes[pos]))
            ++pos;
        content = QByteArrayView(bytes).sliced(opened, pos - opened);
        // Anything between the closing quote and the separator is dropped.
        while (pos < size && !endsField(bytes[pos]))
            ++pos;
    } else {
        while (pos < size && !endsField(bytes[pos]))
            ++pos;
        content = QByteArrayView(bytes).sliced(start, pos - start);
    }
    const QByteArray fieldBytes = bytes.sliced(start, pos - start);
    if (pos < size && bytes[pos] == '\r' && pos + 1 < size && bytes[pos + 1] == '\n')
        ++pos;
    if (pos < size)
        ++pos; // the comma or the line end

    const QString text = decodeField(content);
    const qsizetype tilde = text.indexOf(u'~');
    if (tilde < 0)
        return std::nullopt;
    return ShapeField{{text.left(tilde), text.mid(tilde + 1)}, fieldBytes};
}

QVector<ShapeField> parseShapeBytes(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QVector<ShapeField> fields;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        if (std::optional<ShapeField> field = nextField(bytes, pos))
            fields.append(std::move(*field));
    }
    return fields;
}

} // namespace

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
    QVector<ShapeEntry> shapes;
    for (const ShapeField &field : parseShapeBytes(bytes))
        shapes.append(field.shape);
    return shapes;
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
    // A line break would split the shape over two lines of the file.
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QStringLiteral("The %1 cannot hold a line break or another control character.").arg(what);
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

// The bytes of the file as it is now; nothing when it is gone or cannot be
// read.
std::optional<QByteArray> currentBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// A file that is gone, or cannot be read, matches no fingerprint of bytes.
Fingerprint currentFile(const QString &path)
{
    if (const std::optional<QByteArray> bytes = currentBytes(path))
        return Fingerprint::ofBytes(*bytes);
    FingerprintBuilder missing;
    missing.addNull();
    return missing.result();
}

// Quotes keep a comma and blanks at either end; what quotes cannot carry
// (a double quote, a line break) the shapes window refuses.
QByteArray newField(const ShapeEntry &shape)
{
    const QString text = shape.name + u'~' + shape.code;
    const bool quoted = text.contains(u',') || text != text.trimmed();
    return (quoted ? u'"' + text + u'"' : text).toUtf8();
}

// A shape left as it was is written with the bytes the file holds for it,
// so that a name saved in another encoding is not turned into this one.
QByteArray shapeLines(const QVector<ShapeEntry> &shapes, const QByteArray &current)
{
    const QVector<ShapeField> kept = parseShapeBytes(current);
    QByteArray bytes;
    for (const ShapeEntry &shape : shapes) {
        const auto same = std::find_if(kept.begin(), kept.end(), [&](const ShapeField &f) { return f.shape == shape; });
        bytes += (same != kept.end() ? same->bytes : newField(shape)) + "\r\n";
    }
    return bytes;
}

} // namespace

void writeShapeFile(const QString &path, const QVector<ShapeEntry> &shapes, Fingerprint *seen)
{
    const QByteArray bytes = shapeLines(shapes, currentBytes(path).value_or(QByteArray()));
    const QString name = QFileInfo(path).fileName();
    // Files have no write transaction: compare at the last moment, so that
    // the window between the check and the rename stays as short as can be.
    writeWholeFile(path, bytes, name, [&] {
        if (seen && !seen->matches(currentFile(path)))
            throw Conflict({name, false});
    });
    if (seen)
        *seen = Fingerprint::ofBytes(bytes);
}

void saveShapeFile(const QSqlDatabase &db, const QString &path, const QVector<ShapeEntry> &shapes, Fingerprint *seen)
{
    Transaction transaction(db);
    ScopeRecord record(db, HistoryScope::ofShapes(), path);
    writeShapeFile(path, shapes, seen);
    record.wrote(0);
    record.record(history::kShapes);
    transaction.commit();
}

} // namespace store
