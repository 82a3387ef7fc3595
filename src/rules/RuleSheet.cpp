#include "rules/RuleSheet.h"

#include "store/RuleStore.h"

#include <QPageLayout>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace rules {

namespace {
constexpr int kFixedColumns = 3; // parameter, include, show
const QString kTick = QStringLiteral("\u2713");
} // namespace

RuleSheet storedRuleSheet(const QSqlDatabase &db, const QString &type, const QString &shape, const QString &lab)
{
    const store::RuleStore rules(db, store::RuleTables::forType(type));
    const store::Scope scope{shape, lab};
    RuleSheet sheet{shape, type, lab, rules.labDescription(scope), QDate::currentDate(), rules.classes(scope), {}};
    const store::RangeLookup ranges = rules.ranges(scope);
    for (const store::Parameter &parameter : rules.parameters(shape)) {
        RuleSheet::Row row{parameter.displayName, false, false, {}, parameter.fieldName};
        const store::RangeLookup::Cells *cells = ranges.parameter(parameter.displayName);
        for (int k = 0; k < sheet.classes.size(); ++k) {
            const store::RangeCell *cell = cells && k < cells->size() && cells->at(k).stored ? &cells->at(k) : nullptr;
            row.limits << (cell ? cell->min : QString()) << (cell ? cell->max : QString());
            row.include = row.include || (cell && cell->include);
            row.show = row.show || (cell && cell->show);
        }
        sheet.rows.append(row);
    }
    return sheet;
}

std::unique_ptr<QTextDocument> ruleSheetDocument(const RuleSheet &sheet)
{
    auto document = std::make_unique<QTextDocument>();
    QFont font = document->defaultFont();
    font.setPointSizeF(sheet.wide() ? 7 : 9);
    document->setDefaultFont(font);
    QTextCursor cursor(document.get());

    QTextCharFormat title;
    title.setFontPointSize(14);
    title.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("%1 rules of %2 for %3").arg(sheet.type, sheet.lab, sheet.shape), title);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Shape: %1    Type: %2    Lab: %3").arg(sheet.shape, sheet.type, sheet.lab),
                      QTextCharFormat());
    if (!sheet.description.isEmpty()) {
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("Description: %1").arg(sheet.description));
    }
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Printed %1").arg(sheet.date.toString(QStringLiteral("d MMMM yyyy"))));
    cursor.insertBlock();

    const int columns = kFixedColumns + 2 * int(sheet.classes.size());
    QTextTableFormat format;
    format.setHeaderRowCount(2);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    QTextTable *table = cursor.insertTable(2 + int(sheet.rows.size()), columns, format);
    auto put = [&](int row, int col, const QString &text, bool bold = false) {
        QTextCharFormat chars;
        if (bold)
            chars.setFontWeight(QFont::Bold);
        QTextCursor cell = table->cellAt(row, col).firstCursorPosition();
        QTextBlockFormat centred;
        centred.setAlignment(col == 0 ? Qt::AlignLeft : Qt::AlignHCenter);
        cell.setBlockFormat(centred);
        cell.insertText(text, chars);
    };
    put(0, 0, QStringLiteral("Parameter"), true);
    put(0, 1, QStringLiteral("Include"), true);
    put(0, 2, QStringLiteral("Show"), true);
    for (int k = 0; k < sheet.classes.size(); ++k) {
        const int col = kFixedColumns + 2 * k;
        put(0, col, sheet.classes[k], true);
        table->mergeCells(0, col, 1, 2);
        put(1, col, QStringLiteral("Min"), true);
        put(1, col + 1, QStringLiteral("Max"), true);
    }
    for (int r = 0; r < sheet.rows.size(); ++r) {
        const RuleSheet::Row &row = sheet.rows[r];
        put(2 + r, 0, row.parameter);
        put(2 + r, 1, row.include ? kTick : QString());
        put(2 + r, 2, row.show ? kTick : QString());
        for (int i = 0; i < row.limits.size() && kFixedColumns + i < columns; ++i)
            put(2 + r, kFixedColumns + i, row.limits[i]);
    }
    return document;
}

void printRuleSheet(const RuleSheet &sheet, QPrinter &printer)
{
    printer.setPageOrientation(sheet.wide() ? QPageLayout::Landscape : QPageLayout::Portrait);
    const std::unique_ptr<QTextDocument> document = ruleSheetDocument(sheet);
    document->print(&printer);
}

} // namespace rules
