#include "rules/Csv.h"

#include "store/Error.h"

#include <QStringDecoder>

namespace rules {

namespace {

QString quoted(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n') && !field.contains(u'\r'))
        return field;
    QString text = field;
    text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

[[noreturn]] void refuse(int line, const QString &what)
{
    throw store::Error(QStringLiteral("Line %1: %2").arg(line).arg(what));
}

} // namespace

QByteArray csvRecord(const QStringList &fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString &field : fields)
        out.append(quoted(field));
    return out.join(u',').toUtf8() + "\r\n";
}

QString decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (!decoder.hasError())
        return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    // Find the first line that does not decode.
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringDecoder line(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = line(lines[i]);
        if (line.hasError())
            refuse(i + 1, QStringLiteral("the text is not valid UTF-8."));
    }
    refuse(int(lines.size()), QStringLiteral("the text is not valid UTF-8."));
}

QVector<CsvRecord> parseCsv(const QString &text)
{
    QVector<CsvRecord> records;
    CsvRecord record;
    QString field;
    int line = 1;
    bool quotedField = false; // inside quotes
    bool afterQuote = false;  // a quoted field has closed
    bool started = false;     // the record holds anything
    auto endField = [&] {
        record.fields.append(field);
        field.clear();
        afterQuote = false;
    };
    auto endRecord = [&] {
        if (started) {
            endField();
            records.append(record);
        }
        record = CsvRecord();
        started = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!started) {
            record.line = line;
            if (c == u'\r' || c == u'\n') { // blank line
                if (c == u'\n' || (i + 1 < text.size() && text.at(i + 1) != u'\n'))
                    ++line;
                continue;
            }
            started = true;
        }
        if (quotedField) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field.append(u'"');
                    ++i;
                } else {
                    quotedField = false;
                    afterQuote = true;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field.append(c);
            }
            continue;
        }
        if (c == u',') {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            ++line;
            endRecord();
        } else if (c == u'"' && field.isEmpty() && !afterQuote) {
            quotedField = true;
        } else if (afterQuote) {
            refuse(line, QStringLiteral("text follows a closing quote."));
        } else {
            field.append(c);
        }
    }
    if (quotedField)
        refuse(record.line, QStringLiteral("a quoted field is never closed."));
    endRecord();
    return records;
}

} // namespace rules
