#include "about_dialog.h"

#include "page_support.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zqmarq {

namespace {
const QPoint kLogoAt(10, 10);
constexpr int kTextLeft = 145;
} // namespace

AboutDialog::AboutDialog(QWidget* parent, const QString& version, const QString& name)
    : QDialog(parent), m_version(version), m_name(name) {
    setObjectName(QStringLiteral("ZqAboutDlg"));
    setWindowTitle(QString::fromLatin1(kAboutTitle));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    const QSize size = dialogUnitsToPixels(240, 120);
    setFixedSize(size);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    ok->resize(75, 23);
    ok->move(size.width() - ok->width() - 10, size.height() - ok->height() - 10);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(centredOnScreen(size, screen->availableGeometry()));
}

QPoint AboutDialog::centredOnScreen(const QSize& size, const QRect& screen) {
    int x = screen.left() + (screen.width() - size.width()) / 2;
    int y = screen.top() + (screen.height() - size.height()) / 2;
    // A window larger than the screen keeps its top-left corner on the screen.
    x = std::max(x, screen.left());
    y = std::max(y, screen.top());
    return QPoint(x, y);
}

void AboutDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    const QPixmap logo = logoPixmap(910);
    p.drawPixmap(kLogoAt, logo);
    drawLogoBevel(p, QRect(kLogoAt, logo.size()));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    f.setWeight(QFont::Normal);
    p.setFont(f);
    p.setPen(Qt::black);
    const QStringList lines = {
        QStringLiteral("Nimbrel %1 Control %2").arg(m_name, m_version),
        QString::fromLatin1(kAboutVersionLine),
        QString(),
        QStringLiteral("Scrolling banners of text and"),
        QStringLiteral("pictures for any container."),
        QString(),
        QStringLiteral("Copyright Nimbrel. All rights reserved."),
    };
    int y = 14;
    for (const QString& line : lines) {
        p.drawText(QPoint(kTextLeft, y + 12), line);
        y += 16;
    }
}

const char* const kHowToUseText =
    "The Nimbrel Marquee control can display combinations of text and pictures, using various "
    "colors and fonts.  This information is specified in the text of the control using special "
    "format codes.  The codes are explained below.\r\n"
    "\r\n"
    "Pictures:\r\n"
    "Use the Picture Property Page to select images from disk.  Use the token <IMG x> to refer "
    "to a picture selected from disk, where x is a number from 1 to 9.\r\n"
    "\r\n"
    "Fonts:\r\n"
    "Use the Fonts Property Page to select various fonts.  Use the token <H x> to refer to the "
    "various fonts selected, where x is a number from 0 to 5.  Zero is the default font while 1 "
    "to 5 refer to Heading1 through Heading5.\r\n"
    "\r\n"
    "Colors:\r\n"
    "Use the token <COLOR RxGyBz> where x, y, and z are values from 0 to 255.  Together these "
    "values represent an RGB value to color the next item of text.  If you omit any of the three "
    "values, it is defaulted to zero.\r\n";

HowToUseDialog::HowToUseDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HowToUse"));
    setWindowTitle(QStringLiteral("How To Use"));
    setModal(true);
    resize(dialogUnitsToPixels(297, 156));
    auto* layout = new QVBoxLayout(this);
    auto* edit = new QPlainTextEdit(this);
    edit->setObjectName(QStringLiteral("HelpText"));
    edit->setReadOnly(true);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setPlainText(
        QString::fromLatin1(kHowToUseText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    layout->addWidget(edit);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace zqmarq
