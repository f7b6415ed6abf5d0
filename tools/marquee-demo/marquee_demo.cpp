// marquee-demo: four marquees scrolling in the four directions, with frames, heading fonts,
// colours, a picture and a two-line run. "--quit-after <ms>" closes the window by itself.

#include <ZQMarq/zq_marquee.h>

#include <QApplication>
#include <QGridLayout>
#include <QPainter>
#include <QTimer>

using namespace zqmarq;

namespace {

// A small bitmap badge on pure white: the white is left out when it is drawn.
QPixmap badgePicture() {
    QPixmap image(32, 32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(QColor(230, 120, 0));
    p.setPen(QColor(120, 40, 0));
    p.drawEllipse(2, 2, 27, 27);
    p.setBrush(QColor(255, 230, 60));
    p.setPen(Qt::NoPen);
    p.drawRect(11, 8, 10, 16);
    return image;
}

QFont font(const char* face, int points, QFont::Weight weight, bool italic = false) {
    QFont f(QString::fromLatin1(face));
    f.setPointSize(points);
    f.setWeight(weight);
    f.setItalic(italic);
    return f;
}

ZqMarquee* banner(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    m->setText(
        QStringLiteral("<IMG 1> <H 1>Kavel32<H 0> <COLOR R0 G0 B160>packs releases onto floppies "
                       "<COLOR R200>* <H 2>ZQMARQ<H 0><COLOR> scrolls <COLOR G140>text, "
                       "<COLOR B255>pictures<COLOR> and fonts <IMG 1>"));
    m->setFont(font("Arial", 10, QFont::Normal));
    m->setHeading(1, font("Arial", 16, QFont::Bold));
    m->setHeading(2, font("Times New Roman", 14, QFont::Normal, true));
    m->setPicture(1, badgePicture());
    m->setForeColor(Qt::black);
    m->setBackColor(Qt::white);
    m->setTickTime(30);
    m->setTickIncrement(2);
    m->setMinimumHeight(48);
    return m;
}

ZqMarquee* ticker(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    m->setText(QStringLiteral("<H 1>Left to right<H 0> on a dark ground <COLOR R255 G128>with "
                              "colours <COLOR G255 B255>and a heavy outdent frame"));
    m->setFont(font("Arial", 9, QFont::Bold));
    m->setHeading(1, font("Arial", 13, QFont::Bold));
    m->setForeColor(QColor(255, 255, 128));
    m->setBackColor(QColor(0, 0, 64));
    m->setDirection(ZqMarquee::LeftToRight);
    m->setFrame(ZqMarquee::FrameHeavyOutdent);
    m->setTickTime(40);
    m->setMinimumHeight(40);
    return m;
}

ZqMarquee* faller(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    m->setText(QStringLiteral("<H 1>Top<H 0>\r\nto bottom<IMG 1><COLOR R180>two-line\r\nrun"));
    m->setFont(font("Arial", 10, QFont::Normal));
    m->setHeading(1, font("Arial", 14, QFont::Bold));
    m->setPicture(1, badgePicture());
    m->setForeColor(QColor(0, 90, 0));
    m->setBackColor(QColor(230, 255, 230));
    m->setDirection(ZqMarquee::TopToBottom);
    m->setFrame(ZqMarquee::FrameShadow);
    m->setTickTime(50);
    return m;
}

ZqMarquee* riser(QWidget* parent) {
    auto* m = new ZqMarquee(parent);
    m->setText(
        QStringLiteral("<H 3>Bottom<H 0>\r\nto top<COLOR B200>\r\nflush right\r\n<H 4>indent"));
    m->setFont(font("Courier New", 10, QFont::Normal));
    m->setHeading(3, font("Arial", 15, QFont::Bold));
    m->setHeading(4, font("Arial", 11, QFont::Normal, true));
    m->setForeColor(QColor(120, 0, 0));
    m->setBackColor(QColor(255, 245, 220));
    m->setDirection(ZqMarquee::BottomToTop);
    m->setFrame(ZqMarquee::FrameIndent);
    m->setJustification(ZqMarquee::RightOrBottom);
    m->setTickTime(50);
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
