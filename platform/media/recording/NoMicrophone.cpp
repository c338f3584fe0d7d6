// Built without libpulse-simple: films have no sound.

#include "platform/media/recording/SoundSource.h"

std::unique_ptr<SoundSource> OpenDefaultMicrophone() {
    return nullptr;
}
