#pragma once

#include "rules/RuleSheet.h"
#include "store/ReportStones.h"

#include <QDialog>
#include <QHash>
#include <functional>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace rules {

// Tries a stone's measurements against the rules on screen: for each
// included parameter the first class whose range holds the value, and the
// stone's class, the worst of them. It follows the grid as edited, saved
// or not: call refresh() whenever the rules on screen change. Enter, Down
// and Up grade a typed value at once and go on to the next (previous)
// parameter. A report number typed in fills in the values of that stone
// of the office's report tables.
class FrmTryStone : public QDialog {
    Q_OBJECT

public:
    // The stone of the shape on screen with a report number, reading the
    // named fields; none found: no stones. Throws store::Error.
    using StoneFinder = std::function<store::Stones(qint64 rid, const QStringList &fields)>;

    FrmTryStone(std::function<RuleSheet()> rules, StoneFinder finder = {}, QWidget *parent = nullptr);
    ~FrmTryStone() override;

    void refresh();
    // The value typed for a parameter (as the user would type it).
    void setValue(const QString &parameter, const QString &value);
    // Fills in the values of the stone whose report number TxtRid holds.
    void TxtRid_Enter();

    QLineEdit *TxtRid;   // a report number
    QLabel *LblReport;   // what became of it
    QTableWidget *Grid;  // parameter, value, class
    QLabel *LblStone;    // the stone's class

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void evaluate();
    // Makes the value of the parameter step rows on (back, when negative)
    // current; the first and the last stay where they are.
    void moveBy(int step);

    std::function<RuleSheet()> m_rules;
    StoneFinder m_finder;
    RuleSheet m_sheet;
    QHash<QString, QString> m_values; // typed values by parameter, kept across refreshes
    bool m_filling = false;
};

} // namespace rules
