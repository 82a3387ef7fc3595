#pragma once

#include "store/RuleStore.h"

#include <QHash>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace controls {
class GraphicalButton;
}
namespace store {
class ClassModule;
}

namespace definer {

class RuleSetPanel;

// The cut / symmetry class definer that fills the main window: choose a
// type, a shape and a lab; edit the class grid and the class list; save
// them; create, copy and delete labs.
class ClassDefiner : public QWidget {
    Q_OBJECT

public:
    explicit ClassDefiner(store::ClassModule &module, QWidget *parent = nullptr);

    // Selection handlers; code that reloads calls them directly.
    void pCut_Click();
    void cShape_Click();
    void LabList_Click();

    // Storing.
    void BtnApply_Click();
    void MnuSave_Click();

    // Lab management (ClassDefinerLabs.cpp).
    void MnuCreate_Click();
    void MnuCopyAs_Click();
    void MnuDelete_Click();
    void MnuUpdateShapes_Click();

    // Before unsaved changes would be lost: asks whether to save them (Yes,
    // No, Cancel). False when the user cancels or the save fails, so the
    // caller keeps everything as it is. Asks nothing when nothing changed.
    bool offerToSaveChanges();

    // Start-up: the shape list, then the first type and the first shape.
    // Throws store::Error when Shapes.txt cannot be read.
    void loadShapeList();
    void selectFirstTypeAndShape();

    QString type() const;  // "Cut" or "Sym"
    QString shape() const;
    QString lab() const;

    // Shapes.txt as the shape list last read it; the shapes window compares
    // and updates it when it writes the file.
    store::Fingerprint &shapesSeen() { return m_shapesSeen; }

    QLabel *Label1;
    QComboBox *cShape;
    QLabel *Label6;
    QComboBox *pCut;
    QLabel *Label3;
    QComboBox *LabList;
    QGroupBox *Frame1;
    QLabel *Label2;
    QLineEdit *nName;
    QLabel *Label4;
    QLineEdit *TxtDesc;
    controls::GraphicalButton *BtnDelete;
    controls::GraphicalButton *BtnCreate;
    controls::GraphicalButton *BtnSave;
    RuleSetPanel *panel;

    static constexpr int kMaxLabNameLength = 25;
    static constexpr int kCellMaxLength = 7;

private:
    void buildControls();
    void setTabOrder();
    store::RuleStore rules() const;
    store::Scope scope() const;
    // Refuses, with a message, to write for no lab.
    bool labChosen() const;
    QString saveQuestion() const;
    bool saveGrid();
    // A user's choice in one of the three selection combos.
    void userChose(QComboBox *combo, int index, void (ClassDefiner::*handler)());
    // The combo entries whose rules are on screen.
    void remember(QComboBox *combo);

    store::ClassModule &m_module;
    QHash<QComboBox *, int> m_shown;
    store::Fingerprint m_shapesSeen;
    store::Fingerprint m_labListSeen; // the shape's labs of both types, as listed
    store::Fingerprint m_labSeen;     // the lab's own row of the type's lab table
};

} // namespace definer
