// Time of one paint of each instrument at its size (the Time column), off screen, with the program's own
// pictures. Run from the build's bin/ folder, where Source/ lies.
#include "instruments/Attitude.h"
#include "instruments/HeightMeter.h"
#include "state/Globals.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace {

template <typename Instrument>
void PaintOnce(benchmark::State& state, int w, int h, void (*move)(Instrument&, int)) {
    Instrument instrument;
    instrument.resize(w, h);
    QImage target(w, h, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        move(instrument, step++);
        instrument.render(&target);
    }
}

void BM_AttitudePaint(benchmark::State& state) {
    PaintOnce<CAttitude>(state, 325, 325, [](CAttitude& a, int step) {
        a.m_fRoll = static_cast<float>(step % 90 - 45);
        a.m_fHeading = static_cast<float>(step % 360);
    });
}

void BM_HeightMeterPaint(benchmark::State& state) {
    PaintOnce<CHeightMeter>(state, 101, 325, [](CHeightMeter& m, int step) {
        m.m_fOffset = CHeightMeter::OffsetForPitch(static_cast<float>(step % 120 - 60), 280.0f);
    });
}

// Wall time: Qt may spread a large image transform over helper threads.
BENCHMARK(BM_AttitudePaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_HeightMeterPaint)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitAppDir();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
