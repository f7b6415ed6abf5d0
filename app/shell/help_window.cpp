#include "shell/help_window.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int kTargetRole = Qt::UserRole + 1;

bool safeTarget(const QString& target) {
    const QString page = target.section(QLatin1Char('#'), 0, 0);
    return !page.isEmpty() && !page.contains(QLatin1Char('/')) &&
           !page.contains(QLatin1Char('\\')) && !page.startsWith(QLatin1Char('.')) &&
           page.endsWith(QLatin1String(".html"));
}
} // namespace

QList<QPair<QString, QString>> readHelpList(const QString& file) {
    QList<QPair<QString, QString>> entries;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return entries;
    const QByteArray bytes = in.read(1 << 20);
    for (QString line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || bar <= 0)
            continue;
        const QString text = line.left(bar).trimmed();
        const QString target = line.mid(bar + 1).trimmed();
        if (!text.isEmpty() && safeTarget(target))
            entries.append({text, target});
    }
    return entries;
}

QString HelpWindow::helpFolder() {
    return AppPaths::resourceFolder() + QStringLiteral("/help");
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kavel32 Help"));
    resize(kDefaultSize);

    tabs_ = new QTabWidget;
    contents_ = new QListWidget;
    contents_->setObjectName(QStringLiteral("HelpContents"));
    tabs_->addTab(contents_, QStringLiteral("Contents"));

    auto* indexPage = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    indexFilter_ = new QLineEdit;
    indexFilter_->setObjectName(QStringLiteral("HelpIndexFilter"));
    indexFilter_->setPlaceholderText(QStringLiteral("Type the first letters of a word"));
    index_ = new QListWidget;
    index_->setObjectName(QStringLiteral("HelpIndex"));
    indexLayout->addWidget(indexFilter_);
    indexLayout->addWidget(index_);
    tabs_->addTab(indexPage, QStringLiteral("Index"));

    browser_ = new QTextBrowser;
    browser_->setObjectName(QStringLiteral("HelpPage"));
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({helpFolder()});

    auto* splitter = new QSplitter;
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 560});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    auto open = [this](QListWidgetItem* item) {
        if (item)
            openTarget(item->data(kTargetRole).toString());
    };
    connect(contents_, &QListWidget::itemActivated, this, open);
    connect(contents_, &QListWidget::itemClicked, this, open);
    connect(index_, &QListWidget::itemActivated, this, open);
    connect(index_, &QListWidget::itemClicked, this, open);
    connect(indexFilter_, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    // Escape and Ctrl+W put the help away.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* close = new QShortcut(keys, this);
        close->setContext(Qt::WindowShortcut);
        connect(close, &QShortcut::activated, this, &QWidget::close);
    }
    connect(indexFilter_, &QLineEdit::returnPressed, this, [this, open] {
        for (int i = 0; i < index_->count(); ++i)
            if (!index_->item(i)->isHidden())
                return open(index_->item(i));
    });
    load();
}

void HelpWindow::load() {
    const QString folder = helpFolder();
    for (const auto& [text, target] : readHelpList(folder + QStringLiteral("/contents.txt"))) {
        auto* item = new QListWidgetItem(text, contents_);
        item->setData(kTargetRole, target);
        if (firstTopic_.isEmpty())
            firstTopic_ = target;
    }
    auto entries = readHelpList(folder + QStringLiteral("/index.txt"));
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [text, target] : entries) {
        auto* item = new QListWidgetItem(text, index_);
        item->setData(kTargetRole, target);
    }
    if (firstTopic_.isEmpty())
        browser_->setHtml(QStringLiteral("<p>The help pages were not found in %1.</p>")
                              .arg(folder.toHtmlEscaped()));
}

void HelpWindow::openTarget(const QString& target) {
    if (!safeTarget(target))
        return;
    const QString page = target.section(QLatin1Char('#'), 0, 0);
    const QString anchor = target.section(QLatin1Char('#'), 1);
    QUrl url = QUrl::fromLocalFile(helpFolder() + QLatin1Char('/') + page);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    browser_->setSource(url);
}

void HelpWindow::filterIndex(const QString& typed) {
    for (int i = 0; i < index_->count(); ++i) {
        QListWidgetItem* item = index_->item(i);
        item->setHidden(!item->text().startsWith(typed.trimmed(), Qt::CaseInsensitive));
    }
}

void HelpWindow::present(bool withFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating, !withFocus);
    if (isMinimized())
        showNormal();
    show();
    if (withFocus) {
        raise();
        activateWindow();
    }
}

void HelpWindow::showContents(bool withFocus) {
    tabs_->setCurrentIndex(0);
    if (!firstTopic_.isEmpty()) {
        contents_->setCurrentRow(0);
        openTarget(firstTopic_);
    }
    present(withFocus);
}

QRect besideGeometry(const QRect& mainFrame, const QSize& size, int minimumWidth,
                     const QRect& screenArea) {
    constexpr int kGap = 8;
    const int rightRoom = screenArea.right() - mainFrame.right() - kGap;
    const int leftRoom = mainFrame.left() - kGap - screenArea.left();
    int width = size.width();
    int x = 0;
    if (width <= rightRoom) {
        x = mainFrame.right() + 1 + kGap;
    } else if (width <= leftRoom) {
        x = mainFrame.left() - kGap - width;
    } else if (std::max(rightRoom, leftRoom) >= minimumWidth) {
        // Narrower, on the side with more room.
        width = std::max(rightRoom, leftRoom);
        x = rightRoom >= leftRoom ? mainFrame.right() + 1 + kGap : screenArea.left();
    } else {
        x = std::max(screenArea.left(), screenArea.right() + 1 - width);
    }
    const int height = std::min(size.height(), screenArea.height());
    const int lowest = screenArea.bottom() + 1 - height;
    return {x, std::clamp(mainFrame.top(), screenArea.top(), lowest), width, height};
}

void HelpWindow::placeBeside(const QWidget* mainWindow) {
    if (isVisible() || !mainWindow)
        return;
    const QScreen* screen = mainWindow->screen();
    if (!screen)
        return;
    // The frame is not known before the first show: the title bar's height is guessed.
    const QSize frameExtra =
        testAttribute(Qt::WA_WState_Created) ? frameGeometry().size() - size() : QSize(0, 30);
    const QRect frame =
        besideGeometry(mainWindow->frameGeometry(), kDefaultSize + frameExtra,
                       kMinimumWidth + frameExtra.width(), screen->availableGeometry());
    resize(frame.size() - frameExtra);
    move(frame.topLeft());
}

void HelpWindow::showIndex(bool withFocus) {
    tabs_->setCurrentIndex(1);
    indexFilter_->clear();
    // The right pane shows the first keyword's page rather than nothing.
    if (index_->count() > 0) {
        index_->setCurrentRow(0);
        openTarget(index_->item(0)->data(kTargetRole).toString());
    } else if (!firstTopic_.isEmpty()) {
        openTarget(firstTopic_);
    }
    present(withFocus);
    if (withFocus)
        indexFilter_->setFocus();
}

QString HelpWindow::currentTab() const {
    return tabs_->tabText(tabs_->currentIndex());
}

QString HelpWindow::currentPage() const {
    return browser_->source().fileName();
}

int HelpWindow::topicCount() const {
    return contents_->count();
}

int HelpWindow::indexCount() const {
    return index_->count();
}

bool HelpWindow::openKeyword(const QString& keyword) {
    for (int i = 0; i < index_->count(); ++i)
        if (index_->item(i)->text() == keyword) {
            openTarget(index_->item(i)->data(kTargetRole).toString());
            return true;
        }
    return false;
}
