// Memory for a structure that only grows and is freed all at once.
#include "exports/arena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace exports {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Address space taken at a time: pages are made only where written.
constexpr std::size_t kBlockSize = std::size_t{32} << 20;
constexpr std::size_t kAlign = alignof(std::max_align_t);

std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// size bytes of fresh, zeroed memory starting on a huge page's boundary.
char* mapBlock(std::size_t size) {
    const std::size_t mapped = size + kHugePage;
    void* at = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) throw std::bad_alloc();
    auto* begin = static_cast<char*>(at);
    const auto address = reinterpret_cast<std::uintptr_t>(begin);
    char* base = begin + (roundUp(address, kHugePage) - address);
    // What lies outside the aligned block is given back.
    if (base > begin) ::munmap(begin, static_cast<std::size_t>(base - begin));
    if (char* end = begin + mapped; end > base + size)
        ::munmap(base + size, static_cast<std::size_t>(end - (base + size)));
#ifdef MADV_HUGEPAGE
    ::madvise(base, size, MADV_HUGEPAGE); // a hint: without huge pages the block works the same
#endif
    return base;
}

} // namespace

Arena::~Arena() {
    for (const Block& block : m_blocks)
        ::munmap(block.base, block.size);
}

void* Arena::allocate(std::size_t size) {
    if (size > SIZE_MAX / 2) throw std::bad_alloc();
    size = roundUp(size == 0 ? 1 : size, kAlign);
    if (size > m_left) {
        const std::size_t blockSize = roundUp(std::max(size, kBlockSize), kHugePage);
        m_blocks.reserve(m_blocks.size() + 1);
        char* base = mapBlock(blockSize);
        m_blocks.push_back({base, blockSize});
        m_next = base;
        m_left = blockSize;
    }
    void* given = m_next;
    m_next += size;
    m_left -= size;
    return given;
}

} // namespace exports
