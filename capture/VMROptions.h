#pragma once

#include <cstdint>
#include <initializer_list>

class TVideoWindow;

enum class TVMRVideoMode { vmrWindowed = 0, vmrWindowless = 1, vmrRenderless = 2 };

// The mixing renderer's rendering preferences; each one's value is its bit in the set.
enum class TVMRPreference : uint8_t {
    vpForceOffscreen = 1,
    vpForceOverlays = 2,
    vpForceMixer = 4,
    vpDoNotRenderColorKeyAndBorder = 8,
    vpRestrictToInitialMonitor = 16,
    vpPreferAGPMemWhenMixing = 32,
};

// A set of TVMRPreference held in one byte, one bit an element. The byte is also the value
// exchanged with the renderer as its rendering preferences.
class TVMRPreferences {
public:
    constexpr TVMRPreferences() = default;
    constexpr TVMRPreferences(std::initializer_list<TVMRPreference> elements) {
        for (TVMRPreference element : elements)
            bits_ |= static_cast<uint8_t>(element);
    }
    // The set of the known bits of `bits`; others are no element and are dropped.
    static constexpr TVMRPreferences FromBits(uint32_t bits) {
        TVMRPreferences set;
        set.bits_ = static_cast<uint8_t>(bits & kAllBits);
        return set;
    }

    constexpr uint8_t Bits() const { return bits_; }
    constexpr bool Contains(TVMRPreference element) const { return bits_ & static_cast<uint8_t>(element); }
    constexpr TVMRPreferences With(TVMRPreference element) const {
        return FromBits(bits_ | static_cast<uint8_t>(element));
    }
    constexpr TVMRPreferences Without(TVMRPreference element) const {
        return FromBits(bits_ & ~static_cast<uint8_t>(element));
    }
    friend constexpr bool operator==(TVMRPreferences, TVMRPreferences) = default;

private:
    static constexpr uint8_t kAllBits = 0x3F;
    uint8_t bits_ = 0;
};

// The options of the video window's mixing renderer mode. Changing the number of streams, the
// preferences or the mode while the owner is in vmVMR and its graph is active rebuilds the
// renderer (the owner leaves the graph's members and joins again); otherwise the values are
// only stored and take effect at the next activation. GUI thread.
class TVMROptions {
public:
    explicit TVMROptions(TVideoWindow& owner) : owner_(owner) {}
    TVMROptions(const TVMROptions&) = delete;
    TVMROptions& operator=(const TVMROptions&) = delete;

    // The renderer's number of input streams: 1 to 16 are stored, 0 and larger values store 1.
    uint32_t Streams() const { return streams_; }
    void SetStreams(uint32_t streams);
    TVMRPreferences Preferences() const { return preferences_; }
    void SetPreferences(TVMRPreferences preferences);
    TVMRVideoMode Mode() const { return mode_; }
    void SetMode(TVMRVideoMode mode);
    // Letter-box (true) or stretch the picture; applied at once to a windowed or windowless
    // renderer the owner has. A failure of the renderer raises EDirectShowException.
    bool KeepAspectRatio() const { return keepAspectRatio_; }
    void SetKeepAspectRatio(bool keep);

private:
    friend class TVideoWindow; // binding the renderer reads its answers back into the fields

    void Rebuild();

    TVideoWindow& owner_;
    uint32_t streams_ = 4;
    TVMRPreferences preferences_{TVMRPreference::vpForceMixer};
    TVMRVideoMode mode_ = TVMRVideoMode::vmrWindowed;
    bool keepAspectRatio_ = true;
};
