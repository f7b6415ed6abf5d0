#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class Dialogs;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// Unpacking a received set: the folder it goes into, proposed as a new folder named after the
// set beside its zips and open to change; the work with its progress and a Cancel that takes
// away what it made; the result with "Open folder".
class UnpackWindow : public QDialog {
    Q_OBJECT
  public:
    UnpackWindow(const QString& zipDir, Dialogs& dialogs, QWidget* parent = nullptr);

    // How the result's folder is opened (the desktop's file manager; tests record it).
    void setFolderOpener(std::function<void(const QString&)> opener) {
        openFolder_ = std::move(opener);
    }
    QString destination() const;
    bool working() const { return working_; }
    // The result line: "Unpacked ... into ...", or why not.
    QString resultText() const;

    void start();  // UnpackStart
    void cancel(); // UnpackCancel: stops the work, or closes the window before it starts

  signals:
    // The unpack ended: ok, and the line that says how.
    void finished(bool ok, const QString& line);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void browse();
    void setWorking(bool on);

    QString zipDir_;
    Dialogs& dialogs_;
    std::function<void(const QString&)> openFolder_;
    bool working_ = false;
    bool cancelled_ = false;
    QString unpacked_;
    QLineEdit* dest_;
    QPushButton* browse_;
    QLabel* step_;
    QProgressBar* progress_;
    QLabel* result_;
    QPushButton* start_;
    QPushButton* cancel_;
    QPushButton* openButton_;
    QPushButton* close_;
};
