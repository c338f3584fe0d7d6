#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/StreamConfigInterface.h"
#include "platform/media/core/VideoFormat.h"

#include <QString>

#include <optional>

#include <vector>

// A camera mode as the "Kamera" menu shows it: "1280 × 720, 30 kl./s, MJPEG". The rate is left
// out when the camera gives none; a rate that is not whole keeps two decimals ("29,97").
QString CameraModeCaption(const VideoFormat& mode);

// The modes a capture pin offers, in its order, and the one it is connected with (or would
// connect with next). A pin without the interface has none.
struct CameraModes {
    std::vector<VideoFormat> offered;
    std::optional<VideoFormat> current;
};
CameraModes ReadCameraModes(IAMStreamConfig* config);
// Asks the pin to connect with `mode` next; false when it does not offer it any more.
bool ChooseCameraMode(IAMStreamConfig* config, const VideoFormat& mode);
