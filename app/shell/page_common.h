#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include "job/job_settings.h"

// Small builders shared by the job pages: every control gets its design name.
namespace pagekit {

inline const QString kInfoTitle = QStringLiteral("Kavel32");

inline QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

inline QRadioButton* option(QWidget* parent, const char* name, const QString& caption) {
    auto* o = new QRadioButton(caption, parent);
    o->setObjectName(QLatin1String(name));
    return o;
}

// The grid the page's controls go into. A panel that already has a layout gets a plain
// container added to it, so a host may keep its own furniture there.
inline QGridLayout* pageGrid(QWidget* panel) {
    QWidget* body = panel;
    if (panel->layout()) {
        body = new QWidget(panel);
        panel->layout()->addWidget(body);
    }
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    return grid;
}

} // namespace pagekit
