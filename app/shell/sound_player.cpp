#include "shell/sound_player.h"

#ifdef KAVEL_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QMediaDevices>
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

// Length of a PCM wave file from its header, so a wait never outlasts the sound; 0 when unknown.
int waveMilliseconds(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = in.read(44);
    if (head.size() < 44 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return 0;
    auto le32 = [&](int at) {
        return quint32(quint8(head[at])) | quint32(quint8(head[at + 1])) << 8 |
               quint32(quint8(head[at + 2])) << 16 | quint32(quint8(head[at + 3])) << 24;
    };
    const quint32 byteRate = le32(28);
    if (byteRate == 0)
        return 0;
    return int(qMin<qint64>(10000, qint64(in.size() - 44) * 1000 / byteRate));
}
} // namespace

void playSoundFile(const QString& file, bool wait) {
    if (file.isEmpty() || !QCoreApplication::instance())
        return;
    // Without an audio device there is nothing to hear and nothing to wait for.
    if (QMediaDevices::defaultAudioOutput().isNull())
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
    limit.start(waveMilliseconds(file) + 300);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(effect, nullptr, &loop, nullptr);
}
#else
void playSoundFile(const QString&, bool) {}
#endif
