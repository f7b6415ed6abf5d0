#pragma once

#include <QObject>

class JobModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;
class SSCheck;
class SSFrame;
class SSPanel;
struct ShellServices;

// The Zip page: archive size with its estimate, zip name, zip directory, compression and
// the archiver.
class PageZip : public QObject {
    Q_OBJECT
  public:
    PageZip(QWidget* panel, JobModel& model, ShellServices& services);

  private:
    void refresh();
    void browseZipDir();

    JobModel& model_;
    ShellServices& services_;
    QWidget* panel_;
    SSFrame* sizeFrame_;        // SSFrame1
    QLabel* sizeCaption_;       // Label6 "Archive size"
    QSlider* sizeSlider_;       // VScroll1
    SSPanel* sizeDisplay_;      // SSPanel6
    QLabel* estimate_;          // Label19
    QLabel* nameCaption_;       // Label16 "Filename"
    QLineEdit* nameField_;      // Text3
    SSFrame* storageFrame_;     // SSFrame2
    QLabel* storageCaption_;    // Label5 "Zip storage"
    SSPanel* zipDirDisplay_;    // SSPanel5
    QPushButton* zipDirBrowse_; // Command10
    QLabel* zipDirFree_;        // Label14
    QLabel* methodCaption_;     // Label12 "Compression"
    QComboBox* methods_;        // Combo1
    SSCheck* zipExtra_;         // SSCheck2 "Zip E&xtra"
    SSFrame* archiverFrame_;    // Frame6
    QRadioButton* rar_;         // Option7 "&Rar"
    QRadioButton* ace_;         // Option8 "&Ace"
};
