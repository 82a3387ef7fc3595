#pragma once

#include "rules/RuleSheet.h"

#include <QDialog>
#include <QHash>
#include <functional>

class QLabel;
class QTableWidget;

namespace rules {

// Tries a stone's measurements against the rules on screen: for each
// included parameter the first class whose range holds the value, and the
// stone's class, the worst of them. It follows the grid as edited, saved
// or not: call refresh() whenever the rules on screen change. Enter, Down
// and Up grade a typed value at once and go on to the next (previous)
// parameter.
class FrmTryStone : public QDialog {
    Q_OBJECT

public:
    FrmTryStone(std::function<RuleSheet()> rules, QWidget *parent = nullptr);
    ~FrmTryStone() override;

    void refresh();
    // The value typed for a parameter (as the user would type it).
    void setValue(const QString &parameter, const QString &value);

    QTableWidget *Grid;  // parameter, value, class
    QLabel *LblStone;    // the stone's class

    static const QString kOutside;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void evaluate();
    // Makes the value of the parameter step rows on (back, when negative)
    // current; the first and the last stay where they are.
    void moveBy(int step);

    std::function<RuleSheet()> m_rules;
    RuleSheet m_sheet;
    QHash<QString, QString> m_values; // typed values by parameter, kept across refreshes
    bool m_filling = false;
};

} // namespace rules
