#include "platform/Handle.h"

#include <sys/mman.h>

namespace vx {

void* allocateLarge(std::size_t bytes)
{
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(p, bytes, MADV_HUGEPAGE);
    return p;
}

void freeLarge(void* p, std::size_t bytes)
{
    ::munmap(p, bytes);
}

} // namespace vx
