// bench_marquee: one timer tick plus the paint it asks for, on a 400 x 40 control, for a
// 20-character and a 5,000-character text. The content is laid out before timing starts, so
// both should cost the same.
//
//   bench_marquee [benchmark flags]      Google Benchmark figures
//   bench_marquee --ticks N --chars C    N ticks + paints, nothing else (for callgrind)

#include "zq_marquee.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

using namespace zqmarq;

namespace {

std::string textOf(int chars) {
    // Markup with a font change and a colour every so often, as a real banner has.
    std::string text = "<H 1>Kavel<H 0> ";
    const std::string words = "packs releases onto floppies <COLOR R200>and <COLOR>scrolls ";
    while (static_cast<int>(text.size()) < chars)
        text += words;
    text.resize(static_cast<std::size_t>(chars));
    return text;
}

struct Fixture {
    explicit Fixture(int chars) : image(400, 40, QImage::Format_RGB32) {
        MarqueeModel model;
        model.text = textOf(chars);
        model.font = FontDesc{"Arial", 100000, 400, 0, false, false, false};
        model.tickIncrement = 1;
        marquee.loadModel(model);
        marquee.resize(400, 40);
        paint(); // lays the content out
    }
    void paint() {
        QPainter painter(&image);
        marquee.render(&painter, QRect(0, 0, 400, 40));
    }
    void tickAndPaint() {
        marquee.tick();
        paint();
    }
    ZqMarquee marquee;
    QImage image;
};

void BM_TickAndPaint(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state)
        f.tickAndPaint();
    state.SetLabel(std::to_string(state.range(0)) + " chars");
}
BENCHMARK(BM_TickAndPaint)->Arg(20)->Arg(5000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc >= 5 && std::strcmp(argv[1], "--ticks") == 0 && std::strcmp(argv[3], "--chars") == 0) {
        const int ticks = std::atoi(argv[2]);
        Fixture f(std::atoi(argv[4]));
        for (int i = 0; i < ticks; ++i)
            f.tickAndPaint();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
