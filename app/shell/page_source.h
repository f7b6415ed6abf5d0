#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class JobModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class SSFrame;
class FieldNote;
class SSPanel;
struct ShellServices;

// The Source page: source display and Browse, the CD image option, the source size and the
// drive (writable location) that receives the volumes, with its free space.
class PageSource : public QObject {
    Q_OBJECT
  public:
    PageSource(QWidget* panel, JobModel& model, ShellServices& services);

    // Fills the drive list with the writable locations, the default one selected.
    void fillDriveList(const QStringList& locations);
    // The status line of the source folder dialog for the highlighted folder.
    QString folderStatusLine(const QString& path) const;

    // A folder, or an .iso image, chosen without the dialog (dropped on the window): the CD
    // image option follows what it is, and it is measured as a Browse measures.
    void useSource(const QString& path);

    static constexpr int64_t kMinOutputFree = 2000000;

  private:
    void refresh();
    void browse();
    void browseDirectory();
    void browseImage();
    void useDirectory(const QString& chosen);
    void useImage(const QString& chosen);
    void imageFailure();
    void finishBrowse();
    void outputDriveChanged();
    void showOutputFree(std::optional<int64_t> freeBytes);
    void freeSpaceCheck();
    std::optional<int64_t> freeOf(const QString& location) const;
    QWidget* dialogParent() const;

    JobModel& model_;
    ShellServices& services_;
    QWidget* panel_;
    QLabel* sourceCaption_;      // Label15
    SSPanel* sourceDisplay_;     // SSPanel8
    FieldNote* sourceNote_;      // SSPanel8Note
    QPushButton* browseButton_;  // Command2
    QCheckBox* imageOption_;     // Check2
    QLabel* sourceSize_;         // Label9
    SSFrame* outputFrame_;       // SSFrame3
    QComboBox* outputLocations_; // Drive1
    QLabel* outputFree_;         // Label13
};
