#include "definer/RuleSetSaving.h"

#include "controls/CellEditor.h"
#include "controls/Prompt.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"

#include <optional>

namespace definer {

namespace {

// The grid, the class list or both as the panel shows them, in one
// transaction with one comparison and, on a conflict, one question.
bool storePanel(RuleSetPanel &panel, bool grid, bool classes, const store::RuleStore &rules,
                const store::Scope &scope, const std::function<void()> &reload)
{
    // A value still in the editor is part of what the user means to save.
    if (grid)
        panel.editor()->commitPending();
    const QVector<store::RangeRow> rows = grid ? panel.gridRanges() : QVector<store::RangeRow>();
    const QStringList names = panel.classNames();
    const bool saved = guardedSave(
        [&](bool compare) {
            store::Fingerprint ranges = compare ? panel.rangesSeen : store::Fingerprint::any();
            store::Fingerprint list = compare ? panel.classesSeen : store::Fingerprint::any();
            rules.saveRuleSet(scope, grid ? &rows : nullptr, classes ? &names : nullptr, &ranges, &list);
            if (grid)
                panel.rangesSeen = ranges;
            if (classes)
                panel.classesSeen = list;
        },
        reload);
    if (saved && grid)
        panel.markGridSaved();
    return saved;
}

// Yes, No, or nothing on Cancel.
std::optional<bool> ask(const QString &question)
{
    switch (controls::choose(question)) {
    case controls::Choice::Yes:
        return true;
    case controls::Choice::No:
        return false;
    case controls::Choice::Cancel:
        break;
    }
    return std::nullopt;
}

} // namespace

bool saveGrid(RuleSetPanel &panel, const store::RuleStore &rules, const store::Scope &scope,
              const std::function<void()> &reload)
{
    return storePanel(panel, true, false, rules, scope, reload);
}

bool offerToSave(RuleSetPanel &panel, bool grid, bool classes, const QString &question,
                 const store::RuleStore &rules, const store::Scope &scope, const std::function<void()> &reload)
{
    if (!grid && !classes)
        return true;
    const std::optional<bool> yes = ask(question);
    return yes && (!*yes || storePanel(panel, grid, classes, rules, scope, reload));
}

bool applyClasses(RuleSetPanel &panel, const QString &question, const store::RuleStore &rules,
                  const store::Scope &scope, const std::function<void()> &reload)
{
    // The reload after storing the list would drop unsaved grid edits.
    bool grid = panel.gridChanged();
    if (grid) {
        const std::optional<bool> yes = ask(question);
        if (!yes)
            return false;
        grid = *yes;
    }
    return storePanel(panel, grid, true, rules, scope, reload);
}

} // namespace definer
