#include "shell/page_bar.h"

#include "shell/palette_colours.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Items are white on the dark bar. Hovered they keep their white text on a darker shade
// of the bar (a style's light hover panel would swallow it); the item of the page shown
// sits on the highlight colour.
const char* const kItemStyle = R"(
QToolButton[pageBarItem="true"] {
    color: white; background: transparent; border: 1px solid transparent;
    border-radius: 4px; padding: 2px;
}
QToolButton[pageBarItem="true"]:hover {
    background: rgba(0, 0, 0, 55); border-color: rgba(255, 255, 255, 130);
}
QToolButton[pageBarItem="true"]:pressed { background: rgba(0, 0, 0, 60); }
QToolButton[pageBarItem="true"][current="true"] {
    background: palette(highlight); color: palette(highlighted-text);
    border-color: rgba(255, 255, 255, 160);
}
QToolButton[pageBarItem="true"]:disabled { color: rgba(255, 255, 255, 110); }
QToolButton[pageBarItem="true"]:focus { border: 2px dashed white; }
)";

bool isActivationKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
} // namespace

PageBar::PageBar(QWidget* parent) : QWidget(parent) {
    setStyleSheet(QLatin1String(kItemStyle));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(2, 2, 2, 2);
    layout_->setSpacing(2);
}

PageBar::Group* PageBar::find(const QString& group) {
    for (Group& g : groups_)
        if (g.name == group)
            return &g;
    return nullptr;
}

const PageBar::Group* PageBar::find(const QString& group) const {
    for (const Group& g : groups_)
        if (g.name == group)
            return &g;
    return nullptr;
}

void PageBar::addGroup(const QString& group) {
    Group g;
    g.name = group;
    g.header = new QToolButton(this);
    g.header->setObjectName(QStringLiteral("SSListBar1Group_") + group);
    g.header->setText(group);
    g.header->setToolButtonStyle(Qt::ToolButtonTextOnly);
    g.header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    g.header->setMinimumHeight(22);
    g.header->installEventFilter(this);
    g.itemArea = new QWidget(this);
    g.itemLayout = new QVBoxLayout(g.itemArea);
    g.itemLayout->setContentsMargins(0, 4, 0, 4);
    g.itemLayout->setSpacing(4);
    g.itemLayout->addStretch(1);
    layout_->addWidget(g.header);
    layout_->addWidget(g.itemArea, 1);
    connect(g.header, &QToolButton::clicked, this, [this, group] { clickGroup(group); });
    groups_.append(g);
    if (current_.isEmpty())
        current_ = group;
    openGroup(current_);
}

void PageBar::addItem(const QString& group, const QString& text, const QIcon& icon) {
    Group* g = find(group);
    if (!g)
        return;
    auto* button = new QToolButton(g->itemArea);
    button->setObjectName(QStringLiteral("SSListBar1Item_") + text);
    button->setText(text);
    button->setIcon(icon);
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setProperty("pageBarItem", true);
    // Reached with Tab, not taken by a click: the focus frame shows where the keys go.
    button->setFocusPolicy(Qt::TabFocus);
    button->installEventFilter(this);
    button->setProperty("current", false);
    g->itemLayout->insertWidget(g->itemLayout->count() - 1, button);
    g->items.append(button);
    connect(button, &QToolButton::clicked, this, [this, text] { emit itemClicked(text); });
}

QString PageBar::currentGroup() const {
    return current_;
}

void PageBar::setCurrentItem(const QString& text) {
    if (text == currentItem_)
        return;
    currentItem_ = text;
    for (const Group& g : groups_)
        for (QToolButton* b : g.items) {
            const bool current = b->text() == text;
            if (b->property("current").toBool() == current)
                continue;
            b->setProperty("current", current);
            // A changed property takes effect in the style sheet once the button is polished
            // again.
            b->style()->unpolish(b);
            b->style()->polish(b);
            b->update();
        }
}

QStringList PageBar::groups() const {
    QStringList names;
    for (const Group& g : groups_)
        names << g.name;
    return names;
}

QStringList PageBar::items(const QString& group) const {
    QStringList texts;
    if (const Group* g = find(group))
        for (const QToolButton* b : g->items)
            texts << b->text();
    return texts;
}

QToolButton* PageBar::itemButton(const QString& text) const {
    for (const Group& g : groups_)
        for (QToolButton* b : g.items)
            if (b->text() == text)
                return b;
    return nullptr;
}

QToolButton* PageBar::groupButton(const QString& group) const {
    const Group* g = find(group);
    return g ? g->header : nullptr;
}

void PageBar::clickItem(const QString& text) {
    if (isEnabled() && itemButton(text))
        emit itemClicked(text);
}

void PageBar::clickGroup(const QString& group) {
    if (!isEnabled() || !find(group))
        return;
    const QString old = current_;
    current_ = group;
    openGroup(group);
    emit groupClicked(group, old);
}

void PageBar::openGroup(const QString& group) {
    for (Group& g : groups_)
        g.itemArea->setVisible(g.name == group);
}

QColor PageBar::barColour() const {
    // The palette's dark shade, darker still where the items' white text would not read.
    return readableOn(palette().color(QPalette::Dark), Qt::white);
}

void PageBar::paintEvent(QPaintEvent* event) {
    QPainter(this).fillRect(rect(), barColour());
    QWidget::paintEvent(event);
}

bool PageBar::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QToolButton*>(watched);
    if (!button || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    // Enter opens the focused page as a click does; up and down move along the bar.
    if (isActivationKey(key) && key->modifiers() == Qt::NoModifier) {
        button->click();
        return true;
    }
    if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
        QList<QToolButton*> order;
        for (const Group& g : groups_) {
            order << g.header;
            if (g.itemArea->isVisible())
                order << g.items;
        }
        const qsizetype at = order.indexOf(button);
        const qsizetype next = at + (key->key() == Qt::Key_Down ? 1 : -1);
        if (at >= 0 && next >= 0 && next < order.size())
            order.at(next)->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
