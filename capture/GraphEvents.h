#pragma once

#include "platform/com/HResult.h"
#include "platform/media/core/DvdEventCodes.h"
#include "platform/media/core/FilterInterfaces.h"
#include "platform/media/core/GraphInterfaces.h"

#include <cstdint>
#include <functional>
#include <string>

class TFilterGraph;

// The typed graph events of the filter graph component. Each carries the component first and
// then the event's own parameters, decoded from the two raw parameters as the framework defines
// them for the event's code. Interface pointers are valid for the call only: the event's
// parameters are freed when its dispatch returns.
using TNotifyEvent = std::function<void(TFilterGraph& sender)>;
using TOnDSResult = std::function<void(TFilterGraph& sender, HRESULT result)>;
using TOnGraphComplete = std::function<void(TFilterGraph& sender, HRESULT result, IBaseFilter* renderer)>;
// A stream's error: what failed, and the stream's own value.
using TOnGraphStreamError = std::function<void(TFilterGraph& sender, HRESULT operation, uint32_t value)>;
using TOnGraphVideoSizeChanged = std::function<void(TFilterGraph& sender, uint16_t width, uint16_t height)>;
using TOnGraphOpeningFile = std::function<void(TFilterGraph& sender, bool opening)>;
using TOnGraphBufferingData = std::function<void(TFilterGraph& sender, bool buffering)>;
using TOnGraphFullscreenLost = std::function<void(TFilterGraph& sender, IBaseFilter* renderer)>;
using TOnGraphOleEvent =
    std::function<void(TFilterGraph& sender, const std::u16string& name, const std::u16string& value)>;
// Stream control: the pin that started or stopped, and the cookie given when it was scheduled.
using TOnGraphStreamControl = std::function<void(TFilterGraph& sender, IPin* pin, uint32_t cookie)>;
using TOnGraphEndOfSegment =
    std::function<void(TFilterGraph& sender, REFERENCE_TIME streamTime, uint32_t segmentNumber)>;
// Removed is true when the device went away, false when it came back.
using TOnGraphDeviceLost = std::function<void(TFilterGraph& sender, IUnknown* device, bool removed)>;
using TOnGraphTimeCodeAvailable =
    std::function<void(TFilterGraph& sender, IUnknown* from, uint32_t deviceId)>;
using TOnGraphEXTDeviceModeChange =
    std::function<void(TFilterGraph& sender, uint32_t newMode, uint32_t deviceId)>;
// The renderer's drawing surface: 1 overlay, 2 video memory, 4 system memory (combinable).
using TOnGraphVMRRenderDevice = std::function<void(TFilterGraph& sender, uint32_t renderDevice)>;
using TOnGraphSNDDevError =
    std::function<void(TFilterGraph& sender, SNDDEV_ERR operation, uint32_t resultCode)>;

// A DVD time code: the packed one of EC_DVD_CURRENT_TIME, or the plain bytes of
// EC_DVD_CURRENT_HMSF_TIME (where frameRate stays 0).
struct TDVDTimeCode {
    uint8_t hours = 0;
    uint8_t minutes = 0;
    uint8_t seconds = 0;
    uint8_t frames = 0;
    // Frames a second of the packed form: 25 or 30 (0 when the code does not say).
    uint8_t frameRate = 0;
};
using TOnDVDNumber = std::function<void(TFilterGraph& sender, int32_t number)>;
using TOnDVDSubpictureStreamChange = std::function<void(TFilterGraph& sender, int32_t stream, bool enabled)>;
using TOnDVDAngleChange = std::function<void(TFilterGraph& sender, int32_t angles, int32_t current)>;
using TOnDVDButtonChange = std::function<void(TFilterGraph& sender, int32_t buttons, int32_t current)>;
using TOnDVDValidUOPSChange = std::function<void(TFilterGraph& sender, uint32_t prohibitedOperations)>;
// Seconds is 0xFFFFFFFF for a still without end.
using TOnDVDStillOn = std::function<void(TFilterGraph& sender, bool buttonsAvailable, uint32_t seconds)>;
// The time and the event's second parameter (the time code's flags) as it came.
using TOnDVDTime = std::function<void(TFilterGraph& sender, const TDVDTimeCode& time, uint32_t flags)>;
// The new rate: 1.0 is normal speed forwards, negative is backwards.
using TOnDVDPlaybackRateChange = std::function<void(TFilterGraph& sender, double rate)>;
using TOnDVDPlaybackStopped = std::function<void(TFilterGraph& sender, DVD_PB_STOPPED reason)>;
using TOnDVDFlag = std::function<void(TFilterGraph& sender, bool value)>;
using TOnDVDCommand = std::function<void(TFilterGraph& sender, uint32_t commandId, HRESULT result)>;

// The event properties, one per event code (DVD domains, errors and warnings by parameter 1).
struct TGraphEventProperties {
    TOnGraphComplete OnGraphComplete;
    TNotifyEvent OnGraphUserAbort;
    TOnDSResult OnGraphErrorAbort;
    TOnGraphStreamError OnGraphStreamErrorStopped;
    TOnGraphStreamError OnGraphStreamErrorStillPlaying;
    TOnDSResult OnGraphErrorStillPlaying;
    TNotifyEvent OnGraphPaletteChanged;
    TOnGraphVideoSizeChanged OnGraphVideoSizeChanged;
    TNotifyEvent OnGraphQualityChange;
    TNotifyEvent OnGraphClockChanged;
    TOnDSResult OnGraphPaused;
    TOnGraphOpeningFile OnGraphOpeningFile;
    TOnGraphBufferingData OnGraphBufferingData;
    TOnGraphFullscreenLost OnGraphFullscreenLost;
    TOnGraphOleEvent OnGraphOleEvent;
    TOnGraphStreamControl OnGraphStreamControlStopped;
    TOnGraphStreamControl OnGraphStreamControlStarted;
    TOnGraphEndOfSegment OnGraphEndOfSegment;
    TOnGraphDeviceLost OnGraphDeviceLost;
    TNotifyEvent OnGraphStepComplete;
    TOnGraphTimeCodeAvailable OnGraphTimeCodeAvailable;
    TOnGraphEXTDeviceModeChange OnGraphEXTDeviceModeChange;
    TNotifyEvent OnGraphChanged;
    TNotifyEvent OnGraphClockUnset;
    TOnGraphVMRRenderDevice OnGraphVMRRenderDevice;
    TOnGraphSNDDevError OnGraphSNDDevInError;
    TOnGraphSNDDevError OnGraphSNDDevOutError;

    TNotifyEvent OnDVDDomainFirstPlay;
    TNotifyEvent OnDVDDomainVideoManagerMenu;
    TNotifyEvent OnDVDDomainVideoTitleSetMenu;
    TNotifyEvent OnDVDDomainTitle;
    TNotifyEvent OnDVDDomainStop;
    TOnDVDNumber OnDVDTitleChange;
    TOnDVDNumber OnDVDChapterStart;
    TOnDVDNumber OnDVDAudioStreamChange;
    TOnDVDSubpictureStreamChange OnDVDSubpictureStreamChange;
    TOnDVDAngleChange OnDVDAngleChange;
    TOnDVDButtonChange OnDVDButtonChange;
    TOnDVDValidUOPSChange OnDVDValidUOPSChange;
    TOnDVDStillOn OnDVDStillOn;
    TNotifyEvent OnDVDStillOff;
    TOnDVDTime OnDVDCurrentTime;
    TNotifyEvent OnDVDErrorUnexpected;
    TNotifyEvent OnDVDErrorCopyProtectFail;
    TNotifyEvent OnDVDErrorInvalidDVD1_0Disc;
    TNotifyEvent OnDVDErrorInvalidDiscRegion;
    TNotifyEvent OnDVDErrorLowParentalLevel;
    TNotifyEvent OnDVDErrorMacrovisionFail;
    TNotifyEvent OnDVDErrorIncompatibleSystemAndDecoderRegions;
    TNotifyEvent OnDVDErrorIncompatibleDiscAndDecoderRegions;
    TNotifyEvent OnDVDWarningInvalidDVD1_0Disc;
    TNotifyEvent OnDVDWarningFormatNotSupported;
    TNotifyEvent OnDVDWarningIllegalNavCommand;
    TNotifyEvent OnDVDWarningOpen;
    TNotifyEvent OnDVDWarningSeek;
    TNotifyEvent OnDVDWarningRead;
    TNotifyEvent OnDVDChapterAutoStop;
    TNotifyEvent OnDVDNoFP_PGC;
    TOnDVDPlaybackRateChange OnDVDPlaybackRateChange;
    TOnDVDNumber OnDVDParentalLevelChange;
    TOnDVDPlaybackStopped OnDVDPlaybackStopped;
    TOnDVDFlag OnDVDAnglesAvailable;
    TNotifyEvent OnDVDPlayPeriodAutoStop;
    TOnDVDNumber OnDVDButtonAutoActivated;
    TOnDVDCommand OnDVDCMDStart;
    TOnDVDCommand OnDVDCMDEnd;
    TNotifyEvent OnDVDDiscEjected;
    TNotifyEvent OnDVDDiscInserted;
    TOnDVDTime OnDVDCurrentHMSFTime;
    TOnDVDFlag OnDVDKaraokeMode;
};

// Calls the typed event of the code, when it is assigned. Codes without a typed event, and
// domains, errors and warnings of unknown number, call nothing.
void DispatchTypedGraphEvent(TFilterGraph& sender, const TGraphEventProperties& events, int32_t code,
                             intptr_t param1, intptr_t param2);
