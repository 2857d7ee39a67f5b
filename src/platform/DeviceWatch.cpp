#include "platform/DeviceWatch.h"

#include "platform/DeviceList.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
constexpr const char* kDevFolder = "/dev";
} // namespace

CDeviceWatch::CDeviceWatch() : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (m_fd < 0)
        return;
    // IN_ATTRIB: udev gives a new node its group and access a moment after the kernel makes it.
    inotify_add_watch(m_fd, kDevFolder, IN_CREATE | IN_ATTRIB | IN_MOVED_TO);
    WatchRegistry();
}

CDeviceWatch::~CDeviceWatch() {
    if (m_fd >= 0)
        close(m_fd);
}

void CDeviceWatch::WatchRegistry() {
    if (m_fd < 0 || m_registryWatch >= 0)
        return;
    // Entries appear by rename, so IN_MOVED_TO is the one that counts.
    m_registryWatch = inotify_add_watch(m_fd, QFile::encodeName(DeviceRegistryFolder()).constData(),
                                        IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF);
}

void CDeviceWatch::Clear() {
    if (m_fd < 0)
        return;
    alignas(inotify_event) std::array<char, 4096> events;
    for (;;) {
        const ssize_t n = read(m_fd, events.data(), events.size());
        if (n > 0) {
            // A deleted registry folder takes its watch with it; a new one is watched afresh.
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events.data() + at);
                if (event->wd == m_registryWatch && (event->mask & IN_IGNORED))
                    m_registryWatch = -1;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: nothing more pending
    }
    WatchRegistry();
}
