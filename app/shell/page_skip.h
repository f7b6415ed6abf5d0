#pragma once

#include <QObject>
#include <QString>

class JobPages;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// The Skip page: the list of sub-directories and files the archiver leaves out.
class PageSkip : public QObject {
    Q_OBJECT
public:
    PageSkip(QWidget* panel, JobPages& host);

    QLabel* Label2;
    QPlainTextEdit* Text1;
    QRadioButton* Option5; // "&File"
    QRadioButton* Option6; // "&Sub-dir"
    QPushButton* Command1; // Browse
    QPushButton* Command14; // Clear

    // The list as the job holds it: every entry ends with CR LF.
    QString skipList() const { return list_; }
    void setSkipList(const QString& list);

    void browse();
    void clear();

private:
    JobPages& host_;
    QString list_;
};
