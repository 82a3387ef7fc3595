#include "definer/RuleSetSaving.h"

#include "controls/CellEditor.h"
#include "controls/Prompt.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"

namespace definer {

bool saveGrid(RuleSetPanel &panel, const store::RuleStore &rules, const store::Scope &scope)
{
    // A value still in the editor is part of what the user means to save.
    panel.editor()->commitPending();
    if (!guarded([&] { rules.saveRanges(scope, panel.gridRanges()); }))
        return false;
    panel.markGridSaved();
    return true;
}

bool saveClasses(const RuleSetPanel &panel, const store::RuleStore &rules, const store::Scope &scope)
{
    return guarded([&] { rules.saveClasses(scope, panel.classNames()); });
}

bool offerToSave(RuleSetPanel &panel, bool grid, bool classes, const QString &question,
                 const store::RuleStore &rules, const store::Scope &scope)
{
    if (!grid && !classes)
        return true;
    switch (controls::choose(question)) {
    case controls::Choice::Cancel:
        return false;
    case controls::Choice::No:
        return true;
    case controls::Choice::Yes:
        break;
    }
    // The grid first: its columns are those of the class list it was loaded with.
    if (grid && !saveGrid(panel, rules, scope))
        return false;
    return !classes || saveClasses(panel, rules, scope);
}

} // namespace definer
