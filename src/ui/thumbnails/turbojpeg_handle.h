#pragma once

#include <memory>
#include <turbojpeg.h>

namespace tarvix {

// A TurboJPEG handle of one kind (tjInitDecompress, tjInitCompress) for the calling thread,
// made on first use and destroyed with the thread: a handle cannot be shared, and making
// one per picture costs more than decoding a small embedded thumbnail.
template <tjhandle (*Init)()> tjhandle ThreadTurboJpegHandle()
{
    struct Deleter {
        void operator()(void* handle) const { tjDestroy(handle); }
    };
    thread_local std::unique_ptr<void, Deleter> handle;
    if (!handle)
        handle.reset(Init());
    return handle.get();
}

} // namespace tarvix
