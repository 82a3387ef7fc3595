#include "rules/FrmExport.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace rules {

FrmExport::FrmExport(const QString &type, const QString &shape, const QString &lab, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Export"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Export the rules of:"), this));
    OptLab = new QRadioButton(lab.isEmpty() ? QStringLiteral("The lab on screen (none is chosen)")
                                            : QStringLiteral("The lab on screen: %1 (%2, %3)").arg(lab, shape, type),
                              this);
    OptShape = new QRadioButton(QStringLiteral("Every lab of %1 (%2)").arg(shape, type), this);
    OptAll = new QRadioButton(QStringLiteral("Everything: every shape, lab and type"), this);
    OptLab->setEnabled(!lab.isEmpty());
    OptShape->setEnabled(!shape.isEmpty());
    (lab.isEmpty() ? OptAll : OptLab)->setChecked(true);
    for (QRadioButton *option : {OptLab, OptShape, OptAll})
        layout->addWidget(option);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

Selection::Scope FrmExport::scope() const
{
    if (OptLab->isChecked())
        return Selection::Lab;
    return OptShape->isChecked() ? Selection::ShapeAndType : Selection::Everything;
}

} // namespace rules
