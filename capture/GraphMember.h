#pragma once

#include "platform/com/Unknown.h"
#include "platform/media/core/FilterInterfaces.h"

#include <string>

// The layer's own interfaces between the filter graph component and its members and event
// sinks. They count no references: the components own each other through their owner.

enum class TMemberNotifyKind { mnAdding = 0, mnAdded = 1, mnRemoving = 2, mnRemoved = 3, mnRefresh = 4 };

enum class TGraphControlEvent {
    gcRun = 0,
    gcPause = 1,
    gcStop = 2,
    gcPaused = 3,
    gcPlaying = 4,
    gcStopped = 5,
    gcState = 6,
    gcActivation = 7,
};

// {887F94DA-29E9-44C6-B48E-1FBF0FB59878}
inline constexpr IID IID_IGraphMember{
    0x887F94DA, 0x29E9, 0x44C6, {0xB4, 0x8E, 0x1F, 0xBF, 0x0F, 0xB5, 0x98, 0x78}};
// {6C0DCD7B-1A98-44EF-A6D5-E23CBC24E620}
inline constexpr IID IID_IGraphEventSink{
    0x6C0DCD7B, 0x1A98, 0x44EF, {0xA6, 0xD5, 0xE2, 0x3C, 0xBC, 0x24, 0xE6, 0x20}};

// A component that contributes one filter to the graph.
class IGraphMember {
public:
    // The member's filter (not counted), or null.
    virtual IBaseFilter* MemberFilter() = 0;
    // The name under which the filter joins the graph.
    virtual std::string MemberName() = 0;
    virtual void MemberNotify(TMemberNotifyKind kind, int32_t param) = 0;

protected:
    ~IGraphMember() = default;
};

// A component that hears the graph's events and control events.
class IGraphEventSink {
public:
    virtual void HandleGraphEvent(int32_t event, intptr_t param1, intptr_t param2) = 0;
    virtual void HandleControlEvent(TGraphControlEvent event, int32_t param) = 0;

protected:
    ~IGraphEventSink() = default;
};
