#include "definer/Guard.h"

#include "controls/Prompt.h"
#include "store/Error.h"
#include "store/Fingerprint.h"

namespace definer {

bool guarded(const std::function<void()> &work)
{
    try {
        work();
        return true;
    } catch (const store::Error &error) {
        controls::inform(error.message());
        return false;
    }
}

bool guardedSave(store::Fingerprint &seen, const std::function<void(store::Fingerprint &)> &save,
                 const std::function<void()> &reload)
{
    return guardedSave(
        [&](bool compare) {
            // Seen is replaced only once the save is stored: should an
            // overwrite fail, the next save still compares.
            store::Fingerprint next = compare ? seen : store::Fingerprint::any();
            save(next);
            seen = next;
        },
        reload);
}

bool guardedSave(const std::function<void(bool compare)> &save, const std::function<void()> &reload)
{
    try {
        save(true);
        return true;
    } catch (const store::Conflict &conflict) {
        switch (controls::resolve(conflict.message())) {
        case controls::Resolution::Reload:
            reload();
            return false;
        case controls::Resolution::Cancel:
            return false;
        case controls::Resolution::Overwrite:
            break;
        }
    } catch (const store::Error &error) {
        controls::inform(error.message());
        return false;
    }
    return guarded([&] { save(false); });
}

} // namespace definer
