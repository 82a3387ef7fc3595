#pragma once

#include <QMainWindow>

class QAction;
class QMenu;

namespace store {
class ClassModule;
}
namespace definer {
class ClassDefiner;
}
namespace rules {
struct RuleSheet;
class FrmTryStone;
}
namespace grading {
class FrmWhatChanges;
}

// The main window: the class definer with its menu bar, the key that opens
// the password window, and the doors to every other window.
class FrmCS : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmCS(store::ClassModule &module, QWidget *parent = nullptr);

    // Start-up in order: the shape list, the databases, the first type, the
    // first shape. Throws store::Error naming the file that failed.
    void Form_Load();

    void showPasswordWindow();
    void Instru_Click();
    void MnuAbout_Click();
    // The rule files (FrmCSRules.cpp).
    void MnuPrint_Click();
    void MnuExport_Click();
    void MnuImport_Click();
    void MnuBackup_Click();
    // The history (FrmCSHistory.cpp): of the lab on screen, and of everything.
    void MnuHistory_Click();
    void MnuHistoryAll_Click();
    // A window beside the main one that follows the grid.
    void MnuTryStone_Click();
    void MnuWhatChanges_Click();
    // What the print-out of the lab on screen shows.
    rules::RuleSheet ruleSheet() const;
    void Desc_Click();
    void MnuParameters_Click();
    void MnuShape_Click();
    void MnuMultilab_Click();
    void MnuOMZsym_Click();

    definer::ClassDefiner *definer;

    QMenu *MnuFile;
    QAction *MnuSave, *MnuCopyAs, *MnuCreate, *MnuDelete, *MnuPrint, *MnuImport, *MnuExport,
        *MnuBackup, *MnuHistory, *MnuHistoryAll, *MnuUpdateShapes, *MnuExit;
    // Undo and Redo of the class definer's edits.
    QMenu *MnuEdit;
    QMenu *MnuOptions;
    QAction *MnuMultilab, *MnuOMZsym, *Desc, *MnuTryStone, *MnuWhatChanges;
    QMenu *mnuSettings;
    QAction *MnuParameters, *MnuShape;
    QMenu *helppp;
    QAction *Instru, *MnuAbout;

protected:
    // Exit and the close box: unsaved changes are offered for saving first.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    // After a restore: the shape list, the shape and the lab shown afresh.
    void reloadRules();

    // The report code of the shape on screen.
    QString shapeCode() const;

    rules::FrmTryStone *m_tryStone = nullptr;
    grading::FrmWhatChanges *m_whatChanges = nullptr;

    store::ClassModule &m_module;
};
