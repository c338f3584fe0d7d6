#include "tests/media/support/TestFilters.h"

#include <gtest/gtest.h>

namespace {

const GUID kSubtypeA{0xA, 0, 0, {}};
const GUID kSubtypeB{0xB, 0, 0, {}};

TEST(PinConnection, TheFirstOfferedTypeThatTheInputAcceptsIsUsed) {
    TestSource* source = nullptr;
    TestSink* sink = nullptr;
    auto sourceFilter = TestSource::Create({VideoType(kSubtypeA), VideoType(kSubtypeB)}, &source);
    auto sinkFilter = TestSink::Create({kSubtypeB, kSubtypeA}, &sink);
    ASSERT_EQ(source->Output().Connect(&sink->Input(), nullptr), S_OK);
    EXPECT_EQ(source->Output().ConnectedType()->subtype, kSubtypeA) << "the output's order decides";
    EXPECT_EQ(sink->Input().ConnectedType()->subtype, kSubtypeA);
    EXPECT_EQ(source->Output().Peer().Get(), static_cast<IPin*>(&sink->Input()));
    EXPECT_EQ(source->Output().Connect(&sink->Input(), nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(source->Output().Disconnect(), S_OK);
    EXPECT_EQ(sink->Input().Disconnect(), S_OK);
    EXPECT_EQ(sink->Input().Disconnect(), S_FALSE);
}

TEST(PinConnection, NoCommonTypeOrWrongDirectionsFail) {
    TestSource* source = nullptr;
    TestSink* sink = nullptr;
    auto sourceFilter = TestSource::Create({VideoType(kSubtypeA)}, &source);
    auto sinkFilter = TestSink::Create({kSubtypeB}, &sink);
    EXPECT_EQ(source->Output().Connect(&sink->Input(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(source->Output().IsConnected());
    EXPECT_EQ(sink->Input().Connect(&source->Output(), nullptr), E_UNEXPECTED);
    TestSource* other = nullptr;
    auto otherFilter = TestSource::Create({VideoType(kSubtypeA)}, &other);
    EXPECT_EQ(source->Output().Connect(&other->Output(), nullptr), VFW_E_INVALID_DIRECTION);
}

TEST(PinConnection, SamplesReachTheConnectedInputOnly) {
    TestSource* source = nullptr;
    TestSink* sink = nullptr;
    auto sourceFilter = TestSource::Create({VideoType(kSubtypeB)}, &source);
    auto sinkFilter = TestSink::Create({kSubtypeB}, &sink);
    uint8_t byte = 0;
    auto sample = MediaSample::Create(&byte, 1, 1, 0, 1);
    EXPECT_EQ(source->Output().Deliver(sample.Get()), VFW_E_NOT_CONNECTED);
    ASSERT_EQ(source->Output().Connect(&sink->Input(), nullptr), S_OK);
    EXPECT_EQ(source->Output().Deliver(sample.Get()), S_OK);
    EXPECT_EQ(sink->Samples(), 1);
    source->Output().Disconnect(); // connected pins hold each other's filters
    sink->Input().Disconnect();
}

TEST(PinConnection, PinsShareTheirFiltersReferenceCountAndNameIt) {
    TestSink* sink = nullptr;
    auto sinkFilter = TestSink::Create({kSubtypeB}, &sink);
    ComPtr<IPin> pin(&sink->Input());
    sinkFilter.Reset();
    PIN_INFO info{};
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK) << "the pin keeps its filter alive";
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(sink));
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    EXPECT_EQ(std::u16string(info.achName), u"In");
    info.pFilter->Release();
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(sink->EnumPins(pins.Receive()), S_OK);
    ComPtr<IPin> first;
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(1, first.Receive(), &fetched), S_OK);
    EXPECT_EQ(first.Get(), pin.Get());
}

TEST(PinConnection, ConnectionsChangeOnlyWhileStopped) {
    TestSource* source = nullptr;
    TestSink* sink = nullptr;
    auto sourceFilter = TestSource::Create({VideoType(kSubtypeB)}, &source);
    auto sinkFilter = TestSink::Create({kSubtypeB}, &sink);
    ASSERT_EQ(sourceFilter->Run(0), S_OK);
    EXPECT_EQ(source->Output().Connect(&sink->Input(), nullptr), VFW_E_NOT_STOPPED);
    FILTER_STATE state{};
    sourceFilter->GetState(0, &state);
    EXPECT_EQ(state, State_Running);
    sourceFilter->Stop();
    EXPECT_EQ(source->Output().Connect(&sink->Input(), nullptr), S_OK);
    source->Output().Disconnect();
    sink->Input().Disconnect();
}

} // namespace
