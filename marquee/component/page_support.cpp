#include "page_support.h"

#include "identifiers.h"

#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>

namespace zqmarq {

namespace {
PageMessageHandler& handlerSlot() {
    static PageMessageHandler handler;
    return handler;
}

void drawRing(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    const int l = r.left(), t = r.top(), rr = r.left() + r.width(), b = r.top() + r.height();
    p.setPen(topLeft);
    p.drawLine(l, b - 1, l, t);
    p.drawLine(l, t, rr - 1, t);
    p.setPen(bottomRight);
    p.drawLine(rr - 1, t, rr - 1, b - 1);
    p.drawLine(rr - 1, b - 1, l, b - 1);
}
} // namespace

QSize dialogUnitsToPixels(int width, int height) {
    return QSize(width * 6 / 4, height * 13 / 8);
}

QPixmap logoPixmap(int resourceId) {
    const QSize size = resourceId == 909 ? QSize(96, 48) : QSize(120, 72);
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(0, 0, 128));
    g.setColorAt(1, QColor(0, 128, 192));
    p.fillRect(pixmap.rect(), g);
    p.setPen(QColor(255, 255, 128));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(size.height() / 2);
    f.setBold(true);
    p.setFont(f);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("ZQ"));
    return pixmap;
}

void drawLogoBevel(QPainter& p, const QRect& logoRect) {
    const QRect outer = logoRect.adjusted(-2, -2, 2, 2);
    drawRing(p, outer, QColor(122, 122, 122), QColor(255, 255, 255));
    drawRing(p, outer.adjusted(1, 1, -1, -1), QColor(0, 0, 0), QColor(192, 192, 192));
}

void showPageMessage(QWidget* parent, const QString& text) {
    if (handlerSlot()) {
        handlerSlot()(parent, text);
        return;
    }
    QMessageBox::warning(parent, QString::fromLatin1(kControlTypeName), text);
}

PageMessageHandler setPageMessageHandler(PageMessageHandler handler) {
    PageMessageHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

} // namespace zqmarq
