#pragma once

namespace tarvix {

// Work that nobody waits for (a thumbnail remade after a turn) gives way to work that someone
// does: from now on the calling thread runs at a lower priority, as a niced process would.
// Linux keeps priorities per thread. Does nothing where it cannot be done.
void LowerThisThreadsPriority();

} // namespace tarvix
