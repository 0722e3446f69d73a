// A growable block of bytes that takes memory only as bytes are written into it.
#ifndef SEARCH_BYTEBUFFER_H
#define SEARCH_BYTEBUFFER_H

#include <cstddef>

namespace search {

/// Uninitialised bytes from malloc. Growing keeps the content; the C library moves the pages
/// of a large block instead of copying them, so a block grown to n bytes costs about n bytes
/// of memory, not the old and the new block together.
class ByteBuffer {
public:
    /// Throws std::bad_alloc when the first block cannot be had.
    explicit ByteBuffer(std::size_t capacity);
    ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    char* data() { return m_data; }
    const char* data() const { return m_data; }
    std::size_t capacity() const { return m_capacity; }
    char& operator[](std::size_t i) { return m_data[i]; }
    char operator[](std::size_t i) const { return m_data[i]; }

    /// Grows to capacity bytes; false, with the buffer unchanged, when memory cannot be had.
    bool grow(std::size_t capacity);

private:
    char* m_data = nullptr;
    std::size_t m_capacity = 0;
};

} // namespace search

#endif // SEARCH_BYTEBUFFER_H
