#pragma once

#include "setup/EditingDialog.h"

#include <array>

class QLineEdit;
class QPushButton;

namespace controls {
class ReportList;
}

namespace setup {

// What the parameters and the shapes window share: a list whose selected
// row a double-click takes into the two boxes of Txt, Enter in either box
// pressing "Add", and "Delete" after a question.
class ListEditDialog : public EditingDialog {
    Q_OBJECT

public:
    using EditingDialog::EditingDialog;

    void List_DblClick();
    void Txt_GotFocus(int index);
    void Txt_KeyDown(int index, int key);
    void BtnMinus_Click();
    virtual void BtnPlus_Click() = 0;

    controls::ReportList *List = nullptr;
    std::array<QLineEdit *, 2> Txt{};
    QPushButton *BtnPlus = nullptr;
    QPushButton *BtnMinus = nullptr;

protected:
    // Connects the controls above once they are built.
    void connectListEditing();
    // Empties both boxes after a change of the list. Not clear(): that the
    // boxes would undo, and Ctrl+Z is to take the change back.
    void emptyBoxes();
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace setup
