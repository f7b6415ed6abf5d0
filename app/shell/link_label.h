#pragma once

#include "shell/ss_panel.h"

// A raised panel that works as a link (the web and e-mail panels of the About page): blue
// text while the mouse is over it (lighter where the desktop's palette is dark), the
// palette's text colour otherwise, and a left click opens the link. A
// right click is its own, so it opens no page menu.
class LinkLabel : public SSPanel {
    Q_OBJECT
  public:
    static inline const QColor kHoverColour{0, 0, 0xC0}; // colour value C00000
    LinkLabel(const QString& objectName, const QString& text, QWidget* parent = nullptr);

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void setTextColour(const QColor& colour);
    QColor wanted_;
};

// The logo panel of the About page: a hand pointer; a left or middle press opens the About
// window. A right press is left to the page menu.
class LogoPanel : public SSPanel {
    Q_OBJECT
  public:
    explicit LogoPanel(const QString& objectName, QWidget* parent = nullptr);

  signals:
    void aboutRequested();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};
