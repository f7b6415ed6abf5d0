#pragma once

#include <QObject>

class JobModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class FieldNote;
class SSFrame;
class SSPanel;
struct ShellServices;

// The Diz page: the file_id.diz and its disk numbering.
class PageDiz : public QObject {
    Q_OBJECT
  public:
    PageDiz(QWidget* panel, JobModel& model, ShellServices& services);

  private:
    void refresh();
    void create();
    void edit();
    void browse();
    void test();

    JobModel& model_;
    ShellServices& services_;
    QWidget* panel_;
    QLabel* dizCaption_;        // Label3
    SSPanel* dizDisplay_;       // SSPanel2
    FieldNote* dizNote_;        // SSPanel2Note
    QPushButton* createButton_; // Command4
    QPushButton* editButton_;   // Command5
    QPushButton* browseButton_; // Command6
    SSFrame* numberingFrame_;   // Frame3
    QRadioButton* noNumbering_; // Option1 "&None"
    QRadioButton* substitute_;  // Option3 "S&ubsitute at column"
    QLineEdit* columnField_;    // Text2
    QLabel* lineCaption_;       // Label4 "Line -"
    QLineEdit* lineField_;      // Text6
    QPushButton* testButton_;   // Command3
    FieldNote* columnNote_;     // Text2Note
    FieldNote* lineNote_;       // Text6Note
};
