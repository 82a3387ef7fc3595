#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace legacy {

// One row of a legacy table: a value per column, in column order. A null
// is a null QVariant; everything else is the value's text.
using Row = QVariantList;

struct Table {
    QString name;
    QStringList columns;
    QList<Row> rows;
};

// The tables of one legacy database file, as read. Filled either from an
// Access file (readMdbFile) or by hand, which lets the mapping onto our
// tables be exercised without Jet files.
class Source {
public:
    Source() = default;
    explicit Source(QString fileName) : m_fileName(std::move(fileName)) {}

    // The file's name, for messages ("Class.mdb").
    QString fileName() const { return m_fileName; }
    // The user tables, in the file's order.
    const QList<Table> &tables() const { return m_tables; }
    // The table of that name, compared without regard to case as the old
    // engine did; nullptr when there is none.
    const Table *table(const QString &name) const;

    Table &addTable(const QString &name, const QStringList &columns);

private:
    QString m_fileName;
    QList<Table> m_tables;
};

} // namespace legacy
