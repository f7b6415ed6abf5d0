// bench_marquee: one timer tick plus the paint it asks for, on a 400 x 40 control, for a
// 20-character and a 5,000-character text. The content is laid out before timing starts, so
// both should cost the same. And a re-layout of content holding a 1000 x 1000 picture (as a
// property change asks for one): the picture was decoded when it was set, so a re-layout only
// draws it; for comparison, the same with the picture decoded again at every re-layout.
//
//   bench_marquee [benchmark flags]      Google Benchmark figures
//   bench_marquee --ticks N --chars C    N ticks + paints, nothing else (for callgrind)

#include "picture_decode.h"
#include "zq_marquee_p.h"

#include <QApplication>
#include <QBuffer>
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

PictureData squarePicture(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return pictureFromBytes(bytes);
}

struct Fixture {
    explicit Fixture(int chars, int pictureSide = 0, bool keepDecoded = true)
        : image(400, 40, QImage::Format_RGB32) {
        MarqueeModel model;
        model.text = textOf(chars);
        model.font = FontDesc{"Arial", 100000, 400, 0, false, false, false};
        model.tickIncrement = 1;
        if (pictureSide > 0) {
            model.picture[0] = squarePicture(pictureSide);
            if (!keepDecoded) // as before pictures kept their decoded image
                model.picture[0]->decoded.reset();
            model.text = "<IMG 1>" + model.text;
        }
        inner().loadModel(model);
        marquee.resize(400, 40);
        paint(); // lays the content out
    }
    ZqMarqueePrivate& inner() { return ZqMarqueePrivate::get(marquee); }
    void paint() {
        QPainter painter(&image);
        inner().render(&painter, QRect(0, 0, 400, 40));
    }
    void tickAndPaint() {
        inner().tick();
        paint();
    }
    void relayoutAndPaint() {
        inner().applySetEffects(dispid::kJustification, kOnSetRelayout);
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

void BM_RelayoutWithPicture(benchmark::State& state) {
    Fixture f(20, static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state)
        f.relayoutAndPaint();
    state.SetLabel(std::to_string(state.range(0)) + " px picture, " +
                   (state.range(1) ? "decoded once" : "decoded at every re-layout"));
}
BENCHMARK(BM_RelayoutWithPicture)->Args({1000, 1})->Args({1000, 0})->Unit(benchmark::kMillisecond);

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
