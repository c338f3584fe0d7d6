#include "app/StartOptions.h"

#include <gtest/gtest.h>

namespace {

TStartOptions Parse(std::vector<std::string> arguments) {
    return ParseStartOptions(arguments);
}

TEST(StartOptions, DeviceEffectVirtualCameraAndRecordingInEitherSpelling) {
    const TStartOptions split =
        Parse({"--device", "Kamera A", "--effect", "Negatyw1", "--virtual-camera", "--record"});
    EXPECT_EQ(split.device, "Kamera A");
    EXPECT_EQ(split.effect, TEffectItem::Negatyw1);
    EXPECT_EQ(split.virtualCamera, "");
    EXPECT_EQ(split.record, "");
    const TStartOptions joined = Parse({"--device=Kamera=B", "--effect=Odkształcenie fraktalne",
                                        "--virtual-camera=/dev/video10", "--record=film.mp4"});
    EXPECT_EQ(joined.device, "Kamera=B") << "only the first = separates";
    EXPECT_EQ(joined.effect, TEffectItem::Odksztaceniefraktalne1) << "by caption";
    EXPECT_EQ(joined.virtualCamera, "/dev/video10");
    EXPECT_EQ(joined.record, "film.mp4");
    EXPECT_FALSE(Parse({}).virtualCamera) << "no virtual camera unless asked";
    EXPECT_FALSE(Parse({}).record) << "no film unless asked";
}

TEST(StartOptions, WhatCannotStartSaysWhy) {
    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--effect", "Negatyw2"}, "unknown effect 'Negatyw2'"},
        {{"--device"}, "missing value after --device"},
        {{"--device="}, "--device needs a device name"},
        {{"--device", "A", "--device", "B"}, "--device given twice"},
        {{"--camera", "A"}, "unknown option --camera"},
        {{"Negatyw1"}, "unexpected argument 'Negatyw1'"},
    };
    for (const auto& [arguments, message] : bad) {
        try {
            Parse(arguments);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const EStartOptionsError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

} // namespace
