// The receive path on a real port (a pseudo-terminal): how long from the last byte of an ATTITUDE frame
// written at the far end until g_fRoll holds its value, and how much processor the receive thread uses
// while frames stream in; then whole connections to the simulated drone: from the connect press to the
// first "good" verdict, how long a stop takes, how soon an unplugged drone's port is closed, what the
// program spends while the drone is away, and how soon a drone plugged in again is back to "good".
// Prints figures; asserts nothing.
#include "link/FrameCodec.h"
#include "link/LinkService.h"
#include "link/SerialTransport.h"
#include "platform/DeviceList.h"
#include "sim/SimDrone.h"
#include "state/Globals.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::array<std::uint8_t, 36> AttitudeFrame(float roll) {
    AttitudeRecord record;
    record.roll = roll;
    std::array<std::uint8_t, 36> frame{};
    EncodeFrame(kMsgAttitude, kCrcExtraAttitude, 0, AsBytes(record), false, frame);
    return frame;
}

double ThreadCpuSeconds(pthread_t thread) {
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return -1.0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

void MeasureLatency(int master) {
    constexpr int kFrames = 1000;
    std::vector<double> micros;
    micros.reserve(kFrames);
    for (int i = 1; i <= kFrames; ++i) {
        const float roll = 0.001f * static_cast<float>(i);
        const float expected = static_cast<float>(roll * kDegreesPerRadian);
        const auto frame = AttitudeFrame(roll);
        if (write(master, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return;
        const Clock::time_point written = Clock::now();
        while (g_fRoll.load() != expected) {
            std::this_thread::yield();
            if (Clock::now() - written > 1s) {
                std::printf("frame %d never arrived\n", i);
                return;
            }
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - written).count());
        std::this_thread::sleep_for(5ms); // the receiver is back in its wait when the next frame comes
    }
    std::printf(
        "latency, last byte written to g_fRoll stored, %d frames: median %.1f us, p99 %.1f us, max %.1f us\n",
        kFrames, Percentile(micros, 0.5), Percentile(micros, 0.99), Percentile(micros, 1.0));
}

void MeasureCpu(int master, pthread_t reader, int framesPerSecond) {
    const auto frame = AttitudeFrame(0.2f);
    g_nAttitudeCount = 0;
    const double cpuBefore = ThreadCpuSeconds(reader);
    const Clock::time_point start = Clock::now();
    Clock::time_point next = start;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / framesPerSecond));
    while (Clock::now() - start < 10s) {
        next += period;
        std::this_thread::sleep_until(next);
        if (write(master, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return;
    }
    std::this_thread::sleep_for(50ms);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ThreadCpuSeconds(reader) - cpuBefore;
    std::printf("receive thread at %d frames/s for %.1f s: %.3f s processor = %.2f%% of one core (%d frames "
                "stored)\n",
                framesPerSecond, wall, cpu, 100.0 * cpu / wall, g_nAttitudeCount.load());
}

class CNoView : public ILinkView {
public:
    void ShowPortState(bool, const DroneIdentity&) override {}
    void ShowLinkState(LinkState) override {}
};

void MeasureConnections() {
    constexpr int kCycles = 5;
    QTemporaryDir sysfs, registry; // no real drone; the simulated one registers privately
    QDir(sysfs.path()).mkpath(QStringLiteral("class/tty"));
    SetSysfsRoot(sysfs.path());
    SetDeviceRegistryFolder(registry.path() + QStringLiteral("/devices"));
    CSimDrone drone;
    if (!drone.Start()) {
        std::printf("cannot start the simulated drone\n");
        return;
    }
    CNoView view;
    CLinkService link(view);
    std::vector<double> toGood, toStop;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        const Clock::time_point pressed = Clock::now();
        if (link.Connect().outcome != ConnectOutcome::Connected)
            return;
        while (link.State() != LinkState::Good && Clock::now() - pressed < 5s)
            std::this_thread::sleep_for(1ms);
        toGood.push_back(std::chrono::duration<double, std::milli>(Clock::now() - pressed).count());
        const Clock::time_point stopping = Clock::now();
        link.StopLink();
        toStop.push_back(std::chrono::duration<double, std::milli>(Clock::now() - stopping).count());
    }
    std::printf(
        "simulated drone at 20 frames/s, %d connections: connect to \"good\" median %.0f ms, max %.0f ms; "
        "StopLink median %.1f ms, max %.1f ms\n",
        kCycles, Percentile(toGood, 0.5), Percentile(toGood, 1.0), Percentile(toStop, 0.5),
        Percentile(toStop, 1.0));

    // Unplugged and plugged in again, with nobody pressing connect.
    std::vector<double> toDropped, toTakenBack;
    double cpuWhileAway = 0.0;
    auto drone2 = std::make_unique<CSimDrone>();
    drone.Stop();
    if (!drone2->Start() || link.Connect().outcome != ConnectOutcome::Connected)
        return;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        while (link.State() != LinkState::Good)
            std::this_thread::sleep_for(1ms);
        const Clock::time_point unplugged = Clock::now();
        drone2.reset();
        while (g_bDroneConnected)
            std::this_thread::sleep_for(1ms);
        toDropped.push_back(std::chrono::duration<double, std::milli>(Clock::now() - unplugged).count());
        const double cpuBefore = ProcessCpuSeconds();
        std::this_thread::sleep_for(2s);
        cpuWhileAway = std::max(cpuWhileAway, (ProcessCpuSeconds() - cpuBefore) / 2.0);
        const Clock::time_point replugged = Clock::now();
        drone2 = std::make_unique<CSimDrone>();
        if (!drone2->Start())
            return;
        while (link.State() != LinkState::Good && Clock::now() - replugged < 5s)
            std::this_thread::sleep_for(1ms);
        toTakenBack.push_back(std::chrono::duration<double, std::milli>(Clock::now() - replugged).count());
    }
    link.StopLink();
    std::printf(
        "%d unplugs: port closed after median %.1f ms, max %.1f ms; while away the whole process used "
        "at most %.2f%% of a core; plugged in again to \"good\" median %.0f ms, max %.0f ms\n",
        kCycles, Percentile(toDropped, 0.5), Percentile(toDropped, 1.0), 100.0 * cpuWhileAway,
        Percentile(toTakenBack, 0.5), Percentile(toTakenBack, 1.0));
}

} // namespace

int main() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        OpenDronePort(QString::fromLocal8Bit(ptsname(master))) != SerialOpenError::None) {
        std::fprintf(stderr, "cannot set up a pseudo-terminal\n");
        return 1;
    }
    g_bReadThreadRun = true;
    std::thread reader([] { ReadThreadProc(DispatchFrame); });

    MeasureLatency(master);
    MeasureCpu(master, reader.native_handle(), 20);
    MeasureCpu(master, reader.native_handle(), 320); // 115200 baud carries about 320 such frames a second

    g_bReadThreadRun = false;
    reader.join();
    CloseDronePort();
    close(master);

    MeasureConnections();
    return 0;
}
