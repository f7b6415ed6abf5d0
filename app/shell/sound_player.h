#pragma once

#include <QString>

// Plays a wave file through Qt Multimedia; silent when the module, the file or an audio
// device is missing. With wait it returns when the sound has ended (at most 10 s).
void playSoundFile(const QString& file, bool wait);
