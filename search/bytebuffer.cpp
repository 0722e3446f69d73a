// A growable block of bytes that takes memory only as bytes are written into it.
#include "search/bytebuffer.h"

#include <cstdlib>
#include <new>

namespace search {

ByteBuffer::ByteBuffer(std::size_t capacity) : m_data(static_cast<char*>(std::malloc(capacity))), m_capacity(capacity) {
    if (!m_data && capacity > 0) throw std::bad_alloc();
}

ByteBuffer::~ByteBuffer() {
    std::free(m_data);
}

bool ByteBuffer::grow(std::size_t capacity) {
    if (capacity <= m_capacity) return true;
    char* grown = static_cast<char*>(std::realloc(m_data, capacity));
    if (!grown) return false;
    m_data = grown;
    m_capacity = capacity;
    return true;
}

} // namespace search
