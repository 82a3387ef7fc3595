#pragma once

#include "setup/ListEditDialog.h"
#include "store/Fingerprint.h"

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
    // ShapeCodes, entry by entry. shapesSeen: Shapes.txt as that combo was
    // read from it; "Save" compares it with the file and updates it. Without
    // it the file is written unchecked.
    FrmShapes(store::ClassModule &module, const QComboBox *mainShapes, QWidget *parent = nullptr,
              store::Fingerprint *shapesSeen = nullptr);

    void Form_Load(const QComboBox *mainShapes);
    // The list as Shapes.txt holds it now, dropping what is on screen.
    void reloadShapes();
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

    QString shapesFile() const;

    store::ClassModule &m_module;
    store::Fingerprint m_ownSeen;
    store::Fingerprint *m_seen;
};

} // namespace setup
