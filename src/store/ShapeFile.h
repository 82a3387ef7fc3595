#pragma once

#include "store/Fingerprint.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector>

namespace store {

struct ShapeEntry {
    QString name;
    QString code;
    bool operator==(const ShapeEntry &) const = default;
};

// Reads and parses Shapes.txt the way the office's files have always been
// read: a field ends at a comma or at the end of a line, blanks before a
// field are skipped, double quotes enclose a field, and each field is split
// at its first "~" into name and code. Fields that are empty or hold no "~"
// are skipped, so positions in the result stay aligned with the shape
// combos. Each field is UTF-8 where it is valid UTF-8, else Windows-1252:
// one line saved by an older program does not turn the others. Throws
// store::Error naming the file when it is missing or cannot be read.
// seen, when given, becomes the fingerprint of the bytes read.
QVector<ShapeEntry> readShapeFile(const QString &path, Fingerprint *seen = nullptr);

} // namespace store

namespace store {

// Why a shape's name or code could not be read back from the shapes file
// as typed (a comma, a double quote, a line break or another control
// character, blanks at either end, a "~" in the name), or an empty text
// when it can.
QString shapeNameProblem(const QString &name);
QString shapeCodeProblem(const QString &code);

// Writes the shapes, one "name~code" line each, CR LF, nothing else. A
// shape the file holds already keeps its bytes as they are (its encoding,
// its quotes); the others are written in UTF-8, between double quotes when
// they hold a comma or begin or end with a blank.
// The old file is replaced only once the new one is complete; throws
// store::Error naming the file when it cannot be written. With seen, the
// file's bytes are compared with it right before the new file replaces the
// old: when they differ, store::Conflict is thrown and the old file stays.
// Afterwards seen is the fingerprint of what was written.
void writeShapeFile(const QString &path, const QVector<ShapeEntry> &shapes, Fingerprint *seen = nullptr);

// writeShapeFile, recorded in the history of the rules store db: the file
// is replaced inside the store's write transaction, so a refused or failed
// write records nothing. (Should the commit fail after the file was
// replaced, the next save finds the file changed and records that.)
void saveShapeFile(const QSqlDatabase &db, const QString &path, const QVector<ShapeEntry> &shapes,
                   Fingerprint *seen = nullptr);

} // namespace store
