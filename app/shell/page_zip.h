#pragma once

#include <QObject>
#include <QString>

#include <optional>

class JobModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;
class FieldNote;
class QSpinBox;
class QToolButton;
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
    void buildSizeFrame(QWidget* panel);

    JobModel& model_;
    ShellServices& services_;
    QWidget* panel_;
    SSFrame* sizeFrame_;        // SSFrame1
    QLabel* sizeCaption_;       // Label6 "Archive size"
    QSlider* sizeSlider_;       // VScroll1
    SSPanel* sizeDisplay_;      // SSPanel6
    QSpinBox* sizeField_;       // SizeField: the size typed or stepped
    QToolButton* sizePresets_;  // SizePresets: the common sizes
    QLabel* estimate_;          // Label19
    QLabel* nameCaption_;       // Label16 "Filename"
    QLineEdit* nameField_;      // Text3
    FieldNote* nameNote_;       // Text3Note
    SSFrame* storageFrame_;     // SSFrame2
    QLabel* storageCaption_;    // Label5 "Zip storage"
    SSPanel* zipDirDisplay_;    // SSPanel5
    FieldNote* zipDirNote_;     // SSPanel5Note
    QPushButton* zipDirBrowse_; // Command10
    QLabel* zipDirFree_;        // Label14
    QLabel* methodCaption_;     // Label12 "Compression"
    QComboBox* methods_;        // Combo1
    FieldNote* methodNote_;     // Combo1Note
    SSCheck* zipExtra_;         // SSCheck2 "Zip E&xtra"
    SSFrame* archiverFrame_;    // Frame6
    QRadioButton* rar_;         // Option7 "&Rar"
    QRadioButton* ace_;         // Option8 "&Ace"
};

// The slider position of a size typed into the size field: millions of bytes in steps of
// 0.5 ("2", "2.5 M", "1,5"), "1.44" for the floppy size, 0 or "1 Max file" for one single
// archive. Nothing for text that is no size or lies outside the slider.
std::optional<int> sizePositionFromText(const QString& text);
