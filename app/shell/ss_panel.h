#pragma once

#include <QLabel>

// A 3-D panel with a caption: sunken (displays) or raised (titles, buttons of links).
// It tells its host when it is clicked.
class SSPanel : public QLabel {
    Q_OBJECT
  public:
    enum class Bevel { Sunken, Raised };
    explicit SSPanel(const QString& objectName, QWidget* parent = nullptr,
                     Bevel bevel = Bevel::Sunken);

    QString caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
    // When set, the tool tip becomes the caption whenever the mouse enters, so a path too
    // long for the panel can be read in full.
    void setToolTipFollowsCaption(bool follow) { tipFollowsCaption_ = follow; }
    // Marks the caption as naming something that is not there (struck out, in a warning
    // colour readable on the palette).
    void setMarked(bool marked);
    bool isMarked() const { return marked_; }

  signals:
    void clicked();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    void changeEvent(QEvent* event) override;

  private:
    bool tipFollowsCaption_ = false;
    bool marked_ = false;
};

// A note beside a field (its design name + "Note"): why the field needs attention, in the
// warning colour. Hidden while there is nothing to say.
class FieldNote : public QLabel {
    Q_OBJECT
  public:
    FieldNote(const QString& field, QWidget* parent);
    void showText(const QString& text);

  protected:
    void changeEvent(QEvent* event) override;
};

// Red, made lighter or darker until it reads on the palette's window colour.
QColor warningColour(const QPalette& palette);
