#pragma once

#include "store/RuleStore.h"

#include <QString>
#include <functional>

namespace definer {

class RuleSetPanel;

// Storing what a rule set panel shows, the same way for both definer
// windows; each passes its own rule store and scope. Store errors are shown
// to the user; every function returns false when nothing was stored. Each
// save compares the panel's fingerprints with what is stored; when another
// workstation saved first the user chooses, and reload is what "Reload" runs.

// The grid (a value still in the editor included), in one transaction; the
// grid then counts as saved.
bool saveGrid(RuleSetPanel &panel, const store::RuleStore &rules, const store::Scope &scope,
              const std::function<void()> &reload);

// Before unsaved work would be lost: when the grid or the class list
// changed, asks question (Yes, No, Cancel) and on Yes saves what changed,
// together in one transaction. False when the user cancels or the save
// fails, so the caller keeps everything as it is.
bool offerToSave(RuleSetPanel &panel, bool grid, bool classes, const QString &question,
                 const store::RuleStore &rules, const store::Scope &scope, const std::function<void()> &reload);

// Apply: the class list as it stands, in one transaction. Unsaved grid
// edits, which the caller's reload would drop, are offered first (question,
// Yes, No, Cancel) and on Yes stored with the list. False on Cancel or a
// failed save.
bool applyClasses(RuleSetPanel &panel, const QString &question, const store::RuleStore &rules,
                  const store::Scope &scope, const std::function<void()> &reload);

} // namespace definer
