#include "link/ReceiveBuffer.h"

#include <algorithm>
#include <cassert>

void CReceiveBuffer::Append(std::span<const std::uint8_t> bytes) {
    if (m_head != 0) {
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_head));
        m_head = 0;
    }
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void CReceiveBuffer::DropFront(std::size_t count) {
    assert(count <= Size());
    m_head += std::min(count, Size());
    if (m_head == m_bytes.size())
        Clear();
}

void CReceiveBuffer::Clear() {
    m_bytes.clear();
    m_head = 0;
}
