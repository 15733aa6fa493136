#pragma once

namespace tarvix {

// Lets the memory of large buffers come in huge pages where the system offers them on
// request (transparent huge pages in "madvise" mode). A lossless transform of a camera
// picture fills tens of megabytes of coefficient buffers once; faulting them in 4 KiB pages
// costs about as much as the transform itself. Only speed changes, never a result; call it
// once, before the first large allocation.
void PreferLargePagesForLargeBuffers();

} // namespace tarvix
