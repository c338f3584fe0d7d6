#pragma once

#include <cstdint>

// Event codes of DVD playback, as the framework publishes them. No DVD navigator exists on this
// platform; the codes are here so that graph events carrying them can still be told apart.
inline constexpr int32_t EC_DVD_DOMAIN_CHANGE = 0x101;
inline constexpr int32_t EC_DVD_TITLE_CHANGE = 0x102;
inline constexpr int32_t EC_DVD_CHAPTER_START = 0x103;
inline constexpr int32_t EC_DVD_AUDIO_STREAM_CHANGE = 0x104;
inline constexpr int32_t EC_DVD_SUBPICTURE_STREAM_CHANGE = 0x105;
inline constexpr int32_t EC_DVD_ANGLE_CHANGE = 0x106;
inline constexpr int32_t EC_DVD_BUTTON_CHANGE = 0x107;
inline constexpr int32_t EC_DVD_VALID_UOPS_CHANGE = 0x108;
inline constexpr int32_t EC_DVD_STILL_ON = 0x109;
inline constexpr int32_t EC_DVD_STILL_OFF = 0x10A;
inline constexpr int32_t EC_DVD_CURRENT_TIME = 0x10B;
inline constexpr int32_t EC_DVD_ERROR = 0x10C;
inline constexpr int32_t EC_DVD_WARNING = 0x10D;
inline constexpr int32_t EC_DVD_CHAPTER_AUTOSTOP = 0x10E;
inline constexpr int32_t EC_DVD_NO_FP_PGC = 0x10F;
inline constexpr int32_t EC_DVD_PLAYBACK_RATE_CHANGE = 0x110;
inline constexpr int32_t EC_DVD_PARENTAL_LEVEL_CHANGE = 0x111;
inline constexpr int32_t EC_DVD_PLAYBACK_STOPPED = 0x112;
inline constexpr int32_t EC_DVD_ANGLES_AVAILABLE = 0x113;
inline constexpr int32_t EC_DVD_PLAYPERIOD_AUTOSTOP = 0x114;
inline constexpr int32_t EC_DVD_BUTTON_AUTO_ACTIVATED = 0x115;
inline constexpr int32_t EC_DVD_CMD_START = 0x116;
inline constexpr int32_t EC_DVD_CMD_END = 0x117;
inline constexpr int32_t EC_DVD_DISC_EJECTED = 0x118;
inline constexpr int32_t EC_DVD_DISC_INSERTED = 0x119;
inline constexpr int32_t EC_DVD_CURRENT_HMSF_TIME = 0x11A;
inline constexpr int32_t EC_DVD_KARAOKE_MODE = 0x11B;

// Parameter 1 of EC_DVD_DOMAIN_CHANGE.
enum DVD_DOMAIN : int32_t {
    DVD_DOMAIN_FirstPlay = 1,
    DVD_DOMAIN_VideoManagerMenu = 2,
    DVD_DOMAIN_VideoTitleSetMenu = 3,
    DVD_DOMAIN_Title = 4,
    DVD_DOMAIN_Stop = 5,
};

// Parameter 1 of EC_DVD_ERROR.
enum DVD_ERROR : int32_t {
    DVD_ERROR_Unexpected = 1,
    DVD_ERROR_CopyProtectFail = 2,
    DVD_ERROR_InvalidDVD1_0Disc = 3,
    DVD_ERROR_InvalidDiscRegion = 4,
    DVD_ERROR_LowParentalLevel = 5,
    DVD_ERROR_MacrovisionFail = 6,
    DVD_ERROR_IncompatibleSystemAndDecoderRegions = 7,
    DVD_ERROR_IncompatibleDiscAndDecoderRegions = 8,
};

// Parameter 1 of EC_DVD_WARNING.
enum DVD_WARNING : int32_t {
    DVD_WARNING_InvalidDVD1_0Disc = 1,
    DVD_WARNING_FormatNotSupported = 2,
    DVD_WARNING_IllegalNavCommand = 3,
    DVD_WARNING_Open = 4,
    DVD_WARNING_Seek = 5,
    DVD_WARNING_Read = 6,
};

// Parameter 1 of EC_DVD_PLAYBACK_STOPPED.
enum DVD_PB_STOPPED : int32_t {
    DVD_PB_STOPPED_Other = 0,
    DVD_PB_STOPPED_NoBranch = 1,
    DVD_PB_STOPPED_NoFirstPlayDomain = 2,
    DVD_PB_STOPPED_StopCommand = 3,
    DVD_PB_STOPPED_Reset = 4,
    DVD_PB_STOPPED_DiscEjected = 5,
    DVD_PB_STOPPED_IllegalNavCommand = 6,
    DVD_PB_STOPPED_PlayPeriodAutoStop = 7,
    DVD_PB_STOPPED_PlayChapterAutoStop = 8,
    DVD_PB_STOPPED_ParentalFailure = 9,
    DVD_PB_STOPPED_RegionFailure = 10,
    DVD_PB_STOPPED_MacrovisionFailure = 11,
    DVD_PB_STOPPED_DiscReadError = 12,
    DVD_PB_STOPPED_CopyProtectFailure = 13,
};
