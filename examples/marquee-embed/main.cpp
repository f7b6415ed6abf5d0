// marquee-embed: a window with a ZqMarquee, as a program using the installed widget library
// builds it (without Qt's keywords: the header uses Q_SIGNALS and Q_SLOTS).
//   marquee-embed            shows the window until it is closed
//   marquee-embed --check    builds the same marquee, saves its state, restores it into a
//                            second one and exits 0 when everything came back
#include <ZQMarq/zq_marquee.h>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTextStream>
#include <QVBoxLayout>

using zqmarq::ZqMarquee;

namespace {

QPixmap badge() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::white); // left out when drawn
    QPainter painter(&pixmap);
    painter.setBrush(QColor(230, 120, 0));
    painter.drawEllipse(2, 2, 19, 19);
    return pixmap;
}

void describe(ZqMarquee* marquee) {
    marquee->setObjectName(QStringLiteral("banner"));
    marquee->setPicture(1, badge());
    marquee->setHeading(1, QFont(QStringLiteral("Sans Serif"), 14, QFont::Bold));
    marquee->setText(QStringLiteral("<IMG 1> <H 1>ZQMarq<H 0> embedded <COLOR R200>in a Qt "
                                    "window<COLOR> <IMG 1>"));
    marquee->setDirection(ZqMarquee::LeftToRight);
    marquee->setFrame(ZqMarquee::FrameShadow);
    marquee->setTickTime(30);
    marquee->setFadeWidth(12);
    marquee->setPixelsPerSecond(60);
}

int check(ZqMarquee* marquee) {
    QTextStream err(stderr);
    const QByteArray state = marquee->saveState();
    ZqMarquee copy;
    QString error;
    if (!copy.restoreState(state, &error)) {
        err << "marquee-embed: the saved state was refused: " << error << "\n";
        return 1;
    }
    if (copy.text() != marquee->text() || copy.direction() != ZqMarquee::LeftToRight ||
        copy.frame() != ZqMarquee::FrameShadow || copy.picture(1).size() != QSize(24, 24) ||
        copy.fadeWidth() != 12 || copy.pixelsPerSecond() != 60) {
        err << "marquee-embed: the restored marquee differs from the saved one\n";
        return 1;
    }
    // Any text is shown; saving refuses what the stored form cannot hold, and says why.
    const QString greeting = QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442");
    QString why;
    if (!marquee->setText(greeting) || marquee->text() != greeting ||
        !marquee->saveState(&why).isEmpty() || why.isEmpty()) {
        err << "marquee-embed: a text the stored form cannot hold was saved\n";
        return 1;
    }
    // The setters are slots: a refused value answers false through the meta-object too.
    bool taken = true;
    if (!QMetaObject::invokeMethod(marquee, "setFadeWidth", Q_RETURN_ARG(bool, taken),
                                   Q_ARG(int, -1)) ||
        taken) {
        err << "marquee-embed: setFadeWidth(-1) was not refused through its slot\n";
        return 1;
    }
    QTextStream(stdout) << "marquee-embed: a state of " << state.size()
                        << " bytes saved and restored\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("ZQMarq embedded"));
    auto* layout = new QVBoxLayout(&window);
    auto* marquee = new ZqMarquee(&window);
    describe(marquee);
    auto* status = new QLabel(QStringLiteral("Click the banner."), &window);
    QObject::connect(marquee, &ZqMarquee::clicked, status,
                     [status] { status->setText(QStringLiteral("Clicked.")); });
    layout->addWidget(marquee);
    layout->addWidget(status);
    if (app.arguments().contains(QStringLiteral("--check")))
        return check(marquee);
    window.resize(480, 90);
    window.show();
    return app.exec();
}
