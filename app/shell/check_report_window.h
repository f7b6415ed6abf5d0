#pragma once

#include "session/check_report_view.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;

// The report of a check of a set of zips: the first fault in the headline, a table of zip,
// status and detail with the failing rows first and marked, a "Faults only" view, the chosen
// row's text in full, and Copy. Reports of another kind (what a run did after its last zip)
// show their lines as text that wraps.
class CheckReportWindow : public QDialog {
    Q_OBJECT
  public:
    CheckReportWindow(const QString& title, const SetReport& report, QWidget* parent = nullptr);
    CheckReportWindow(const QString& title, const QStringList& lines, QWidget* parent = nullptr);

    // The whole report as Copy puts it on the clipboard.
    QString text() const;
    QString headline() const;
    QString summary() const;

    // Shows a report that closes and deletes itself.
    static CheckReportWindow* showReport(const QString& title, const SetReport& report,
                                         QWidget* parent);
    static CheckReportWindow* showReport(const QString& title, const QStringList& lines,
                                         QWidget* parent);

  private:
    void build(const QString& title);
    void fillTable();
    void showChosenRow();
    void copy();

    ReportView view_;
    bool table_ = false;
    QString plainText_;
    QLabel* headline_ = nullptr;
    QLabel* summary_ = nullptr;
    QTableWidget* rows_ = nullptr;
    QCheckBox* faultsOnly_ = nullptr;
    QLabel* detail_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
};
