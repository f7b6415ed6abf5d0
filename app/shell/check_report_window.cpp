#include "shell/check_report_window.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CheckReportWindow::CheckReportWindow(const QString& title, const QStringList& lines,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CheckReport"));
    setWindowTitle(title);
    summary_ = new QLabel(lines.isEmpty() ? QString() : lines.back(), this);
    summary_->setObjectName(QStringLiteral("ReportSummary"));
    QFont bold = summary_->font();
    bold.setBold(true);
    summary_->setFont(bold);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("ReportText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(lines.join(QLatin1Char('\n')));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    resize(640, 360);
}

QString CheckReportWindow::text() const {
    return text_->toPlainText();
}
QString CheckReportWindow::summary() const {
    return summary_->text();
}

CheckReportWindow* CheckReportWindow::showReport(const QString& title, const QStringList& lines,
                                                 QWidget* parent) {
    auto* window = new CheckReportWindow(title, lines, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
