#include "platform/mapped_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

MappedFile::MappedFile(int fd, qint64 maxSize)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxSize)
        return;
    FValid = true;
    if (st.st_size == 0)
        return;
    void* data = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (data == MAP_FAILED) {
        FValid = false;
        return;
    }
    FData = data;
    FSize = size_t(st.st_size);
}

MappedFile::~MappedFile()
{
    if (FData)
        ::munmap(FData, FSize);
}
