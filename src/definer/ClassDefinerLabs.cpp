// Lab management of the class definer: create, copy, delete, and the
// reload of the shape list.
#include "definer/ClassDefiner.h"

#include "controls/Prompt.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"
#include "definer/ShapeList.h"
#include "store/ClassModule.h"
#include "store/LabStore.h"

#include <QComboBox>
#include <QLineEdit>

namespace definer {

void ClassDefiner::MnuCreate_Click()
{
    const QString name = nName->text();
    if (name.isEmpty())
        return;
    if (shape().isEmpty()) {
        controls::inform(QStringLiteral("No shape is selected. Choose one under SHAPE first; no institute was created."));
        return;
    }
    const QString description = TxtDesc->text();
    const bool created = guardedSave(
        m_labListSeen,
        [&](store::Fingerprint &seen) { store::LabStore(m_module.mainDb()).create(shape(), name, description, &seen); },
        [this] { cShape_Click(); });
    if (!created)
        return;
    controls::inform(QStringLiteral("Lab Created Succssefully."));
    cShape_Click();
    nName->clear();
}

void ClassDefiner::MnuCopyAs_Click()
{
    const QString from = lab();
    const QString to = nName->text();
    if (from.isEmpty()) {
        controls::inform(QStringLiteral("No institute is selected. Choose the one to copy under INSTITUTE first."));
        return;
    }
    if (to.isEmpty()) {
        controls::inform(QStringLiteral("Type the name of the copy under New Institute first; nothing was copied."));
        return;
    }
    const store::RuleTables tables = store::RuleTables::forType(type());
    const store::LabStore labs(m_module.mainDb());
    bool taken = false;
    if (!guarded([&] { taken = labs.exists(tables, shape(), to); }))
        return;
    if (taken) {
        controls::inform(QStringLiteral("An institute named \"%1\" exists already for %2. Choose another name; nothing was copied.")
                             .arg(to, shape()));
        return;
    }
    const QString description = TxtDesc->text();
    if (!guardedSave(
            m_labListSeen,
            [&](store::Fingerprint &seen) { labs.copy(tables, shape(), from, to, description, &seen); },
            [this] { cShape_Click(); }))
        return;
    controls::inform(QStringLiteral("Lab Copied Successfully"));
    nName->clear();
    TxtDesc->clear();
    cShape_Click();
}

void ClassDefiner::MnuDelete_Click()
{
    if (lab().isEmpty()) {
        controls::inform(QStringLiteral("No institute is selected. Choose the one to delete under INSTITUTE first."));
        return;
    }
    if (!controls::confirm(QStringLiteral("Are sure for delete the lab?")))
        return;
    const store::RuleTables tables = store::RuleTables::forType(type());
    // Whatever is stored of the lab now must be what the window shows.
    store::Fingerprint seen = m_labSeen + panel->classesSeen + panel->rangesSeen;
    if (guardedSave(
            seen, [&](store::Fingerprint &s) { store::LabStore(m_module.mainDb()).remove(tables, shape(), lab(), &s); },
            [this] { LabList_Click(); }))
        cShape_Click();
}

void ClassDefiner::MnuUpdateShapes_Click()
{
    if (panel->gridChanged() || panel->classesChanged()) {
        if (!offerToSaveChanges())
            return;
    } else if (controls::confirm(QStringLiteral("If you have done any changes then it will save them.\r\n"
                                                "Do you want to save them?"))) {
        MnuSave_Click();
    }
    const QString current = shape();
    if (!guarded([this] { loadShapeList(); }))
        return;
    // When the shape left the list, show one that exists rather than keep
    // rules on screen under a name no longer offered.
    const int index = cShape->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive);
    cShape->setCurrentIndex(index >= 0 ? index : (cShape->count() > 0 ? 0 : -1));
    cShape_Click();
}

} // namespace definer
