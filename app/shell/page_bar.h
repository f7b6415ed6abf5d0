#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

class QToolButton;
class QVBoxLayout;

// The two-group item bar on the left of the main window (SSListBar1): a header button per
// group; the open group shows its items below its header. It only reports clicks; what a
// click does is the window's business.
class PageBar : public QWidget {
    Q_OBJECT
  public:
    explicit PageBar(QWidget* parent = nullptr);

    void addGroup(const QString& group);
    void addItem(const QString& group, const QString& text, const QIcon& icon = {});

    QString currentGroup() const;
    // The item of the page shown, marked on the bar; an unknown text marks none.
    void setCurrentItem(const QString& text);
    QString currentItem() const { return currentItem_; }
    QStringList groups() const;
    QStringList items(const QString& group) const;
    // The button of an item or of a group header (for tests and accessibility).
    QToolButton* itemButton(const QString& text) const;
    QToolButton* groupButton(const QString& group) const;

    // The same as a click on the item or on the group header.
    void clickItem(const QString& text);
    void clickGroup(const QString& group);

    // The bar's background: the palette's dark shade, kept dark enough for white text.
    QColor barColour() const;

  signals:
    void itemClicked(const QString& text);
    // Every header click, also on the group already open.
    void groupClicked(const QString& newGroup, const QString& oldGroup);

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Group {
        QString name;
        QToolButton* header = nullptr;
        QWidget* itemArea = nullptr;
        QVBoxLayout* itemLayout = nullptr;
        QList<QToolButton*> items;
    };
    Group* find(const QString& group);
    const Group* find(const QString& group) const;
    void openGroup(const QString& group);

    QVBoxLayout* layout_ = nullptr;
    QList<Group> groups_;
    QString current_;
    QString currentItem_;
};
