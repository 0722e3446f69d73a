// A faster allocator for libxml2's many small tree nodes.
#ifndef IMPORT_XMLALLOCATOR_H
#define IMPORT_XMLALLOCATOR_H

#include <cstddef>

namespace csrimport {

/// Hands libxml2 its blocks of up to 256 bytes from free lists of fixed sizes, refilled from
/// 64 KiB slabs, so that building and freeing a record's tree each time costs little: the C
/// library's allocator spends as long on those blocks as the parser itself. Slabs are kept for
/// the next record, so memory stays at the largest record's tree. Larger blocks go to malloc.
/// libxml2 is used on one thread at a time here; the sanitizer builds keep the C library's
/// allocator, so that they see every block.
class XmlAllocator {
public:
    /// Makes libxml2 allocate through this allocator; called once, before any other use of
    /// libxml2. False when libxml2 refuses (then it keeps its own).
    static bool install();

    /// The allocator's functions, as xmlMemSetup wants them.
    static void* allocate(std::size_t size);
    static void* reallocate(void* block, std::size_t size);
    static void release(void* block);
    static char* duplicate(const char* text);
};

} // namespace csrimport

#endif // IMPORT_XMLALLOCATOR_H
