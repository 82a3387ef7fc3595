#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

namespace rules {

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
// parameters. Throws store::Error.
QByteArray exportRules(const QSqlDatabase &db, const Selection &selection);

// The header row, exactly as written and expected.
QStringList ruleFileHeader();

// A rules file read and checked, and what importing it would do.
class ImportPlan {
public:
    // Throws store::Error naming the line and what is wrong; then nothing
    // is to be written.
    static ImportPlan read(const QSqlDatabase &db, const QByteArray &file);

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
        bool exists = false;
        QVector<QStringList> parameters; // ID, Parameters, Display_Name
        QVector<QStringList> labRows;    // Description
        QVector<QStringList> classes;    // Serial, Class
        QVector<QStringList> ranges;     // serial, cPara, cMin, cMax, include, Class, Parameters, Show
    };
    Group &group(const QString &type, const QString &shape, const QString &lab);

    QVector<Group> m_groups;
};

} // namespace rules
