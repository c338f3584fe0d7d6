#include "capture/GraphEvents.h"

#include "platform/com/Variant.h"

#include <array>

namespace {

// The raw parameters as the framework's types: a 32-bit value, a flag, a pointer.
int32_t Int(intptr_t param) {
    return static_cast<int32_t>(param);
}
uint32_t Word(intptr_t param) {
    return static_cast<uint32_t>(param);
}
bool Flag(intptr_t param) {
    return Int(param) != 0;
}
template <typename T> T* Pointer(intptr_t param) {
    return reinterpret_cast<T*>(param);
}
std::u16string Text(intptr_t param) {
    const BSTR text = Pointer<OLECHAR>(param);
    return text ? std::u16string(text, SysStringLen(text)) : std::u16string();
}

// The packed form: two decimal digits per field, lowest bits first, then the frame rate code
// (1 for 25 frames a second, 3 for 30).
TDVDTimeCode PackedTimeCode(uint32_t packed) {
    const auto digit = [packed](int shift, uint32_t mask) { return (packed >> shift) & mask; };
    TDVDTimeCode time;
    time.hours = static_cast<uint8_t>(digit(0, 0xF) + 10 * digit(4, 0xF));
    time.minutes = static_cast<uint8_t>(digit(8, 0xF) + 10 * digit(12, 0xF));
    time.seconds = static_cast<uint8_t>(digit(16, 0xF) + 10 * digit(20, 0xF));
    time.frames = static_cast<uint8_t>(digit(24, 0xF) + 10 * digit(28, 0x3));
    const uint32_t rateCode = digit(30, 0x3);
    time.frameRate = rateCode == 1 ? 25 : rateCode == 3 ? 30 : 0;
    return time;
}

// The plain form: one byte each, hours in the lowest.
TDVDTimeCode ByteTimeCode(uint32_t value) {
    TDVDTimeCode time;
    time.hours = static_cast<uint8_t>(value);
    time.minutes = static_cast<uint8_t>(value >> 8);
    time.seconds = static_cast<uint8_t>(value >> 16);
    time.frames = static_cast<uint8_t>(value >> 24);
    return time;
}

// The event of a numbered sub-code (1 to N), or none.
template <size_t N>
const TNotifyEvent* Numbered(const std::array<const TNotifyEvent*, N>& events, intptr_t param) {
    const int32_t number = Int(param);
    return number >= 1 && static_cast<size_t>(number) <= N ? events[static_cast<size_t>(number - 1)]
                                                           : nullptr;
}

void Notify(TFilterGraph& sender, const TNotifyEvent* event) {
    if (event && *event)
        (*event)(sender);
}

template <typename Event, typename... Args>
void Call(const Event& event, TFilterGraph& sender, Args&&... args) {
    if (event)
        event(sender, std::forward<Args>(args)...);
}

void DispatchDvdEvent(TFilterGraph& sender, const TGraphEventProperties& e, int32_t code, intptr_t p1,
                      intptr_t p2) {
    switch (code) {
    case EC_DVD_DOMAIN_CHANGE:
        return Notify(sender,
                      Numbered<5>({&e.OnDVDDomainFirstPlay, &e.OnDVDDomainVideoManagerMenu,
                                   &e.OnDVDDomainVideoTitleSetMenu, &e.OnDVDDomainTitle, &e.OnDVDDomainStop},
                                  p1));
    case EC_DVD_TITLE_CHANGE:
        return Call(e.OnDVDTitleChange, sender, Int(p1));
    case EC_DVD_CHAPTER_START:
        return Call(e.OnDVDChapterStart, sender, Int(p1));
    case EC_DVD_AUDIO_STREAM_CHANGE:
        return Call(e.OnDVDAudioStreamChange, sender, Int(p1));
    case EC_DVD_SUBPICTURE_STREAM_CHANGE:
        return Call(e.OnDVDSubpictureStreamChange, sender, Int(p1), Flag(p2));
    case EC_DVD_ANGLE_CHANGE:
        return Call(e.OnDVDAngleChange, sender, Int(p1), Int(p2));
    case EC_DVD_BUTTON_CHANGE:
        return Call(e.OnDVDButtonChange, sender, Int(p1), Int(p2));
    case EC_DVD_VALID_UOPS_CHANGE:
        return Call(e.OnDVDValidUOPSChange, sender, Word(p1));
    case EC_DVD_STILL_ON:
        return Call(e.OnDVDStillOn, sender, Flag(p1), Word(p2));
    case EC_DVD_STILL_OFF:
        return Notify(sender, &e.OnDVDStillOff);
    case EC_DVD_CURRENT_TIME:
        return Call(e.OnDVDCurrentTime, sender, PackedTimeCode(Word(p1)), Word(p2));
    case EC_DVD_ERROR:
        return Notify(sender, Numbered<8>({&e.OnDVDErrorUnexpected, &e.OnDVDErrorCopyProtectFail,
                                           &e.OnDVDErrorInvalidDVD1_0Disc, &e.OnDVDErrorInvalidDiscRegion,
                                           &e.OnDVDErrorLowParentalLevel, &e.OnDVDErrorMacrovisionFail,
                                           &e.OnDVDErrorIncompatibleSystemAndDecoderRegions,
                                           &e.OnDVDErrorIncompatibleDiscAndDecoderRegions},
                                          p1));
    case EC_DVD_WARNING:
        return Notify(sender,
                      Numbered<6>({&e.OnDVDWarningInvalidDVD1_0Disc, &e.OnDVDWarningFormatNotSupported,
                                   &e.OnDVDWarningIllegalNavCommand, &e.OnDVDWarningOpen, &e.OnDVDWarningSeek,
                                   &e.OnDVDWarningRead},
                                  p1));
    case EC_DVD_CHAPTER_AUTOSTOP:
        return Notify(sender, &e.OnDVDChapterAutoStop);
    case EC_DVD_NO_FP_PGC:
        return Notify(sender, &e.OnDVDNoFP_PGC);
    case EC_DVD_PLAYBACK_RATE_CHANGE:
        return Call(e.OnDVDPlaybackRateChange, sender, Int(p1) / 10000.0);
    case EC_DVD_PARENTAL_LEVEL_CHANGE:
        return Call(e.OnDVDParentalLevelChange, sender, Int(p1));
    case EC_DVD_PLAYBACK_STOPPED:
        return Call(e.OnDVDPlaybackStopped, sender, static_cast<DVD_PB_STOPPED>(Int(p1)));
    case EC_DVD_ANGLES_AVAILABLE:
        return Call(e.OnDVDAnglesAvailable, sender, Flag(p1));
    case EC_DVD_PLAYPERIOD_AUTOSTOP:
        return Notify(sender, &e.OnDVDPlayPeriodAutoStop);
    case EC_DVD_BUTTON_AUTO_ACTIVATED:
        return Call(e.OnDVDButtonAutoActivated, sender, Int(p1));
    case EC_DVD_CMD_START:
        return Call(e.OnDVDCMDStart, sender, Word(p1), static_cast<HRESULT>(Int(p2)));
    case EC_DVD_CMD_END:
        return Call(e.OnDVDCMDEnd, sender, Word(p1), static_cast<HRESULT>(Int(p2)));
    case EC_DVD_DISC_EJECTED:
        return Notify(sender, &e.OnDVDDiscEjected);
    case EC_DVD_DISC_INSERTED:
        return Notify(sender, &e.OnDVDDiscInserted);
    case EC_DVD_CURRENT_HMSF_TIME:
        return Call(e.OnDVDCurrentHMSFTime, sender, ByteTimeCode(Word(p1)), Word(p2));
    case EC_DVD_KARAOKE_MODE:
        return Call(e.OnDVDKaraokeMode, sender, Flag(p1));
    default:
        return;
    }
}

} // namespace

void DispatchTypedGraphEvent(TFilterGraph& sender, const TGraphEventProperties& e, int32_t code, intptr_t p1,
                             intptr_t p2) {
    switch (code) {
    case EC_COMPLETE:
        return Call(e.OnGraphComplete, sender, static_cast<HRESULT>(Int(p1)), Pointer<IBaseFilter>(p2));
    case EC_USERABORT:
        return Notify(sender, &e.OnGraphUserAbort);
    case EC_ERRORABORT:
        return Call(e.OnGraphErrorAbort, sender, static_cast<HRESULT>(Int(p1)));
    case EC_STREAM_ERROR_STOPPED:
        return Call(e.OnGraphStreamErrorStopped, sender, static_cast<HRESULT>(Int(p1)), Word(p2));
    case EC_STREAM_ERROR_STILLPLAYING:
        return Call(e.OnGraphStreamErrorStillPlaying, sender, static_cast<HRESULT>(Int(p1)), Word(p2));
    case EC_ERROR_STILLPLAYING:
        return Call(e.OnGraphErrorStillPlaying, sender, static_cast<HRESULT>(Int(p1)));
    case EC_PALETTE_CHANGED:
        return Notify(sender, &e.OnGraphPaletteChanged);
    case EC_VIDEO_SIZE_CHANGED:
        return Call(e.OnGraphVideoSizeChanged, sender, static_cast<uint16_t>(Word(p1) & 0xFFFF),
                    static_cast<uint16_t>(Word(p1) >> 16));
    case EC_QUALITY_CHANGE:
        return Notify(sender, &e.OnGraphQualityChange);
    case EC_CLOCK_CHANGED:
        return Notify(sender, &e.OnGraphClockChanged);
    case EC_PAUSED:
        return Call(e.OnGraphPaused, sender, static_cast<HRESULT>(Int(p1)));
    case EC_OPENING_FILE:
        return Call(e.OnGraphOpeningFile, sender, Flag(p1));
    case EC_BUFFERING_DATA:
        return Call(e.OnGraphBufferingData, sender, Flag(p1));
    case EC_FULLSCREEN_LOST:
        return Call(e.OnGraphFullscreenLost, sender, Pointer<IBaseFilter>(p2));
    case EC_OLE_EVENT:
        return Call(e.OnGraphOleEvent, sender, Text(p1), Text(p2));
    case EC_STREAM_CONTROL_STOPPED:
        return Call(e.OnGraphStreamControlStopped, sender, Pointer<IPin>(p1), Word(p2));
    case EC_STREAM_CONTROL_STARTED:
        return Call(e.OnGraphStreamControlStarted, sender, Pointer<IPin>(p1), Word(p2));
    case EC_END_OF_SEGMENT: {
        const auto* end = Pointer<const REFERENCE_TIME>(p1);
        return Call(e.OnGraphEndOfSegment, sender, end ? *end : REFERENCE_TIME{0}, Word(p2));
    }
    case EC_DEVICE_LOST:
        // Parameter 2 is 0 when the device was removed and 1 when it is available again.
        return Call(e.OnGraphDeviceLost, sender, Pointer<IUnknown>(p1), Int(p2) == 0);
    case EC_STEP_COMPLETE:
        return Notify(sender, &e.OnGraphStepComplete);
    case EC_TIMECODE_AVAILABLE:
        return Call(e.OnGraphTimeCodeAvailable, sender, Pointer<IUnknown>(p1), Word(p2));
    case EC_EXTDEVICE_MODE_CHANGE:
        return Call(e.OnGraphEXTDeviceModeChange, sender, Word(p1), Word(p2));
    case EC_GRAPH_CHANGED:
        return Notify(sender, &e.OnGraphChanged);
    case EC_CLOCK_UNSET:
        return Notify(sender, &e.OnGraphClockUnset);
    case EC_VMR_RENDERDEVICE_SET:
        return Call(e.OnGraphVMRRenderDevice, sender, Word(p1));
    case EC_SNDDEV_IN_ERROR:
        return Call(e.OnGraphSNDDevInError, sender, static_cast<SNDDEV_ERR>(Int(p1)), Word(p2));
    case EC_SNDDEV_OUT_ERROR:
        return Call(e.OnGraphSNDDevOutError, sender, static_cast<SNDDEV_ERR>(Int(p1)), Word(p2));
    default:
        return DispatchDvdEvent(sender, e, code, p1, p2);
    }
}
