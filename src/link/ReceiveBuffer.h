// The receive loop's growable byte queue: bytes from the port go in at the back, frames and line
// noise leave from the front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CReceiveBuffer {
public:
    std::size_t Size() const { return m_bytes.size() - m_head; }
    bool Empty() const { return Size() == 0; }
    std::span<const std::uint8_t> Bytes() const { return {m_bytes.data() + m_head, Size()}; }

    // Appends bytes, in order, behind those already queued.
    void Append(std::span<const std::uint8_t> bytes);
    // Removes the first count bytes; count must not exceed Size().
    void DropFront(std::size_t count);
    void Clear();

private:
    // Dropping only advances m_head; the bytes still queued move to the front when more arrive, so a
    // burst of frames from one read costs no copying while it is drained.
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_head = 0;
};
