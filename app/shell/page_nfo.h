#pragma once

#include <QObject>
#include <QString>

#include <optional>

class JobPages;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;
class SSFrame;
class SSPanel;

// The Nfo page: the nfo file and the optional extra file or directory.
class PageNfo : public QObject {
    Q_OBJECT
public:
    PageNfo(QWidget* panel, JobPages& host);

    QLabel* Label7;
    SSPanel* SSPanel3;
    QPushButton* Command7;  // Create
    QPushButton* Command8;  // Browse
    QPushButton* Command11; // Edit
    QCheckBox* Check1;      // "&In 1st zip only"
    QLabel* Label8;
    SSFrame* Frame4;
    QRadioButton* Option2; // "&File"
    QRadioButton* Option4; // "&Directory"
    SSPanel* SSPanel4;
    QPushButton* Command9; // extra Browse

    void create();
    void edit();
    void browse();
    void browseExtra();
    // Selects one extra kind, or neither (the state at start-up).
    void setExtraKind(std::optional<bool> isFile);

private:
    JobPages& host_;
};
