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
    // read from it, which "Save" compares with the file. The window keeps a
    // copy of its own: what it reloads or saves is not what the main window
    // shows. Without it the file is written unchecked.
    FrmShapes(store::ClassModule &module, const QComboBox *mainShapes, QWidget *parent = nullptr,
              const store::Fingerprint *shapesSeen = nullptr);

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

protected:
    QString savingQuestion() const override;
    bool saveChanges() override;

private:
    void buildControls();
    // The tests Add and Apply share: blank boxes (silently), a name listed
    // already, a name the shapes file cannot carry. True when refused.
    bool refusesName();
    void refuse(const QString &message);

    QString shapesFile() const;

    store::ClassModule &m_module;
    store::Fingerprint m_seen; // Shapes.txt as the list on screen came from it
};

} // namespace setup
