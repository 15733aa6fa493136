#pragma once

namespace tarvix {

// Lets the language engine reach the application's windows by their object names.
void RegisterWindowsForTranslation();

// Thumbnails are made on several threads from buffers of a few megabytes. Left to itself the
// C library's allocator raises its threshold for mapping such blocks after the first one is
// freed, and then keeps tens of megabytes per thread that it never hands back; with a fixed
// threshold each block goes back to the system when it is freed. Call before any thread starts.
void ReturnLargeBlocksToTheSystem();

// A turn reads, turns and writes pictures of tens of megabytes on every core, one after the
// other. Mapped afresh for each picture, their pages cost the system more than the turn
// itself: while one lasts, such blocks stay with the process for the next picture, and they
// go back to the system when it ends.
class KeepLargeBlocksForAJob {
public:
    KeepLargeBlocksForAJob();
    ~KeepLargeBlocksForAJob();
    KeepLargeBlocksForAJob(const KeepLargeBlocksForAJob&) = delete;
    KeepLargeBlocksForAJob& operator=(const KeepLargeBlocksForAJob&) = delete;
};

} // namespace tarvix
