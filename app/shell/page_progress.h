#pragma once

#include <QObject>

class JobModel;
class QLabel;
class QPushButton;
class QWidget;
class ZqProgressBar;

// The progress page of a running job: what the model's run display holds, and the Abort
// and Exit buttons.
class PageProgress : public QObject {
    Q_OBJECT
  public:
    PageProgress(QWidget* panel, JobModel& model);

  signals:
    void abortClicked(); // Command12
    void exitClicked();  // Command13

  private:
    void refresh();

    JobModel& model_;
    QLabel* status_;             // Label1
    QLabel* zipName_;            // Label10
    QLabel* count_;              // Label11
    ZqProgressBar* progressBar_; // ZqProgressBar1
    QPushButton* abortButton_;   // Command12
    QPushButton* exitButton_;    // Command13
};
