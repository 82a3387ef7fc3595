#pragma once

#include "setup/EditingDialog.h"
#include "store/Fingerprint.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace controls {
class ReportList;
}
namespace store {
class ClassModule;
}

namespace setup {

// Which cut institute pairs with which symmetry institute, per shape.
class FrmMultiData : public EditingDialog {
    Q_OBJECT

public:
    explicit FrmMultiData(store::ClassModule &module, QWidget *parent = nullptr);

    void Form_Load();
    void cShape_Click();
    void BtnAdd_Click();
    void BtnMinus_Click();
    void BtnSave_Click();

    QLabel *Label1;
    QComboBox *cShape;
    QLabel *Label3;
    QComboBox *CutLab;
    QLabel *Label2;
    QComboBox *SymLab;
    controls::ReportList *LView;
    QPushButton *BtnAdd;
    QPushButton *BtnMinus;
    QPushButton *BtnSave;

protected:
    QString savingQuestion() const override;
    bool saveChanges() override;

private:
    void buildControls();

    store::ClassModule &m_module;
    store::Fingerprint m_seen; // the shape's pairs as listed
};

} // namespace setup
