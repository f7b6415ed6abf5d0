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
// Text: any Unicode text is shown (right-to-left scripts run right to left), up to
// MaxTextLength characters; a longer one is refused. The stored form holds one Latin-1 byte per
// character: saveState() refuses a design whose text has a character past U+00FF, and says
// which (isStorable() tells beforehand).
//
// Colours: a fresh widget follows its palette (and so a style sheet's background and text
// colour): its colours are the system colours "button face" and "button text". A colour the
// design sets stays as it is.
//
// Refusals: every setter returns false when it refuses a value, emits propertyRefused() with
// the property's name and why, and changes nothing. Setting a property to the value it holds
// changes nothing and notifies nothing.
//
// Ticker: fadeWidth, pauseAtEnds, scrollOnlyWhenNeeded (content that fits stands still, placed
// by alignment like a label's), leadingBuffer and trailingBuffer, and a speed as
// pixelsPerSecond or passDuration instead of tickIncrement per tickTime. They are saved with
// the design when one differs from its default; a design without them gives the defaults.
//
// Memory: a design (the properties saveState() writes) may hold at most MaxDesignBytes: its
// texts, font names and stored picture bytes, plus 4 bytes for every pixel of its pictures,
// each checked through (every length within the bytes) and decoded once when set or restored.
// restoreState() refuses a state past that bound, naming the property that crossed it, and
// setPicture() refuses a picture that would cross it. The content is drawn into one image of
// at most MaxContentPixels device pixels; content past that is not drawn: the widget shows a
// one-line notice instead and contentTooLarge() is true.

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>

#include <ZQMarq/zqmarq_export.h>

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
    Q_PROPERTY(bool contentTooLarge READ contentTooLarge NOTIFY contentTooLargeChanged)
    Q_PROPERTY(int fadeWidth READ fadeWidth WRITE setFadeWidth NOTIFY fadeWidthChanged)
    Q_PROPERTY(int pauseAtEnds READ pauseAtEnds WRITE setPauseAtEnds NOTIFY pauseAtEndsChanged)
    Q_PROPERTY(bool scrollOnlyWhenNeeded READ scrollOnlyWhenNeeded WRITE setScrollOnlyWhenNeeded
                   NOTIFY scrollOnlyWhenNeededChanged)
    Q_PROPERTY(
        int leadingBuffer READ leadingBuffer WRITE setLeadingBuffer NOTIFY leadingBufferChanged)
    Q_PROPERTY(
        int trailingBuffer READ trailingBuffer WRITE setTrailingBuffer NOTIFY trailingBufferChanged)
    Q_PROPERTY(int pixelsPerSecond READ pixelsPerSecond WRITE setPixelsPerSecond NOTIFY
                   pixelsPerSecondChanged)
    Q_PROPERTY(int passDuration READ passDuration WRITE setPassDuration NOTIFY passDurationChanged)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment NOTIFY alignmentChanged)
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
    static constexpr int MaxTextLength = 65536;

    // A fresh marquee: "Nimbrel Marquee" in the palette's colours and the widget's own font,
    // right to left by 1 pixel every 100 milliseconds, centred, with the heavy indent frame.
    explicit ZqMarquee(QWidget* parent = nullptr);
    ~ZqMarquee() override;

    // The markup shown, and markup that takes its place at the end of the current pass (then
    // it is emptied).
    QString text() const;
    QString nextDisplayString() const;
    // Whether the stored form can hold a text; *reason names the first character it cannot.
    static bool isStorable(const QString& text, QString* reason = nullptr);

    // The text colour every pass starts with, and the background.
    QColor foreColor() const;
    QColor backColor() const;
    // The base font, "<H 0>", is QWidget::font() and setFont(). A font whose family name is
    // not Latin-1 cannot be stored and is not taken: the widget keeps its font.

    ScrollDirection direction() const;
    // Placement across the scrolling axis.
    TextJustification justification() const;
    FrameStyle frame() const;
    // Milliseconds between steps (at least 10 are waited; a negative value never steps) and
    // pixels per step (0 stands still, a negative value moves the other way and never wraps).
    // Both are stored in 16 bits: values beyond -32768 ... 32767 are held to that range.
    int tickTime() const;
    int tickIncrement() const;
    // Stops the movement where it stands; false resumes from there.
    bool freezeMarquee() const;
    // Shows the first frame and keeps the widget still (not stored with the design).
    bool reducedMotion() const;

    // Pixels at both ends of the scrolling axis over which moving content fades into the
    // background (0: none).
    int fadeWidth() const;
    // Milliseconds the content rests at its home position: at the start and each time it
    // comes round to it again (0: no pause).
    int pauseAtEnds() const;
    // Content that fits inside the frame stands still, placed by alignment, and fires no
    // finishedDisplay; content that does not fit scrolls.
    bool scrollOnlyWhenNeeded() const;
    // Pixels between the starting edge and the content's home position, and pixels the
    // content travels past its end before it comes round again.
    int leadingBuffer() const;
    int trailingBuffer() const;
    // A speed instead of tickIncrement per tickTime: pixels per second, or milliseconds for
    // one whole pass (entering to leaving, trailing buffer included), which goes first.
    // 0 leaves the speed to tickIncrement and tickTime.
    int pixelsPerSecond() const;
    int passDuration() const;
    // Where still content goes along the scrolling axis (Qt::AlignLeft, AlignHCenter,
    // AlignRight; AlignTop, AlignVCenter, AlignBottom when scrolling vertically).
    Qt::Alignment alignment() const;

    // Heading fonts "<H 1>" ... "<H 5>" (n = 1 ... 5), read back in points as they were set.
    QFont heading(int n) const;
    // Pictures "<IMG 1>" ... "<IMG 9>" (n = 1 ... 9), stored as PNG.
    QPixmap picture(int n) const;

    // The design in the stored form a container keeps with its window (the widget's size
    // included). Empty when it cannot be stored (*errorMessage says why).
    QByteArray saveState(QString* errorMessage = nullptr) const;
    // Restores a stored design. It starts at its first frame and leaves the widget's size to
    // its layout; a refused state changes nothing, *errorMessage says why.
    bool restoreState(const QByteArray& state, QString* errorMessage = nullptr);

    // Nothing of the content can be shown: laid out, it is past MaxContentPixels (or too
    // wide to measure). A notice shows instead of it.
    bool contentTooLarge() const;

    // The content's size with the frame: the whole content across the scrolling axis, along
    // it up to 400 pixels.
    QSize sizeHint() const override;
    // The whole content across the scrolling axis with the frame, and a little of it along.
    QSize minimumSizeHint() const override;

#define ZQMARQ_HEADING_ACCESSORS(n)                                                                \
    QFont heading##n() const {                                                                     \
        return heading(n);                                                                         \
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

  public Q_SLOTS:
    // Each returns false when it refuses the value (see propertyRefused) and true when the
    // value is held afterwards.
    bool setText(const QString& text);
    bool setNextDisplayString(const QString& text);
    // An invalid colour is refused; the alpha channel is not stored.
    bool setForeColor(const QColor& color);
    bool setBackColor(const QColor& color);
    bool setDirection(zqmarq::ZqMarquee::ScrollDirection direction);
    bool setJustification(zqmarq::ZqMarquee::TextJustification justification);
    bool setFrame(zqmarq::ZqMarquee::FrameStyle style);
    bool setTickTime(int milliseconds);
    bool setTickIncrement(int pixels);
    bool setFreezeMarquee(bool freeze);
    bool setReducedMotion(bool reduced);
    // Negative values are refused.
    bool setFadeWidth(int pixels);
    bool setPauseAtEnds(int milliseconds);
    bool setScrollOnlyWhenNeeded(bool onlyWhenNeeded);
    bool setLeadingBuffer(int pixels);
    bool setTrailingBuffer(int pixels);
    bool setPixelsPerSecond(int pixels);
    bool setPassDuration(int milliseconds);
    bool setAlignment(Qt::Alignment alignment);
    // false for another n or a font whose family name is not Latin-1.
    bool setHeading(int n, const QFont& font);
    // A null pixmap removes the picture; false for another n or a picture past the design's
    // memory bound.
    bool setPicture(int n, const QPixmap& pixmap);
    bool setHeading1(const QFont& font) {
        return setHeading(1, font);
    }
    bool setHeading2(const QFont& font) {
        return setHeading(2, font);
    }
    bool setHeading3(const QFont& font) {
        return setHeading(3, font);
    }
    bool setHeading4(const QFont& font) {
        return setHeading(4, font);
    }
    bool setHeading5(const QFont& font) {
        return setHeading(5, font);
    }
    bool setPicture1(const QPixmap& pixmap) {
        return setPicture(1, pixmap);
    }
    bool setPicture2(const QPixmap& pixmap) {
        return setPicture(2, pixmap);
    }
    bool setPicture3(const QPixmap& pixmap) {
        return setPicture(3, pixmap);
    }
    bool setPicture4(const QPixmap& pixmap) {
        return setPicture(4, pixmap);
    }
    bool setPicture5(const QPixmap& pixmap) {
        return setPicture(5, pixmap);
    }
    bool setPicture6(const QPixmap& pixmap) {
        return setPicture(6, pixmap);
    }
    bool setPicture7(const QPixmap& pixmap) {
        return setPicture(7, pixmap);
    }
    bool setPicture8(const QPixmap& pixmap) {
        return setPicture(8, pixmap);
    }
    bool setPicture9(const QPixmap& pixmap) {
        return setPicture(9, pixmap);
    }

  Q_SIGNALS:
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
    void contentTooLargeChanged(bool tooLarge);
    void fadeWidthChanged(int pixels);
    void pauseAtEndsChanged(int milliseconds);
    void scrollOnlyWhenNeededChanged(bool onlyWhenNeeded);
    void leadingBufferChanged(int pixels);
    void trailingBufferChanged(int pixels);
    void pixelsPerSecondChanged(int pixels);
    void passDurationChanged(int milliseconds);
    void alignmentChanged(Qt::Alignment alignment);
    void headingsChanged();
    void picturesChanged();
    // A setter refused a value: the property's name ("text", "heading3", ...) and why.
    void propertyRefused(const QString& property, const QString& reason);
    // setText() or setNextDisplayString() refused a text (also told by propertyRefused).
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
