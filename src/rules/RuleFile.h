#pragma once

#include <QByteArray>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

namespace rules {

struct CsvRecord;

// What an export holds.
struct Selection {
    enum Scope { Lab, ShapeAndType, Everything };
    Scope scope = Everything;
    QString type;  // "Cut" or "Sym", for Lab and ShapeAndType
    QString shape; // for Lab and ShapeAndType
    QString lab;   // for Lab
};

// The rules of the selection as a CSV file a spreadsheet opens as it stands
// (UTF-8 with a byte-order mark, a header row). One row per stored range,
// plus rows for what a faithful copy also needs: the parameters of each
// shape and type with their positions, the labs with their descriptions,
// the classes in order. A lab's own rows always follow its shape's
// parameters. Throws store::Error, also when the selection holds nothing.
QByteArray exportRules(const QSqlDatabase &db, const Selection &selection);

// The header row, exactly as written and expected.
QStringList ruleFileHeader();

// The largest rules file read: some 200,000 ranges, many times what an
// office keeps, read and held as a plan in about 200 MB.
constexpr qint64 kMaxRuleFileBytes = 16 * 1024 * 1024;

// A rules file read and checked, and what importing it would do.
class ImportPlan {
public:
    // Reads the file at path in pieces. Throws store::Error naming the line
    // and what is wrong (or that the file cannot be read or is larger than
    // kMaxRuleFileBytes); then nothing is to be written.
    static ImportPlan read(const QSqlDatabase &db, const QString &path);

    // Lines for the user: labs added or replaced with their rows, parameter
    // lists replaced.
    QStringList summary() const;
    bool isEmpty() const { return m_groups.isEmpty(); }

    // Writes everything in one transaction: each parameter list and each lab
    // in the file replaces the stored one. Throws store::Error; then nothing
    // was written.
    void apply(const QSqlDatabase &db) const;

private:
    struct Group {
        QString type, shape, lab; // lab empty: the shape's parameter list
        int firstLine = 0;
        int lastClass = 0; // class numbers rise within a lab
        bool exists = false;
        QVector<QStringList> parameters; // ID, Parameters, Display_Name
        QVector<QStringList> labRows;    // Description
        QVector<QStringList> classes;    // Serial, Class
        QVector<QStringList> ranges;     // serial, cPara, cMin, cMax, include, Class, Parameters, Show
    };
    Group &group(const QString &type, const QString &shape, const QString &lab, int line);
    // Checks one record of the file and files it in its group.
    void add(const CsvRecord &record);

    QVector<Group> m_groups;
    QHash<QString, int> m_index; // a group's position by its type and folded names
};

} // namespace rules
