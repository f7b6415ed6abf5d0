#pragma once

#include <QGroupBox>

// A captioned frame around a group of controls.
class SSFrame : public QGroupBox {
    Q_OBJECT
  public:
    SSFrame(const QString& objectName, const QString& caption, QWidget* parent = nullptr)
        : QGroupBox(caption, parent) {
        setObjectName(objectName);
    }
};
