#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace tarvix {

void LowerThisThreadsPriority()
{
    // Low enough that busy workers of normal priority get nine tenths of a core, but never
    // starved: with other programs busy it still gets its turns.
    constexpr int Nice = 10;
    thread_local bool lowered = false;
    if (!lowered)
        lowered = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), Nice) == 0;
}

} // namespace tarvix
