// Memory for a structure that only grows and is freed all at once.
#ifndef EXPORTS_ARENA_H
#define EXPORTS_ARENA_H

#include <cstddef>
#include <vector>

namespace exports {

/// Hands out zeroed memory from large blocks, kept until the arena goes. The blocks are asked
/// for in huge pages where the system has them: a page is made when first written, and making
/// 4 KiB pages one at a time costs far more than a 2 MiB page at once (tenfold and more in a
/// virtual machine).
class Arena {
public:
    Arena() = default;
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    /// size bytes, zeroed, aligned for any object; throws std::bad_alloc when they cannot be had.
    void* allocate(std::size_t size);

private:
    struct Block {
        char* base;
        std::size_t size;
    };
    std::vector<Block> m_blocks;
    char* m_next = nullptr;
    std::size_t m_left = 0;
};

} // namespace exports

#endif // EXPORTS_ARENA_H
