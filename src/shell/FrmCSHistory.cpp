// File > History... and History of all rules... of the main window.
#include "shell/FrmCS.h"

#include "controls/Prompt.h"
#include "definer/ClassDefiner.h"
#include "definer/Guard.h"
#include "history/FrmHistory.h"
#include "history/FrmHistoryAll.h"
#include "store/ClassModule.h"
#include "store/Error.h"

#include <QComboBox>

void FrmCS::MnuHistory_Click()
{
    if (definer->lab().isEmpty()) {
        controls::inform(QStringLiteral("No institute is selected. Choose one under INSTITUTE first; its history is shown."));
        return;
    }
    // A restore replaces what is stored: unsaved changes are offered first.
    if (!definer->offerToSaveChanges())
        return;
    history::FrmHistory window(m_module.mainDb(),
                               store::HistoryScope::ofLab(store::RuleTables::forType(definer->type()),
                                                          {definer->shape(), definer->lab()}),
                               this);
    connect(&window, &history::FrmHistory::restored, this, &FrmCS::reloadRules);
    controls::openModal(window);
}

void FrmCS::MnuHistoryAll_Click()
{
    if (!definer->offerToSaveChanges())
        return;
    // The OMZ rules' history is shown too when their file opens.
    QSqlDatabase secondary;
    try {
        secondary = m_module.openSecondaryDb();
    } catch (const store::Error &) {
    }
    history::FrmHistoryAll window(m_module.mainDb(), secondary,
                                  m_module.dataDir().file(QString::fromLatin1(store::kShapesFile)), this);
    connect(&window, &history::FrmHistoryAll::restored, this, &FrmCS::reloadRules);
    controls::openModal(window);
}

void FrmCS::reloadRules()
{
    const QString shape = definer->shape();
    const QString lab = definer->lab();
    definer::guarded([this] { definer->loadShapeList(); });
    definer->cShape->setCurrentIndex(definer->cShape->findText(shape, Qt::MatchExactly | Qt::MatchCaseSensitive));
    definer->cShape_Click();
    const int index = definer->LabList->findText(lab, Qt::MatchExactly);
    if (index > 0) { // the first is shown already
        definer->LabList->setCurrentIndex(index);
        definer->LabList_Click();
    }
}
