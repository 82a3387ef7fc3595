#pragma once

#include "store/RuleStore.h"

#include <QDialog>

class QAction;
class QMenu;
class QMenuBar;

namespace definer {
class RuleSetPanel;
}
namespace store {
class ClassModule;
}

namespace secondary {

// The OMZ symmetry definer: the one rule set of OMZ2006.db, without shape
// or lab, edited on the same panel as the main window's rules. It works on
// a connection of its own; the main connection is never touched.
class FrmOMZ : public QDialog {
    Q_OBJECT

public:
    explicit FrmOMZ(store::ClassModule &module, QWidget *parent = nullptr);

    // Opens the file and loads the rule set. False, after telling the user,
    // when the file or a table is missing or cannot be read: the window is
    // not to be opened then.
    bool Form_Load();
    // Throws store::Error naming the file and what is missing.
    void OpenConnection();
    void GetSymParameters();
    void GetClass();

    // Drops what is on screen for what is stored.
    void reload();

    void BtnApply_Click();
    void MnuSave_Click();
    void MnuExit_Click();
    // The history of these rules; a restore shows what it wrote.
    void MnuHistory_Click();

    // Asks whether to save unsaved changes (Yes, No, Cancel); false on
    // Cancel or a failed save. Asks nothing when nothing changed.
    bool offerToSaveChanges();

    QMenuBar *menu;
    QMenu *MnuFile;
    QAction *MnuSave, *MnuCopyAs, *MnuCreate, *MnuParameters, *MnuHistory, *MnuExit;
    QMenu *MnuEdit; // Undo and Redo
    QWidget *client; // the form's area below the menu; the panel is placed on it in twips
    definer::RuleSetPanel *panel;

    static constexpr int kCellMaxLength = 7;

public slots:
    // Esc, the close box and Exit all end here: unsaved changes are offered first.
    void reject() override;

protected:
    // Esc does not close the window; it only ever cancels a cell edit.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildMenu();
    store::RuleStore rules() const;

    store::ClassModule &m_module;
};

} // namespace secondary
