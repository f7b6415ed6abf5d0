// marquee-demo: four marquees scrolling in the four directions, with frames, heading fonts,
// colours, a picture and a two-line run. "--quit-after <ms>" closes the window by itself.

#include "picture_decode.h"
#include "zq_marquee.h"

#include <QApplication>
#include <QBuffer>
#include <QGridLayout>
#include <QPainter>
#include <QTimer>

using namespace zqmarq;

namespace {

// A small bitmap badge on pure white: the white is left out when it is drawn.
PictureData badgePicture() {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(QColor(230, 120, 0));
    p.setPen(QColor(120, 40, 0));
    p.drawEllipse(2, 2, 27, 27);
    p.setBrush(QColor(255, 230, 60));
    p.setPen(Qt::NoPen);
    p.drawRect(11, 8, 10, 16);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return pictureFromBytes(bytes);
}

FontDesc font(const char* face, int points, int weight, bool italic = false) {
    FontDesc f;
    f.faceName = face;
    f.size = points * 10000LL;
    f.weight = static_cast<std::int16_t>(weight);
    f.italic = italic;
    return f;
}

ZqMarquee* banner(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    MarqueeModel model;
    model.text = "<IMG 1> <H 1>Kavel32<H 0> <COLOR R0 G0 B160>packs releases onto floppies "
                 "<COLOR R200>* <H 2>ZQMARQ<H 0><COLOR> scrolls <COLOR G140>text, "
                 "<COLOR B255>pictures<COLOR> and fonts <IMG 1>";
    model.font = font("Arial", 10, 400);
    model.heading[0] = font("Arial", 16, 700);
    model.heading[1] = font("Times New Roman", 14, 400, true);
    model.picture[0] = badgePicture();
    model.foreColor = rgb(0, 0, 0);
    model.backColor = rgb(255, 255, 255);
    model.direction = 0;
    model.frame = 2;
    model.tickTime = 30;
    model.tickIncrement = 2;
    m->loadModel(model);
    m->setMinimumHeight(48);
    return m;
}

ZqMarquee* ticker(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    MarqueeModel model;
    model.text = "<H 1>Left to right<H 0> on a dark ground <COLOR R255 G128>with colours "
                 "<COLOR G255 B255>and a heavy outdent frame";
    model.font = font("Arial", 9, 700);
    model.heading[0] = font("Arial", 13, 700);
    model.foreColor = rgb(255, 255, 128);
    model.backColor = rgb(0, 0, 64);
    model.direction = 1;
    model.frame = 4;
    model.tickTime = 40;
    m->loadModel(model);
    m->setMinimumHeight(40);
    return m;
}

ZqMarquee* faller(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    MarqueeModel model;
    model.text = "<H 1>Top<H 0>\r\nto bottom<IMG 1><COLOR R180>two-line\r\nrun";
    model.font = font("Arial", 10, 400);
    model.heading[0] = font("Arial", 14, 700);
    model.picture[0] = badgePicture();
    model.foreColor = rgb(0, 90, 0);
    model.backColor = rgb(230, 255, 230);
    model.direction = 2;
    model.frame = 5;
    model.justification = 1;
    model.tickTime = 50;
    m->loadModel(model);
    return m;
}

ZqMarquee* riser(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    MarqueeModel model;
    model.text = "<H 3>Bottom<H 0>\r\nto top<COLOR B200>\r\nflush right\r\n<H 4>indent";
    model.font = font("Courier New", 10, 400);
    model.heading[2] = font("Arial", 15, 700);
    model.heading[3] = font("Arial", 11, 400, true);
    model.foreColor = rgb(120, 0, 0);
    model.backColor = rgb(255, 245, 220);
    model.direction = 3;
    model.frame = 3;
    model.justification = 2;
    model.tickTime = 50;
    m->loadModel(model);
    return m;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Marquee demo"));
    auto* grid = new QGridLayout(&window);
    grid->addWidget(banner(&window), 0, 0, 1, 2);
    grid->addWidget(ticker(&window), 1, 0, 1, 2);
    grid->addWidget(faller(&window), 2, 0);
    grid->addWidget(riser(&window), 2, 1);
    grid->setRowStretch(2, 1);
    window.resize(640, 400);
    window.show();

    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--quit-after"));
    if (at >= 0 && at + 1 < args.size())
        QTimer::singleShot(args[at + 1].toInt(), &app, &QApplication::quit);
    return app.exec();
}
