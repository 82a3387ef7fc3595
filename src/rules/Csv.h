#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace rules {

// Comma-separated values as RFC 4180 has them: a field holding a comma, a
// quote or a line break stands in quotes, a quote inside doubled; records
// end with CR LF.
QByteArray csvRecord(const QStringList &fields);

struct CsvRecord {
    int line = 0; // where the record starts, from 1
    QStringList fields;
};

// Splits decoded text into records. Throws store::Error naming the line of
// a quoted field left open or of text after a closing quote.
QVector<CsvRecord> parseCsv(const QString &text);

// UTF-8, a byte-order mark allowed. Throws store::Error naming the first
// line that is not valid UTF-8.
QString decodeUtf8(const QByteArray &bytes);

} // namespace rules
