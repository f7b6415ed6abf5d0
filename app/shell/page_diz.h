#pragma once

#include <QObject>
#include <QString>

class JobPages;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class SSFrame;
class SSPanel;

// The Diz page: the file_id.diz and its disk numbering.
class PageDiz : public QObject {
    Q_OBJECT
public:
    PageDiz(QWidget* panel, JobPages& host);

    QLabel* Label3;
    SSPanel* SSPanel2;
    QPushButton* Command4; // Create
    QPushButton* Command5; // Edit
    QPushButton* Command6; // Browse
    SSFrame* Frame3;
    QRadioButton* Option1; // "&None"
    QRadioButton* Option3; // "S&ubsitute at column"
    QLineEdit* Text2;      // column
    QLabel* Label4;        // "Line - "
    QLineEdit* Text6;      // line
    QPushButton* Command3; // Test

    void create();
    void edit();
    void browse();
    void selectNone();
    void selectSubstitute();
    void test();
    // The fields' look and Test's state for the selected option.
    void showNumberingState(bool substitute);

private:
    JobPages& host_;
};
