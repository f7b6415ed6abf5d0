#include "shell/sound_player.h"

#ifdef KAVEL_HAVE_MULTIMEDIA
#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace {
// One effect per file, kept so a sound started without waiting plays to its end.
QSoundEffect* effectFor(const QString& file) {
    static QHash<QString, QSoundEffect*> effects;
    QSoundEffect*& effect = effects[file];
    if (!effect) {
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl::fromLocalFile(file));
    }
    return effect;
}
} // namespace

void playSoundFile(const QString& file, bool wait) {
    if (file.isEmpty() || !QCoreApplication::instance())
        return;
    QSoundEffect* effect = effectFor(file);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (effect->status() == QSoundEffect::Loading && wait) {
        QObject::connect(effect, &QSoundEffect::statusChanged, &loop, &QEventLoop::quit);
        limit.start(2000);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        QObject::disconnect(effect, nullptr, &loop, nullptr);
    }
    if (effect->status() == QSoundEffect::Error)
        return;
    effect->play();
    if (!wait || !effect->isPlaying())
        return;
    QObject::connect(effect, &QSoundEffect::playingChanged, &loop, [&] {
        if (!effect->isPlaying())
            loop.quit();
    });
    limit.start(10000);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(effect, nullptr, &loop, nullptr);
}
#else
void playSoundFile(const QString&, bool) {}
#endif
