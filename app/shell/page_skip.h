#pragma once

#include <QObject>

class JobModel;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class FieldNote;
class SSFrame;
struct ShellServices;

// The Skip page: the list of sub-directories and files the archiver leaves out.
class PageSkip : public QObject {
    Q_OBJECT
  public:
    PageSkip(QWidget* panel, JobModel& model, ShellServices& services);

  private:
    void refresh();
    void browse();

    JobModel& model_;
    ShellServices& services_;
    QWidget* panel_;
    QLabel* listCaption_;       // Label2
    QPlainTextEdit* listView_;  // Text1
    FieldNote* listNote_;       // Text1Note
    SSFrame* kindFrame_;        // Frame2
    QRadioButton* fileKind_;    // Option5 "Fi&le"
    QRadioButton* subDirKind_;  // Option6 "&Sub-dir"
    QPushButton* browseButton_; // Command1
    QPushButton* clearButton_;  // Command14
};
