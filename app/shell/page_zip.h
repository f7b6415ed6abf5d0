#pragma once

#include <QObject>
#include <QString>

class JobPages;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QWidget;
class SSCheck;
class SSFrame;
class SSPanel;

// The Zip page: archive size with its estimate, zip name, zip directory, compression and
// the archiver.
class PageZip : public QObject {
    Q_OBJECT
public:
    PageZip(QWidget* panel, JobPages& host);

    SSFrame* SSFrame1;
    QLabel* Label6;     // "Archive size"
    QScrollBar* VScroll1;
    SSPanel* SSPanel6;  // size display
    QLabel* Label19;    // estimate
    QLabel* Label16;    // "Filename"
    QLineEdit* Text3;   // zip name
    SSFrame* SSFrame2;
    QLabel* Label5;     // "Zip storage"
    SSPanel* SSPanel5;  // zip directory
    QPushButton* Command10;
    QLabel* Label14;    // free space
    QLabel* Label12;    // "Compression"
    QComboBox* Combo1;
    SSCheck* SSCheck2;  // "Zip E&xtra"
    SSFrame* Frame6;
    QRadioButton* Option7; // "&Rar"
    QRadioButton* Option8; // "&Ace"

    void sliderChanged();   // VScroll1
    void browseEstimate();  // after a source Browse
    void browseZipDir();    // Command10
    // "Free space " + megabytes with its sign position + " M", after a script is opened.
    void showZipDriveFreeAfterOpen();

private:
    void applyNameLimit(int maxLength);

    JobPages& host_;
};
