#include "platform/media/sources/CaptureSourceFilter.h"

#include "platform/media/core/MediaType.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/pins/PinQueries.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr CLSID kSourceClass{0x5C1E0001, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};

std::vector<VideoFormat> Proposed(IPin* pin) {
    ComPtr<IEnumMediaTypes> types;
    std::vector<VideoFormat> formats;
    if (FAILED(pin->EnumMediaTypes(types.Receive())))
        return formats;
    AM_MEDIA_TYPE* type = nullptr;
    while (types->Next(1, &type, nullptr) == S_OK) {
        if (const auto format = AnyVideoFormatOf(*type))
            formats.push_back(*format);
        DeleteMediaType(type);
    }
    return formats;
}

// A camera whose best mode is 24-bit RGB also offers its YUV modes; one of those chosen must not
// lose to an RGB format that a sample grabber would take directly.
TEST(CaptureSourceFilter, AChosenFormatIsProposedAloneAndTheOthersBeforeAnyChoice) {
    const VideoFormat rgb{640, 360, 250000, MEDIASUBTYPE_RGB24};
    const VideoFormat yuv{320, 180, 166666, MEDIASUBTYPE_YUY2};
    const auto filter = CaptureSourceFilter::Create(kSourceClass, "camera", {rgb, yuv}, nullptr);
    const auto pins = PinsOf(filter.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(pins.size(), 1u);
    EXPECT_EQ(Proposed(pins[0].Get()), (std::vector<VideoFormat>{rgb, yuv}));
    auto config = pins[0].As<IAMStreamConfig>();
    ASSERT_TRUE(config);
    AM_MEDIA_TYPE* chosen = CreateVideoMediaType(yuv);
    EXPECT_EQ(config->SetFormat(chosen), S_OK);
    DeleteMediaType(chosen);
    EXPECT_EQ(Proposed(pins[0].Get()), std::vector<VideoFormat>{yuv});
}

} // namespace
