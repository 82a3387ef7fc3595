#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

namespace rules {

// Comma-separated values as RFC 4180 has them: a field holding a comma, a
// quote or a line break stands in quotes, a quote inside doubled; records
// end with CR LF. A text a spreadsheet would run as a formula (one that
// begins with =, +, -, @, a tab or a CR and is not a number) is written
// behind an apostrophe, which the reader takes off again.
QByteArray csvRecord(const QStringList &fields);

struct CsvRecord {
    int line = 0; // where the record starts, from 1
    QStringList fields;
};

// Reads UTF-8 records (a byte-order mark allowed) from the device in pieces
// and hands each to onRecord as soon as it is complete, so that no more
// than one piece of the text is held at a time. Throws store::Error when
// the device holds more than maxBytes, and naming the line of text that is
// not valid UTF-8, of a quoted field left open or of text after a closing
// quote.
void readCsv(QIODevice &device, qint64 maxBytes, const std::function<void(const CsvRecord &)> &onRecord);

} // namespace rules
