#include "definer/Guard.h"

#include "controls/Prompt.h"
#include "store/Error.h"

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

} // namespace definer
