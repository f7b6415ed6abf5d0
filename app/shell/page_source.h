#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class JobPages;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class SSFrame;
class SSPanel;

// The Source page: source display and Browse, the CD image option, the source size and the
// drive (writable location) that receives the volumes, with its free space.
class PageSource : public QObject {
    Q_OBJECT
public:
    PageSource(QWidget* panel, JobPages& host);

    QLabel* Label15;
    SSPanel* SSPanel8;
    QPushButton* Command2;
    QCheckBox* Check2;
    QLabel* Label9;
    SSFrame* SSFrame3;
    QComboBox* Drive1;
    QLabel* Label13;

    void browse();                 // Command2
    void imageOptionToggled();     // Check2
    void outputDriveChanged();     // Drive1
    // The location the volumes go to (WorkDrive).
    QString workDrive() const;
    // The status line of the source folder dialog for the highlighted folder.
    QString folderStatusLine(const QString& path) const;
    // Fills the drive list with the writable locations, the default one selected.
    void fillDriveList(const QStringList& locations);

    static constexpr int64_t kMinOutputFree = 2000000;

private:
    void browseDirectory();
    void browseImage();
    void imageFailure();
    void finishBrowse();
    void freeSpaceCheck();
    void freeSpaceWarning();
    std::optional<int64_t> freeOf(const QString& location) const;

    JobPages& host_;
    QString workDrive_;
};
