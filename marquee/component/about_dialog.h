#pragma once
// The About window (ZqAboutDlg) and the How To Use window.

#include <QDialog>

namespace zqmarq {

inline constexpr const char* kAboutTitle = "About Nimbrel Marquee Control";
inline constexpr const char* kAboutVersionLine = "Version 2.0.97.12.01.32";

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr, const QString& version = QStringLiteral("2.0"),
                         const QString& name = QStringLiteral("Marquee"));

    // Top-left that centres size on the screen area, moved back onto it when it would be off.
    static QPoint centredOnScreen(const QSize& size, const QRect& screen);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_version;
    QString m_name;
};

// The help text, CR LF line ends, paragraphs separated by an empty line.
extern const char* const kHowToUseText;

class HowToUseDialog : public QDialog {
    Q_OBJECT
  public:
    explicit HowToUseDialog(QWidget* parent = nullptr);
};

} // namespace zqmarq
