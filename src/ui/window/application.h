#pragma once

namespace tarvix {

// Lets the language engine reach the application's windows by their object names.
void RegisterWindowsForTranslation();

// Thumbnails are made on several threads from buffers of a few megabytes. Left to itself the
// C library's allocator raises its threshold for mapping such blocks after the first one is
// freed, and then keeps tens of megabytes per thread that it never hands back; with a fixed
// threshold each block goes back to the system when it is freed. Call before any thread starts.
void ReturnLargeBlocksToTheSystem();

} // namespace tarvix
