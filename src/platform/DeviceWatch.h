// Tells when a device may have appeared: a new or changed node in /dev (a USB serial port plugged in,
// or given its permissions by udev) or a new entry in the simulated-drone registry. A hint only, for
// waking a watcher early; whoever waits still looks at the device list itself, and polls it now and
// then anyway (the registry folder may not exist yet, and tests point sysfs elsewhere).
#pragma once

class CDeviceWatch {
public:
    CDeviceWatch();
    ~CDeviceWatch();
    CDeviceWatch(const CDeviceWatch&) = delete;
    CDeviceWatch& operator=(const CDeviceWatch&) = delete;

    // Readable when something changed since the last Clear; -1 when nothing can be watched.
    int Fd() const { return m_fd; }
    // Takes the pending changes, so the descriptor waits for the next ones. Also watches the registry
    // folder once it exists.
    void Clear();

private:
    void WatchRegistry();

    int m_fd = -1;
    int m_registryWatch = -1;
};
