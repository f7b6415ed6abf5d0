#pragma once

#include <QProgressBar>

// The progress bar of the progress page: 0 to 100, no text inside.
class ZqProgressBar : public QProgressBar {
    Q_OBJECT
  public:
    explicit ZqProgressBar(QWidget* parent = nullptr) : QProgressBar(parent) {
        setObjectName(QStringLiteral("ZqProgressBar1"));
        setRange(0, 100);
        setValue(0);
        setTextVisible(false);
    }
};
