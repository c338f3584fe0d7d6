#pragma once

#include "platform/com/Unknown.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class JsonWriter;

// Counts by name, in the order their source gives them.
using NamedCounters = std::vector<std::pair<std::string, uint64_t>>;
// Short texts by name ("device": "/dev/video10"), in the order their source gives them.
using NamedLabels = std::vector<std::pair<std::string, std::string>>;

// One object's counts as a viewer sees them: who counted ("SampleGrabber"), what it is
// ("sample grabber"), the counts, and the texts of a source that has some (ICounterLabels).
struct CounterGroup {
    std::string source;
    std::string kind;
    NamedCounters counters;
    NamedLabels labels;
};

// {9A0D41A0-E5A7-4538-B68B-678EE1B2258E}
inline constexpr IID IID_ICounterSource{
    0x9A0D41A0, 0xE5A7, 0x4538, {0xB6, 0x8B, 0x67, 0x8E, 0xE1, 0xB2, 0x25, 0x8E}};

// An object that counts what passes through it, for external viewers. The counts are atomics
// that the streaming thread bumps without a lock; ReadCounters only loads them, so it may be
// called from any thread, and under a lock of the caller's.
struct ICounterSource : IUnknown {
    // What kind of object counts ("sample grabber", "frame handler").
    virtual std::string CounterKind() = 0;
    virtual void ReadCounters(NamedCounters& counters) = 0;

protected:
    ~ICounterSource() = default;
};

TARNOLIX_INTERFACE_ID(ICounterSource, IID_ICounterSource);

// {5C1E8B3D-2F47-4A96-9E0B-7D3A61C4F802}
inline constexpr IID IID_ICounterLabels{
    0x5C1E8B3D, 0x2F47, 0x4A96, {0x9E, 0x0B, 0x7D, 0x3A, 0x61, 0xC4, 0xF8, 0x02}};

// What a counter source may answer besides its counts: short texts that describe what it counts
// (a device's path, the format it writes). Called like ReadCounters, from any thread and under a
// lock of the caller's, so it only copies texts under a short lock of its own.
struct ICounterLabels : IUnknown {
    virtual void ReadLabels(NamedLabels& labels) = 0;

protected:
    ~ICounterLabels() = default;
};

TARNOLIX_INTERFACE_ID(ICounterLabels, IID_ICounterLabels);

// The counts of `source` and the texts it has, as a group named `source`.
CounterGroup ReadCounterGroup(ICounterSource* source, std::string name);

// {A0DA7289-5664-4285-AFB9-65AEAE65398E}
inline constexpr IID IID_IViewerReport{
    0xA0DA7289, 0x5664, 0x4285, {0xAF, 0xB9, 0x65, 0xAE, 0xAE, 0x65, 0x39, 0x8E}};

// An object registered in the running-object table that describes itself to external viewers.
// Both calls come from the viewer server's thread; they write members into the reply object
// that `out` has open, and must not hold the object's locks while anything else runs.
struct IViewerReport : IUnknown {
    // What the object is made of (for a graph: its filters, pins and connections).
    virtual HRESULT Describe(JsonWriter& out) = 0;
    // What flows through it now; the object's counter groups go to `groups`, which the server
    // writes together with those attached to the registration.
    virtual HRESULT Statistics(JsonWriter& out, std::vector<CounterGroup>& groups) = 0;

protected:
    ~IViewerReport() = default;
};

TARNOLIX_INTERFACE_ID(IViewerReport, IID_IViewerReport);
