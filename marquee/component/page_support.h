#pragma once
// Helpers shared by the property pages and windows: dialog-unit sizes, the logo picture, the
// bevel around it, and the message shown when a page refuses a value (tests replace it).

#include <QPixmap>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;
class QWidget;

namespace zqmarq {

// Dialog units of an 8-point "MS Sans Serif" dialog to pixels (4 x 8 units per character).
QSize dialogUnitsToPixels(int width, int height);

// The library's logos: 909 (Info page) and 910 (About window).
QPixmap logoPixmap(int resourceId);

// Two rings around r: outer grey 122 top-left and white bottom-right, inner black top-left and
// grey 192 bottom-right.
void drawLogoBevel(QPainter& p, const QRect& logoRect);

// Shows a page's refusal. The default is a warning box over parent.
using PageMessageHandler = std::function<void(QWidget* parent, const QString& text)>;
void showPageMessage(QWidget* parent, const QString& text);
// Replaces the handler (an empty one restores the default); returns the previous one.
PageMessageHandler setPageMessageHandler(PageMessageHandler handler);

} // namespace zqmarq
