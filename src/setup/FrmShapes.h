#pragma once

#include "setup/ListEditDialog.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace controls {
class ReportList;
}
namespace store {
class ClassModule;
}

namespace setup {

// The list of shapes with their codes, written to Shapes.txt on "Save".
class FrmShapes : public ListEditDialog {
    Q_OBJECT

public:
    // Shows the shapes of the main window's combo with the module's
    // ShapeCodes, entry by entry.
    FrmShapes(store::ClassModule &module, const QComboBox *mainShapes, QWidget *parent = nullptr);

    void Form_Load(const QComboBox *mainShapes);
    void BtnPlus_Click() override;
    void BtnApply_Click();
    void BtnSave_Click();

    QLabel *Label2;
    QLabel *Label3;
    QPushButton *BtnApply;
    QPushButton *BtnSave;

private:
    void buildControls();
    // The tests Add and Apply share: blank boxes (silently), a name listed
    // already, a name the shapes file cannot carry. True when refused.
    bool refusesName();
    void refuse(const QString &message);

    store::ClassModule &m_module;
};

} // namespace setup
