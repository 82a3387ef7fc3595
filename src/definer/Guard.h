#pragma once

#include <functional>

namespace definer {

// The boundary of every handler that touches the store: a store::Error is
// shown to the user in the database's own words and the window stays
// usable. Returns false when it failed.
bool guarded(const std::function<void()> &work);

} // namespace definer
