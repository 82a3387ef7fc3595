#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

class QPrinter;
class QSqlDatabase;
class QTextDocument;

namespace rules {

// The printed rule sheet of one lab: what the grid shows, with a heading.
struct RuleSheet {
    QString shape, type, lab, description;
    QDate date;
    QStringList classes;
    struct Row {
        QString parameter;
        bool include = false;
        bool show = false;
        QStringList limits; // min, max of each class in turn
        QString field;      // the report field the parameter is bound to
    };
    QVector<Row> rows;

    // More class columns than fit across a portrait page.
    bool wide() const { return classes.size() > 4; }
};

// The rules of a lab as stored, laid out as the grid shows them after
// loading: rows in parameter order, a parameter included when any of its
// range rows says so. Throws store::Error (also for a type other than Cut
// or Sym).
RuleSheet storedRuleSheet(const QSqlDatabase &db, const QString &type, const QString &shape, const QString &lab);

// The sheet laid out as a document: a heading and one table of parameters
// by classes whose two header rows repeat on every page.
std::unique_ptr<QTextDocument> ruleSheetDocument(const RuleSheet &sheet);

// Prints the sheet, landscape when it is wide, fitted to the page width.
void printRuleSheet(const RuleSheet &sheet, QPrinter &printer);

} // namespace rules
