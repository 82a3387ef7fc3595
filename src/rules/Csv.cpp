#include "rules/Csv.h"

#include "store/Error.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QStringDecoder>

namespace rules {

namespace {

// Read at a time; a piece is decoded and parsed up to its last line feed.
constexpr qint64 kPiece = 1 << 20;

[[noreturn]] void refuse(int line, const QString &what)
{
    throw store::Error(QStringLiteral("Line %1: %2").arg(line).arg(what));
}

bool startsFormula(QStringView field)
{
    static const QString triggers = QStringLiteral("=+-@\t\r");
    return !field.isEmpty() && triggers.contains(field.front());
}

// Limits are texts that hold numbers; a spreadsheet shows "-1" as a number
// and runs nothing, so those stay as they are.
bool isNumber(const QString &field)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+[.,]?\\d*|[.,]\\d+)([eE][+-]?\\d+)?$"));
    return number.match(field).hasMatch();
}

// A formula behind apostrophes already, as a guarded text reads: one more
// apostrophe keeps the ones it had through a write and a read.
bool guardedFormula(const QString &field)
{
    qsizetype quotes = 0;
    while (quotes < field.size() && field.at(quotes) == u'\'')
        ++quotes;
    return quotes > 0 && startsFormula(QStringView(field).mid(quotes));
}

QString guarded(const QString &field)
{
    return (startsFormula(field) && !isNumber(field)) || guardedFormula(field) ? u'\'' + field : field;
}

QString unguarded(const QString &field)
{
    return guardedFormula(field) ? field.mid(1) : field;
}

QString quoted(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n') && !field.contains(u'\r'))
        return field;
    QString text = field;
    text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

// Splits text into records, fed piece by piece. A piece ends after a line
// feed or at the end of the text, so that looking one character ahead
// never crosses into the next piece.
class Parser {
public:
    explicit Parser(const std::function<void(const CsvRecord &)> &onRecord) : m_onRecord(onRecord) {}

    void feed(QStringView text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
            if (!m_started) {
                m_record.line = m_line;
                if (c == u'\r' || c == u'\n') { // blank line
                    if (c == u'\n' || (!next.isNull() && next != u'\n'))
                        ++m_line;
                    continue;
                }
                m_started = true;
            }
            if (m_quoted) {
                if (c == u'"' && next == u'"') {
                    m_field.append(u'"');
                    ++i;
                } else if (c == u'"') {
                    m_quoted = false;
                    m_afterQuote = true;
                } else {
                    if (c == u'\n')
                        ++m_line;
                    m_field.append(c);
                }
                continue;
            }
            if (c == u',') {
                endField();
            } else if (c == u'\r' || c == u'\n') {
                if (c == u'\r' && next == u'\n')
                    ++i;
                ++m_line;
                endRecord();
            } else if (c == u'"' && m_field.isEmpty() && !m_afterQuote) {
                m_quoted = true;
            } else if (m_afterQuote) {
                refuse(m_line, QStringLiteral("text follows a closing quote."));
            } else {
                m_field.append(c);
            }
        }
    }

    void finish()
    {
        if (m_quoted)
            refuse(m_record.line, QStringLiteral("a quoted field is never closed."));
        endRecord();
    }

private:
    void endField()
    {
        m_record.fields.append(unguarded(m_field));
        m_field.clear();
        m_afterQuote = false;
    }

    void endRecord()
    {
        if (m_started) {
            endField();
            m_onRecord(m_record);
        }
        m_record = CsvRecord();
        m_started = false;
    }

    const std::function<void(const CsvRecord &)> &m_onRecord;
    CsvRecord m_record;
    QString m_field;
    int m_line = 1;
    bool m_quoted = false;     // inside quotes
    bool m_afterQuote = false; // a quoted field has closed
    bool m_started = false;    // the record holds anything
};

// Decodes whole lines of UTF-8; throws naming the first line that does not
// decode, counted from firstLine.
QString decodeLines(const QByteArray &bytes, int firstLine)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (!decoder.hasError())
        return text;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringDecoder line(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = line(lines[i]);
        if (line.hasError())
            refuse(firstLine + i, QStringLiteral("the text is not valid UTF-8."));
    }
    refuse(firstLine + int(lines.size()) - 1, QStringLiteral("the text is not valid UTF-8."));
}

} // namespace

QByteArray csvRecord(const QStringList &fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString &field : fields)
        out.append(quoted(guarded(field)));
    return out.join(u',').toUtf8() + "\r\n";
}

void readCsv(QIODevice &device, qint64 maxBytes, const std::function<void(const CsvRecord &)> &onRecord)
{
    const QString tooLarge = QStringLiteral("The file is larger than %1 MB, the most a rules file may hold.")
                                 .arg(maxBytes / (1024 * 1024));
    if (!device.isSequential() && device.size() > maxBytes)
        throw store::Error(tooLarge);
    Parser parser(onRecord);
    QByteArray pending; // read, not yet parsed: what follows the last line feed
    qint64 total = 0;
    int line = 1;
    bool first = true;
    for (bool end = false; !end;) {
        const qsizetype had = pending.size();
        pending.resize(had + kPiece);
        const qint64 got = device.read(pending.data() + had, kPiece);
        if (got < 0)
            throw store::Error(QStringLiteral("The file cannot be read: %1").arg(device.errorString()));
        pending.resize(had + got);
        total += got;
        if (total > maxBytes)
            throw store::Error(tooLarge);
        end = got == 0;
        // What was pending before this read holds no line feed: look in the new bytes only.
        const qsizetype lastFeed = QByteArrayView(pending).sliced(had).lastIndexOf('\n');
        const qsizetype whole = end ? pending.size() : lastFeed < 0 ? 0 : had + lastFeed + 1;
        if (whole == 0)
            continue;
        const QByteArray lines = pending.left(whole);
        pending.remove(0, whole);
        QString text = decodeLines(lines, line);
        if (first && text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        first = false;
        line += int(lines.count('\n'));
        parser.feed(text);
    }
    parser.finish();
}

} // namespace rules
