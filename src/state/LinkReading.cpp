#include "state/LinkReading.h"

#include "state/Globals.h"

CPublishedLink g_Link;

LinkReading CPublishedLink::Read() const {
    LinkReading reading;
    {
        std::lock_guard lock(m_mutex);
        reading = m_reading;
    }
    reading.active = g_bLinkActive;
    return reading;
}

std::uint64_t CPublishedLink::Generation() const {
    std::lock_guard lock(m_mutex);
    return m_reading.generation;
}

void CPublishedLink::Opened() {
    std::lock_guard lock(m_mutex);
    ++m_reading.generation;
}

void CPublishedLink::Closed() {
    std::lock_guard lock(m_mutex);
    m_reading.attitudeTimeMs = 0;
    ++m_reading.generation;
}

void CPublishedLink::StoreAttitude(float roll, float pitch, float yaw, std::int64_t timeMs) {
    std::lock_guard lock(m_mutex);
    m_reading.roll = roll;
    m_reading.pitch = pitch;
    m_reading.yaw = yaw;
    m_reading.attitudeTimeMs = timeMs;
}

LinkState CPublishedLink::SetState(LinkState state) {
    std::lock_guard lock(m_mutex);
    const LinkState before = m_reading.state;
    m_reading.state = state;
    return before;
}

void CPublishedLink::Edit(const std::function<void(LinkReading&)>& change) {
    std::lock_guard lock(m_mutex);
    change(m_reading);
    m_reading.active = false;
}
