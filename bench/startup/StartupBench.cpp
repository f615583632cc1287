// How long the start-up windows take: one picture of the gauge in each of its looks, the splash
// pictures that are painted when the splash window is created, and the splash's whole modal run.
#include "common/TempDir.h"
#include "startup/ui/LSVGauge.h"
#include "startup/ui/Logo.h"
#include "startup/ui/SplashPictures.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

void SplashBar(TLSVGauge& g) {
    g.resize(140, 15);
    g.SetBorderStyle(TLSVBorderStyle::None);
    g.SetFrame3D(false);
    g.SetShowText(false);
    g.SetTextureOnBack(
        TDrawnPicture(SplashPictures::BarTextureSize, &SplashPictures::BarBackTexture));
    g.SetTextureOnFore(
        TDrawnPicture(SplashPictures::BarTextureSize, &SplashPictures::BarForeTexture));
    g.SetTransparentFore(true);
    g.SetProgress(99);
}

void BM_SplashBarPicture(benchmark::State& state) {
    TLSVGauge g;
    SplashBar(g);
    for (auto _ : state)
        benchmark::DoNotOptimize(g.Picture());
}
BENCHMARK(BM_SplashBarPicture);

void BM_LabelledBarPicture(benchmark::State& state) {
    TLSVGauge g; // defaults: 150 x 20, framed, with the two-coloured label
    g.SetProgress(50);
    for (auto _ : state)
        benchmark::DoNotOptimize(g.Picture());
}
BENCHMARK(BM_LabelledBarPicture);

void BM_Pie3DPicture(benchmark::State& state) {
    TLSVGauge g;
    g.resize(120, 140);
    g.SetKind(lgkPie3D);
    g.SetTextureOnFore(
        TDrawnPicture(SplashPictures::BarTextureSize, &SplashPictures::BarForeTexture));
    g.SetTransparentFore(true);
    g.SetProgress(70);
    for (auto _ : state)
        benchmark::DoNotOptimize(g.Picture());
}
BENCHMARK(BM_Pie3DPicture);

void BM_SplashProductPicture(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(SplashPictures::Product());
}
BENCHMARK(BM_SplashProductPicture)->Unit(benchmark::kMillisecond);

// The operator waits this long for the main window at every start (about 3.1 s by design).
void BM_SplashModalRun(benchmark::State& state) {
    const TTempDir home;
    const TConfigHomeGuard guard(home.Path());
    for (auto _ : state) {
        TfmLogo logo;
        logo.exec();
    }
}
BENCHMARK(BM_SplashModalRun)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
