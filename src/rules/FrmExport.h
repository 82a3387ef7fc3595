#pragma once

#include "rules/RuleFile.h"

#include <QDialog>

class QRadioButton;

namespace rules {

// Asks what to export: the lab on screen, every lab of its shape and type,
// or everything.
class FrmExport : public QDialog {
    Q_OBJECT

public:
    // lab empty: there is no lab on screen to offer.
    FrmExport(const QString &type, const QString &shape, const QString &lab, QWidget *parent = nullptr);

    Selection::Scope scope() const;

    QRadioButton *OptLab;
    QRadioButton *OptShape;
    QRadioButton *OptAll;
};

} // namespace rules
