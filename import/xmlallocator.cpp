// A faster allocator for libxml2's many small tree nodes.
#include "import/xmlallocator.h"

#include <libxml/xmlmemory.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace csrimport {

namespace {

constexpr std::size_t kGranule = 16;
constexpr std::size_t kClasses = 16; // blocks of 16 to 256 bytes
constexpr std::size_t kSlabSize = std::size_t{64} * 1024;
// Marks a block of this allocator; a block without it came from malloc before install().
constexpr std::uint64_t kMagic = 0x6d6f72766578786dULL;
constexpr std::uint32_t kLarge = 0xFFFFFFFF;

// Before each block, keeping the 16-byte alignment malloc gives.
struct Header {
    std::uint64_t magic;
    std::uint32_t sizeClass; // kLarge: from malloc
    std::uint32_t size;      // bytes asked for, for realloc
};
static_assert(sizeof(Header) == kGranule);

struct FreeBlock {
    FreeBlock* next;
};

FreeBlock* g_free[kClasses] = {};
char* g_slab = nullptr;
std::size_t g_slabLeft = 0;

Header* headerOf(void* block) { return reinterpret_cast<Header*>(static_cast<char*>(block) - sizeof(Header)); }

void* fromClass(std::size_t sizeClass) {
    if (FreeBlock* block = g_free[sizeClass]) {
        g_free[sizeClass] = block->next;
        return block;
    }
    const std::size_t whole = sizeof(Header) + (sizeClass + 1) * kGranule;
    if (g_slabLeft < whole) {
        g_slab = static_cast<char*>(std::malloc(kSlabSize));
        if (!g_slab) {
            g_slabLeft = 0;
            return nullptr;
        }
        g_slabLeft = kSlabSize;
    }
    char* block = g_slab + sizeof(Header);
    g_slab += whole;
    g_slabLeft -= whole;
    return block;
}

} // namespace

void* XmlAllocator::allocate(std::size_t size) {
    if (size > kClasses * kGranule || size > 0xFFFFFFF0) {
        auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
        if (!header) return nullptr;
        *header = {kMagic, kLarge, 0};
        return header + 1;
    }
    const std::size_t sizeClass = size == 0 ? 0 : (size - 1) / kGranule;
    void* block = fromClass(sizeClass);
    if (!block) return nullptr;
    *headerOf(block) = {kMagic, static_cast<std::uint32_t>(sizeClass), static_cast<std::uint32_t>(size)};
    return block;
}

void XmlAllocator::release(void* block) {
    if (!block) return;
    Header* header = headerOf(block);
    if (header->magic != kMagic) {
        std::free(block); // from before install()
        return;
    }
    header->magic = 0;
    if (header->sizeClass == kLarge) {
        std::free(header);
        return;
    }
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = g_free[header->sizeClass];
    g_free[header->sizeClass] = freed;
}

void* XmlAllocator::reallocate(void* block, std::size_t size) {
    if (!block) return allocate(size);
    Header* header = headerOf(block);
    if (header->magic != kMagic) return std::realloc(block, size);
    if (header->sizeClass == kLarge) {
        auto* grown = static_cast<Header*>(std::realloc(header, sizeof(Header) + size));
        return grown ? grown + 1 : nullptr;
    }
    if (size <= (header->sizeClass + 1) * kGranule) {
        header->size = static_cast<std::uint32_t>(size);
        return block;
    }
    void* moved = allocate(size);
    if (!moved) return nullptr;
    std::memcpy(moved, block, header->size);
    release(block);
    return moved;
}

char* XmlAllocator::duplicate(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(allocate(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

bool XmlAllocator::install() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#endif
#endif
    return xmlMemSetup(release, allocate, reallocate, duplicate) == 0;
}

} // namespace csrimport
