#pragma once
// The marquee as a widget for Qt Designer forms: its properties as Qt properties (colours as
// QColor, fonts as QFont, pictures as QPixmap) over the ZqMarquee widget.

#include "marquee_model.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace zqmarq {

class ZqMarquee;

class MarqueeFormWidget : public QWidget {
    Q_OBJECT
  public:
    enum ScrollDirection { RightToLeft, LeftToRight, TopToBottom, BottomToTop };
    Q_ENUM(ScrollDirection)
    enum TextJustification { LeftOrTop, Centered, RightOrBottom };
    Q_ENUM(TextJustification)
    enum Frame {
        None,
        FrameLightIndent,
        FrameHeavyIndent,
        FrameIndent,
        FrameHeavyOutdent,
        FrameShadow
    };
    Q_ENUM(Frame)

    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor foreColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)
    Q_PROPERTY(QFont marqueeFont READ marqueeFont WRITE setMarqueeFont)
    Q_PROPERTY(ScrollDirection direction READ direction WRITE setDirection)
    Q_PROPERTY(int tickIncrement READ tickIncrement WRITE setTickIncrement)
    Q_PROPERTY(Frame frame READ frame WRITE setFrame)
    Q_PROPERTY(int tickTime READ tickTime WRITE setTickTime)
    Q_PROPERTY(TextJustification justification READ justification WRITE setJustification)
    Q_PROPERTY(bool freezeMarquee READ freezeMarquee WRITE setFreezeMarquee)
    Q_PROPERTY(QFont heading1 READ heading1 WRITE setHeading1)
    Q_PROPERTY(QFont heading2 READ heading2 WRITE setHeading2)
    Q_PROPERTY(QFont heading3 READ heading3 WRITE setHeading3)
    Q_PROPERTY(QFont heading4 READ heading4 WRITE setHeading4)
    Q_PROPERTY(QFont heading5 READ heading5 WRITE setHeading5)
    Q_PROPERTY(QPixmap picture1 READ picture1 WRITE setPicture1)
    Q_PROPERTY(QPixmap picture2 READ picture2 WRITE setPicture2)
    Q_PROPERTY(QPixmap picture3 READ picture3 WRITE setPicture3)
    Q_PROPERTY(QPixmap picture4 READ picture4 WRITE setPicture4)
    Q_PROPERTY(QPixmap picture5 READ picture5 WRITE setPicture5)
    Q_PROPERTY(QPixmap picture6 READ picture6 WRITE setPicture6)
    Q_PROPERTY(QPixmap picture7 READ picture7 WRITE setPicture7)
    Q_PROPERTY(QPixmap picture8 READ picture8 WRITE setPicture8)
    Q_PROPERTY(QPixmap picture9 READ picture9 WRITE setPicture9)

  public:
    explicit MarqueeFormWidget(QWidget* parent = nullptr);

    ZqMarquee* marquee() const { return m_marquee; }
    QSize sizeHint() const override;

    QString text() const;
    void setText(const QString& text);
    QColor foreColor() const;
    void setForeColor(const QColor& color);
    QColor backColor() const;
    void setBackColor(const QColor& color);
    QFont marqueeFont() const;
    void setMarqueeFont(const QFont& font);
    ScrollDirection direction() const;
    void setDirection(ScrollDirection direction);
    int tickIncrement() const;
    void setTickIncrement(int pixels);
    Frame frame() const;
    void setFrame(Frame frame);
    int tickTime() const;
    void setTickTime(int milliseconds);
    TextJustification justification() const;
    void setJustification(TextJustification justification);
    bool freezeMarquee() const;
    void setFreezeMarquee(bool freeze);

    QFont heading(int n) const;
    void setHeading(int n, const QFont& font);
    QPixmap picture(int n) const;
    void setPicture(int n, const QPixmap& pixmap);

#define ZQ_HEADING_ACCESS(n)                                                                       \
    QFont heading##n() const {                                                                     \
        return heading(n);                                                                         \
    }                                                                                              \
    void setHeading##n(const QFont& f) {                                                           \
        setHeading(n, f);                                                                          \
    }
    ZQ_HEADING_ACCESS(1)
    ZQ_HEADING_ACCESS(2)
    ZQ_HEADING_ACCESS(3)
    ZQ_HEADING_ACCESS(4)
    ZQ_HEADING_ACCESS(5)
#undef ZQ_HEADING_ACCESS
#define ZQ_PICTURE_ACCESS(n)                                                                       \
    QPixmap picture##n() const {                                                                   \
        return picture(n);                                                                         \
    }                                                                                              \
    void setPicture##n(const QPixmap& p) {                                                         \
        setPicture(n, p);                                                                          \
    }
    ZQ_PICTURE_ACCESS(1)
    ZQ_PICTURE_ACCESS(2)
    ZQ_PICTURE_ACCESS(3)
    ZQ_PICTURE_ACCESS(4)
    ZQ_PICTURE_ACCESS(5)
    ZQ_PICTURE_ACCESS(6)
    ZQ_PICTURE_ACCESS(7)
    ZQ_PICTURE_ACCESS(8)
    ZQ_PICTURE_ACCESS(9)
#undef ZQ_PICTURE_ACCESS

    // Conversions between the marquee's value types and Qt's.
    static QColor toQColor(OleColor color);
    static OleColor fromQColor(const QColor& color);
    static QFont toQFont(const FontDesc& font);
    static FontDesc fromQFont(const QFont& font);

  private:
    void change(const std::function<void(MarqueeModel&)>& edit);

    ZqMarquee* m_marquee;
};

} // namespace zqmarq
