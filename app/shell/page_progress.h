#pragma once

#include <QObject>

class JobPages;
class QLabel;
class QPushButton;
class QWidget;
class ZqProgressBar;

// The progress page of a running job.
class PageProgress : public QObject {
    Q_OBJECT
public:
    PageProgress(QWidget* panel, JobPages& host);

    QLabel* Label1;  // status
    QLabel* Label10; // name of the zip being made
    QLabel* Label11; // count
    ZqProgressBar* ZqProgressBar1;
    QPushButton* Command12; // Abort
    QPushButton* Command13; // Exit

private:
    JobPages& host_;
};
