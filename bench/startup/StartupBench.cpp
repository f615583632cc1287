// How long the start-up windows take to paint: one picture of the gauge in each of its looks, and
// the splash pictures that are painted when the splash window is created.
#include "startup/LSVGauge.h"
#include "startup/SplashPictures.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

void SplashBar(TLSVGauge& g) {
    g.resize(140, 15);
    g.SetBorderStyle(TLSVBorderStyle::None);
    g.SetFrame3D(false);
    g.SetShowText(false);
    g.SetTextureOnBack(SplashPictures::BarBackTexture());
    g.SetTextureOnFore(SplashPictures::BarForeTexture());
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
    g.SetTextureOnFore(SplashPictures::BarForeTexture());
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
