#pragma once

#include <functional>

namespace store {
class Fingerprint;
}

namespace definer {

// The boundary of every handler that touches the store: a store::Error is
// shown to the user in the database's own words and the window stays
// usable. Returns false when it failed.
bool guarded(const std::function<void()> &work);

// The boundary of every save that compares what the window saw (seen) with
// what is stored. When another workstation saved the same rows meanwhile
// the user chooses: Reload runs reload (the window's edits are dropped),
// Overwrite runs save again without comparing, Cancel leaves everything as
// it is, nothing written. Other store errors are shown as guarded() shows
// them. True when save wrote; seen then matches what is stored.
bool guardedSave(store::Fingerprint &seen, const std::function<void(store::Fingerprint &)> &save,
                 const std::function<void()> &reload);
// The same for a save that compares several parts, each with what the
// window saw of it: save(true) compares, save(false) overwrites; save
// updates what the window saw once it wrote.
bool guardedSave(const std::function<void(bool compare)> &save, const std::function<void()> &reload);

} // namespace definer
