#pragma once

#include <unistd.h>
#include <utility>

namespace tarvix {

// Owns a file descriptor and closes it on every path.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : FFd(fd)
    {
    }
    UniqueFd(UniqueFd&& other) noexcept
        : FFd(std::exchange(other.FFd, -1))
    {
    }
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.FFd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    void Reset(int fd = -1)
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = fd;
    }
    // Closes now and reports the result: a delayed write error can first show here.
    int Close()
    {
        const int result = FFd >= 0 ? ::close(FFd) : 0;
        FFd = -1;
        return result;
    }

private:
    int FFd = -1;
};

} // namespace tarvix
