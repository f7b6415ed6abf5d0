#pragma once

#include <QObject>

class JobModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class RunEstimate;
class ZqProgressBar;

// The progress page of a running job: what the model's run display holds, the run's
// overall progress with its time left, the Abort and Exit buttons, and after a run what it
// made with "Open folder" and "Check zips".
class PageProgress : public QObject {
    Q_OBJECT
  public:
    PageProgress(QWidget* panel, JobModel& model, const RunEstimate& overall);

    // The overall progress changed.
    void showRunProgress();
    // What a finished run made; the buttons for its folder come with it.
    void showSummary(const QString& text);
    void clearSummary();

  signals:
    void abortClicked(); // Command12
    void exitClicked();  // Command13
    void openFolderClicked();
    void checkZipsClicked();

  private:
    void refresh();

    JobModel& model_;
    const RunEstimate& overall_;
    QLabel* status_;             // Label1
    QLabel* zipName_;            // Label10
    QLabel* count_;              // Label11
    QLabel* stepCaption_;        // StepCaption: what the upper bar measures
    ZqProgressBar* progressBar_; // ZqProgressBar1
    QProgressBar* overallBar_;   // OverallProgress
    QLabel* phase_;              // RunPhase: the lower bar's caption, with the time left
    QPushButton* abortButton_;   // Command12
    QPushButton* exitButton_;    // Command13
    QLabel* summary_;            // RunSummary
    QPushButton* openFolder_;    // OpenFolder
    QPushButton* checkZips_;     // CheckZips
};
