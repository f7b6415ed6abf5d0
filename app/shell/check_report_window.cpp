#include "shell/check_report_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QLabel* wrappingLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

CheckReportWindow::CheckReportWindow(const QString& title, const SetReport& report, QWidget* parent)
    : QDialog(parent), view_(reportView(report)), table_(true) {
    build(title);
}

CheckReportWindow::CheckReportWindow(const QString& title, const QStringList& lines,
                                     QWidget* parent)
    : QDialog(parent), plainText_(lines.join(QLatin1Char('\n'))) {
    view_.summary = lines.isEmpty() ? QString() : lines.back();
    view_.headline = view_.summary;
    build(title);
}

void CheckReportWindow::build(const QString& title) {
    setObjectName(QStringLiteral("CheckReport"));
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);

    headline_ = wrappingLabel("ReportHeadline", this);
    headline_->setText(view_.headline);
    QFont bold = headline_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    headline_->setFont(bold);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ReportIcon"));
    const QStyle::StandardPixmap mark =
        view_.passed ? QStyle::SP_DialogApplyButton : QStyle::SP_MessageBoxCritical;
    icon->setPixmap(style()->standardIcon(mark).pixmap(32, 32));
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(headline_, 1);
    layout->addLayout(top);

    summary_ = wrappingLabel("ReportSummary", this);
    QStringList under;
    if (table_) {
        for (const QString& part : {view_.summary, view_.folderLine})
            if (!part.isEmpty() && part != view_.headline)
                under << part;
        summary_->setVisible(!under.isEmpty());
        summary_->setText(under.join(QLatin1Char('\n')));
    } else {
        summary_->hide();
    }
    layout->addWidget(summary_);

    auto* buttons = new QDialogButtonBox(this);
    auto* copyButton = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    copyButton->setObjectName(QStringLiteral("ReportCopy"));
    copyButton->setToolTip(QStringLiteral("Puts the whole report on the clipboard"));
    auto* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(QStringLiteral("C&lose"));
    close->setToolTip(QStringLiteral("Closes the report"));
    connect(copyButton, &QPushButton::clicked, this, &CheckReportWindow::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    if (table_) {
        faultsOnly_ = new QCheckBox(QStringLiteral("&Faults only"), this);
        faultsOnly_->setObjectName(QStringLiteral("FaultsOnly"));
        faultsOnly_->setToolTip(QStringLiteral("Shows only the rows that failed"));
        faultsOnly_->setEnabled(!view_.passed);
        layout->addWidget(faultsOnly_);
        rows_ = new QTableWidget(this);
        rows_->setObjectName(QStringLiteral("ReportTable"));
        rows_->setColumnCount(3);
        rows_->setHorizontalHeaderLabels(
            {QStringLiteral("Zip"), QStringLiteral("Status"), QStringLiteral("Detail")});
        rows_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        rows_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        rows_->horizontalHeader()->setStretchLastSection(true);
        rows_->verticalHeader()->hide();
        rows_->setWordWrap(true);
        rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
        rows_->setSelectionMode(QAbstractItemView::SingleSelection);
        layout->addWidget(rows_, 1);
        detail_ = wrappingLabel("ReportDetail", this);
        detail_->setFrameShape(QFrame::StyledPanel);
        detail_->setMinimumHeight(detail_->fontMetrics().height() * 3);
        detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout->addWidget(detail_);
        connect(faultsOnly_, &QCheckBox::toggled, this, &CheckReportWindow::fillTable);
        // A wrapped detail takes the lines the column's width gives it, whenever that changes.
        connect(rows_->horizontalHeader(), &QHeaderView::sectionResized, rows_,
                &QTableWidget::resizeRowsToContents);
        connect(rows_, &QTableWidget::itemSelectionChanged, this,
                &CheckReportWindow::showChosenRow);
        fillTable();
    } else {
        text_ = new QPlainTextEdit(this);
        text_->setObjectName(QStringLiteral("ReportText"));
        text_->setReadOnly(true);
        text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        text_->setPlainText(plainText_);
        layout->addWidget(text_, 1);
    }
    layout->addWidget(buttons);
    resize(720, 420);
}

void CheckReportWindow::fillTable() {
    const bool faultsOnly = faultsOnly_->isChecked();
    rows_->clearContents();
    rows_->setRowCount(0);
    const QBrush faultBack(QColor(0xd3, 0x2f, 0x2f, 60));
    const QIcon faultIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    for (const ReportRow& row : view_.rows) {
        if (faultsOnly && !row.failed)
            continue;
        const int at = rows_->rowCount();
        rows_->insertRow(at);
        const QString cells[] = {row.subject, row.status, row.detail};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            if (row.failed) {
                item->setBackground(faultBack);
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            rows_->setItem(at, column, item);
        }
        if (row.failed)
            rows_->item(at, 1)->setIcon(faultIcon);
    }
    rows_->resizeRowsToContents();
    if (rows_->rowCount() > 0)
        rows_->selectRow(0);
    showChosenRow();
}

void CheckReportWindow::showChosenRow() {
    const int at = rows_->currentRow();
    if (at < 0 || !rows_->item(at, 0)) {
        detail_->clear();
        return;
    }
    QStringList parts;
    for (int column = 0; column < 3; ++column)
        if (!rows_->item(at, column)->text().isEmpty())
            parts << rows_->item(at, column)->text();
    detail_->setText(parts.join(QStringLiteral(": ")));
}

QString CheckReportWindow::text() const {
    return table_ ? reportText(view_, false) : plainText_;
}
QString CheckReportWindow::headline() const {
    return headline_->text();
}
QString CheckReportWindow::summary() const {
    return view_.summary;
}

void CheckReportWindow::copy() {
    if (QClipboard* clipboard = QApplication::clipboard())
        clipboard->setText(table_ ? reportText(view_, faultsOnly_->isChecked()) : plainText_);
}

CheckReportWindow* CheckReportWindow::showReport(const QString& title, const SetReport& report,
                                                 QWidget* parent) {
    auto* window = new CheckReportWindow(title, report, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

CheckReportWindow* CheckReportWindow::showReport(const QString& title, const QStringList& lines,
                                                 QWidget* parent) {
    auto* window = new CheckReportWindow(title, lines, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
