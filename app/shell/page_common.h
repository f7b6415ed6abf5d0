#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QString>

#include "job/job_settings.h"
#include "shell/ss_panel.h"

#include <QFileInfo>

// Small builders shared by the job pages: every control gets its design name. Controls that
// act on a click keep a right click to themselves; on anything else it opens the page menu.
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
    b->setContextMenuPolicy(Qt::PreventContextMenu);
    return b;
}

inline QRadioButton* option(QWidget* parent, const char* name, const QString& caption) {
    auto* o = new QRadioButton(caption, parent);
    o->setObjectName(QLatin1String(name));
    o->setContextMenuPolicy(Qt::PreventContextMenu);
    return o;
}

inline QCheckBox* check(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QLatin1String(name));
    c->setContextMenuPolicy(Qt::PreventContextMenu);
    return c;
}

inline QLineEdit* field(QWidget* parent, const char* name) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(QLatin1String(name));
    return f;
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

// A control shows the model's value without reporting it back as an edit; a control that
// already shows it is left alone, so a caret in a field being typed into stays put.
inline void show(QLabel* label, const QString& text) {
    if (label->text() != text)
        label->setText(text);
}

inline void show(QLineEdit* field, const QString& text) {
    if (field->text() == text)
        return;
    const QSignalBlocker quiet(field);
    field->setText(text);
}

inline void show(QAbstractButton* button, bool checked) {
    if (button->isChecked() == checked)
        return;
    const QSignalBlocker quiet(button);
    // A radio button lets go of its group only outside it.
    const bool exclusive = button->autoExclusive();
    if (!checked && exclusive)
        button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

inline void show(QComboBox* list, int index) {
    if (list->currentIndex() == index)
        return;
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(index);
}

// What a path names, for the mark of a path that is not there.
enum class PathKind { Any, File, Folder };

// Why a path on display needs attention: empty when it is empty or there.
inline QString missingPathNote(const QString& path, PathKind kind) {
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Not found: nothing of this name is there now");
    if (kind == PathKind::File && !info.isFile())
        return QStringLiteral("Not found: this is not a file");
    if (kind == PathKind::Folder && !info.isDir())
        return QStringLiteral("Not found: this is not a folder");
    return {};
}

// A path display with its note: the note the model holds for it, else why the path is not
// there; a path that is not there is marked on the display too.
inline void showPath(SSPanel* display, FieldNote* pathNote, const QString& shown,
                     const QString& given, const QString& modelNote, PathKind kind) {
    display->setCaption(shown);
    const QString missing = missingPathNote(given, kind);
    display->setMarked(!missing.isEmpty());
    pathNote->showText(modelNote.isEmpty() ? missing : modelNote);
}

} // namespace pagekit
