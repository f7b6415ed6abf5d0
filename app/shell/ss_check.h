#pragma once

#include <QCheckBox>

// A 3-D check control whose value is -1 when checked and 0 when not.
class SSCheck : public QCheckBox {
    Q_OBJECT
  public:
    SSCheck(const QString& objectName, const QString& caption, QWidget* parent = nullptr)
        : QCheckBox(caption, parent) {
        setObjectName(objectName);
    }
    int value() const { return isChecked() ? -1 : 0; }
    void setValue(int value) { setChecked(value != 0); }
};
