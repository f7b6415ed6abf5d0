#pragma once
// ZqMarquee: a banner that scrolls text mixed with pictures, fonts and colours across itself.
//
// What it shows is its text, written in the marquee markup:
//   <IMG 1> ... <IMG 9>      the picture set with setPicture(1 ... 9)
//   <H 0> ... <H 5>          the widget's font (0) or the heading font set with setHeading(1 ... 5)
//   <COLOR R255 G128 B0>     the colour of the text that follows (a missing value is 0)
// Anything else is text, line breaks included. The content scrolls one tickIncrement every
// tickTime milliseconds in its direction, enters at the leading edge and, once it has left the
// widget completely, re-enters from the other side; each pass ends with finishedDisplay(), or
// with nextDisplayString taking the text's place.
//
// Motion: the widget moves only while it is shown, not minimised and not scrolled out of view,
// and never with reducedMotion set; with reducedMotion it shows its first frame and stands
// still. A new widget takes reducedMotion from the application object's dynamic property
// "reducedMotion" when that is set (qApp->setProperty("reducedMotion", true) before the
// widgets are made chooses for all of them).
//
// Text is stored as one Latin-1 byte per character: setText() and setNextDisplayString()
// refuse a text with any other character (return false, emit textRefused(), keep the text as
// it was) and never replace a character.
//
// Memory: a design (the properties saveState() writes) may hold at most MaxDesignBytes: its
// texts, font names and stored picture bytes, plus 4 bytes for every pixel of its pictures,
// each decoded once when set or restored. restoreState() refuses a state past that bound,
// naming the property that crossed it, and setPicture() refuses a picture that would cross it.
// The content is drawn into one image of at most MaxContentPixels device pixels; content past
// that is not drawn: the widget shows a one-line notice instead and contentTooLarge() is true.

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>

#if defined(ZQMARQ_BUILDING_LIBRARY)
#define ZQMARQ_EXPORT Q_DECL_EXPORT
#else
#define ZQMARQ_EXPORT Q_DECL_IMPORT
#endif

namespace zqmarq {

class ZqMarqueePrivate;

class ZQMARQ_EXPORT ZqMarquee : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QString nextDisplayString READ nextDisplayString WRITE setNextDisplayString NOTIFY
                   nextDisplayStringChanged)
    Q_PROPERTY(QColor foreColor READ foreColor WRITE setForeColor NOTIFY foreColorChanged)
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor NOTIFY backColorChanged)
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY fontChanged)
    Q_PROPERTY(ScrollDirection direction READ direction WRITE setDirection NOTIFY directionChanged)
    Q_PROPERTY(TextJustification justification READ justification WRITE setJustification NOTIFY
                   justificationChanged)
    Q_PROPERTY(FrameStyle frame READ frame WRITE setFrame NOTIFY frameChanged)
    Q_PROPERTY(int tickTime READ tickTime WRITE setTickTime NOTIFY tickTimeChanged)
    Q_PROPERTY(
        int tickIncrement READ tickIncrement WRITE setTickIncrement NOTIFY tickIncrementChanged)
    Q_PROPERTY(
        bool freezeMarquee READ freezeMarquee WRITE setFreezeMarquee NOTIFY freezeMarqueeChanged)
    Q_PROPERTY(
        bool reducedMotion READ reducedMotion WRITE setReducedMotion NOTIFY reducedMotionChanged)
    Q_PROPERTY(bool contentTooLarge READ contentTooLarge)
    Q_PROPERTY(QFont heading1 READ heading1 WRITE setHeading1 NOTIFY headingsChanged)
    Q_PROPERTY(QFont heading2 READ heading2 WRITE setHeading2 NOTIFY headingsChanged)
    Q_PROPERTY(QFont heading3 READ heading3 WRITE setHeading3 NOTIFY headingsChanged)
    Q_PROPERTY(QFont heading4 READ heading4 WRITE setHeading4 NOTIFY headingsChanged)
    Q_PROPERTY(QFont heading5 READ heading5 WRITE setHeading5 NOTIFY headingsChanged)
    Q_PROPERTY(QPixmap picture1 READ picture1 WRITE setPicture1 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture2 READ picture2 WRITE setPicture2 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture3 READ picture3 WRITE setPicture3 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture4 READ picture4 WRITE setPicture4 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture5 READ picture5 WRITE setPicture5 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture6 READ picture6 WRITE setPicture6 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture7 READ picture7 WRITE setPicture7 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture8 READ picture8 WRITE setPicture8 NOTIFY picturesChanged)
    Q_PROPERTY(QPixmap picture9 READ picture9 WRITE setPicture9 NOTIFY picturesChanged)

  public:
    // Values outside the named ones are kept as they are: a direction outside 0 ... 3 stands
    // still, a justification outside 0 ... 2 places as LeftOrTop, an unknown frame draws none.
    enum ScrollDirection : int { RightToLeft, LeftToRight, TopToBottom, BottomToTop };
    Q_ENUM(ScrollDirection)
    enum TextJustification : int { LeftOrTop, Centered, RightOrBottom };
    Q_ENUM(TextJustification)
    enum FrameStyle : int {
        None,
        FrameLightIndent,
        FrameHeavyIndent,
        FrameIndent,
        FrameHeavyOutdent,
        FrameShadow
    };
    Q_ENUM(FrameStyle)

    static constexpr int HeadingCount = 5;
    static constexpr int PictureCount = 9;
    static constexpr qint64 MaxDesignBytes = 32LL * 1024 * 1024;
    static constexpr qint64 MaxContentPixels = 8LL * 1024 * 1024;

    // A fresh marquee: "Nimbrel Marquee" on white in the widget's own font, right to left by
    // 1 pixel every 100 milliseconds, centred, with the heavy indent frame.
    explicit ZqMarquee(QWidget* parent = nullptr);
    ~ZqMarquee() override;

    // The markup shown. A text that cannot be stored is refused (see above).
    QString text() const;
    bool setText(const QString& text);
    // Markup that takes the text's place at the end of the current pass (then it is emptied).
    QString nextDisplayString() const;
    bool setNextDisplayString(const QString& text);
    // Whether a text can be stored; *reason names the first character that cannot.
    static bool isStorable(const QString& text, QString* reason = nullptr);

    // The text colour every pass starts with, and the background. An invalid colour is ignored.
    QColor foreColor() const;
    void setForeColor(const QColor& color);
    QColor backColor() const;
    void setBackColor(const QColor& color);
    // The base font, "<H 0>": QWidget::font() and setFont(). A font whose family name is not
    // Latin-1 cannot be stored and is not taken: the widget keeps its font.

    ScrollDirection direction() const;
    void setDirection(ScrollDirection direction);
    // Placement across the scrolling axis.
    TextJustification justification() const;
    void setJustification(TextJustification justification);
    FrameStyle frame() const;
    void setFrame(FrameStyle style);
    // Milliseconds between steps (at least 10 are waited; a negative value never steps) and
    // pixels per step (0 stands still, a negative value moves the other way and never wraps).
    // Both are stored in 16 bits: values beyond -32768 ... 32767 are held to that range.
    int tickTime() const;
    void setTickTime(int milliseconds);
    int tickIncrement() const;
    void setTickIncrement(int pixels);
    // Stops the movement where it stands; false resumes from there.
    bool freezeMarquee() const;
    void setFreezeMarquee(bool freeze);
    // Shows the first frame and keeps the widget still (not stored with the design).
    bool reducedMotion() const;
    void setReducedMotion(bool reduced);

    // Heading fonts "<H 1>" ... "<H 5>" (n = 1 ... 5). false for another n or a font whose
    // family name is not Latin-1.
    QFont heading(int n) const;
    bool setHeading(int n, const QFont& font);
    // Pictures "<IMG 1>" ... "<IMG 9>" (n = 1 ... 9), stored as PNG; a null pixmap removes the
    // picture. false for another n or a picture past the design's memory bound.
    QPixmap picture(int n) const;
    bool setPicture(int n, const QPixmap& pixmap);

    // The design in the stored form a container keeps with its window (the widget's size
    // included), and back. Restoring starts the content at its first frame and leaves the
    // widget's size to its layout; a refused state changes nothing, *errorMessage says why.
    QByteArray saveState() const;
    bool restoreState(const QByteArray& state, QString* errorMessage = nullptr);

    // The content, laid out, is past MaxContentPixels: a notice shows instead of it.
    bool contentTooLarge() const;

    // The content's size with the frame: the whole content across the scrolling axis, along
    // it up to 400 pixels.
    QSize sizeHint() const override;

#define ZQMARQ_HEADING_ACCESSORS(n)                                                                \
    QFont heading##n() const {                                                                     \
        return heading(n);                                                                         \
    }                                                                                              \
    void setHeading##n(const QFont& font) {                                                        \
        setHeading(n, font);                                                                       \
    }
    ZQMARQ_HEADING_ACCESSORS(1)
    ZQMARQ_HEADING_ACCESSORS(2)
    ZQMARQ_HEADING_ACCESSORS(3)
    ZQMARQ_HEADING_ACCESSORS(4)
    ZQMARQ_HEADING_ACCESSORS(5)
#undef ZQMARQ_HEADING_ACCESSORS
#define ZQMARQ_PICTURE_ACCESSORS(n)                                                                \
    QPixmap picture##n() const {                                                                   \
        return picture(n);                                                                         \
    }                                                                                              \
    void setPicture##n(const QPixmap& pixmap) {                                                    \
        setPicture(n, pixmap);                                                                     \
    }
    ZQMARQ_PICTURE_ACCESSORS(1)
    ZQMARQ_PICTURE_ACCESSORS(2)
    ZQMARQ_PICTURE_ACCESSORS(3)
    ZQMARQ_PICTURE_ACCESSORS(4)
    ZQMARQ_PICTURE_ACCESSORS(5)
    ZQMARQ_PICTURE_ACCESSORS(6)
    ZQMARQ_PICTURE_ACCESSORS(7)
    ZQMARQ_PICTURE_ACCESSORS(8)
    ZQMARQ_PICTURE_ACCESSORS(9)
#undef ZQMARQ_PICTURE_ACCESSORS

  signals:
    void textChanged(const QString& text);
    void nextDisplayStringChanged(const QString& text);
    void foreColorChanged(const QColor& color);
    void backColorChanged(const QColor& color);
    void fontChanged(const QFont& font);
    void directionChanged(zqmarq::ZqMarquee::ScrollDirection direction);
    void justificationChanged(zqmarq::ZqMarquee::TextJustification justification);
    void frameChanged(zqmarq::ZqMarquee::FrameStyle style);
    void tickTimeChanged(int milliseconds);
    void tickIncrementChanged(int pixels);
    void freezeMarqueeChanged(bool freeze);
    void reducedMotionChanged(bool reduced);
    void headingsChanged();
    void picturesChanged();
    // setText() or setNextDisplayString() refused a text; reason names the character.
    void textRefused(const QString& reason);

    // A click (press and release of a button inside the widget) and a double click.
    void clicked();
    void doubleClicked();
    // The control's own events, as containers of the component know them: Click, DblClick,
    // MouseDown/Move/Up (button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt;
    // x, y in pixels) and FinishedDisplay (a pass ended without a waiting nextDisplayString).
    void click();
    void dblClick();
    void mouseDown(short button, short shift, int x, int y);
    void mouseMove(short button, short shift, int x, int y);
    void mouseUp(short button, short shift, int x, int y);
    void finishedDisplay();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    friend class ZqMarqueePrivate;
    ZqMarquee(std::unique_ptr<ZqMarqueePrivate> d, QWidget* parent);

    std::unique_ptr<ZqMarqueePrivate> d;
    Qt::MouseButtons pressed_;
};

} // namespace zqmarq
