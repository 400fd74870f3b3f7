// The launcher allocates only with new (std::nothrow) and tests every result
// for null. Replacing the allocation functions that it uses with plain
// malloc and free keeps libstdc++'s throwing allocator, its new-handler loop
// and std::bad_alloc out of the executable (about 3 KB).
#include <new>
#include <stdlib.h>

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size != 0 ? size : 1);
}

void operator delete(void* block) noexcept
{
    free(block);
}

void operator delete(void* block, size_t) noexcept
{
    free(block);
}

// Called when a constructor throws after new (std::nothrow) succeeded.
void operator delete(void* block, const std::nothrow_t&) noexcept
{
    free(block);
}
