#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

// The help viewer: Kavel32's HTML help pages from the resource folder, with a contents
// list and a keyword index. Topics come from help/contents.txt and the index from
// help/index.txt, one "text|page.html[#anchor]" a line.
class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The folder of the help pages; when missing, the window says so instead of a page.
    static QString helpFolder();

    // Puts a hidden window beside the main window (besideGeometry), at its own size or
    // narrower. A window already shown stays where the user put it.
    void placeBeside(const QWidget* mainWindow);
    static constexpr int kMinimumWidth = 400;
    static constexpr QSize kDefaultSize{760, 520};

    // Opened at the contents or at the index; withFocus false leaves the focus where it is.
    void showContents(bool withFocus = true);
    void showIndex(bool withFocus = true);

    // For tests: the tab shown ("Contents" or "Index"), the page shown, the entries.
    QString currentTab() const;
    QString currentPage() const;
    int topicCount() const;
    int indexCount() const;
    // Shows the page of a keyword of the index (exact text); false when there is none.
    bool openKeyword(const QString& keyword);

  private:
    void load();
    void openTarget(const QString& target);
    void filterIndex(const QString& typed);
    void present(bool withFocus);

    QTabWidget* tabs_ = nullptr;
    QListWidget* contents_ = nullptr;
    QLineEdit* indexFilter_ = nullptr;
    QListWidget* index_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QString firstTopic_;
};

// Where a window of this size goes beside mainFrame on the screen area: right of it, else
// left of it, else narrower (not below minimumWidth) on the side with more room, else at
// the screen's right edge over the main window.
QRect besideGeometry(const QRect& mainFrame, const QSize& size, int minimumWidth,
                     const QRect& screenArea);

// Reads one "text|target" list; lines without both parts, targets leaving the help folder
// and blank lines are left out.
QList<QPair<QString, QString>> readHelpList(const QString& file);
