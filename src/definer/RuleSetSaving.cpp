#include "definer/RuleSetSaving.h"

#include "controls/CellEditor.h"
#include "controls/Prompt.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"

namespace definer {

bool saveGrid(RuleSetPanel &panel, const store::RuleStore &rules, const store::Scope &scope,
              const std::function<void()> &reload)
{
    // A value still in the editor is part of what the user means to save.
    panel.editor()->commitPending();
    const QVector<store::RangeRow> rows = panel.gridRanges();
    if (!guardedSave(panel.rangesSeen, [&](store::Fingerprint &seen) { rules.saveRanges(scope, rows, &seen); },
                     reload))
        return false;
    panel.markGridSaved();
    return true;
}

bool saveClasses(RuleSetPanel &panel, const store::RuleStore &rules, const store::Scope &scope,
                 const std::function<void()> &reload)
{
    const QStringList names = panel.classNames();
    return guardedSave(panel.classesSeen, [&](store::Fingerprint &seen) { rules.saveClasses(scope, names, &seen); },
                       reload);
}

bool offerToSave(RuleSetPanel &panel, bool grid, bool classes, const QString &question,
                 const store::RuleStore &rules, const store::Scope &scope, const std::function<void()> &reload)
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
    if (grid && !saveGrid(panel, rules, scope, reload))
        return false;
    return !classes || saveClasses(panel, rules, scope, reload);
}

} // namespace definer
