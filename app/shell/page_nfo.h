#pragma once

#include <QObject>

class JobModel;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;
class FieldNote;
class SSFrame;
class SSPanel;
struct ShellServices;

// The Nfo page: the nfo file and the optional extra file or directory.
class PageNfo : public QObject {
    Q_OBJECT
  public:
    PageNfo(QWidget* panel, JobModel& model, ShellServices& services);

  private:
    void refresh();
    void create();
    void edit();
    void browse();
    void browseExtra();

    JobModel& model_;
    ShellServices& services_;
    QWidget* panel_;
    QLabel* nfoCaption_;        // Label7
    SSPanel* nfoDisplay_;       // SSPanel3
    FieldNote* nfoNote_;        // SSPanel3Note
    QPushButton* createButton_; // Command7
    QPushButton* browseButton_; // Command8
    QPushButton* editButton_;   // Command11
    QCheckBox* firstZipOnly_;   // Check1
    QLabel* extraCaption_;      // Label8
    SSFrame* extraKindFrame_;   // Frame4
    QRadioButton* extraFile_;   // Option2 "Fi&le"
    QRadioButton* extraFolder_; // Option4 "&Directory"
    SSPanel* extraDisplay_;     // SSPanel4
    FieldNote* extraNote_;      // SSPanel4Note
    QPushButton* extraBrowse_;  // Command9
};
