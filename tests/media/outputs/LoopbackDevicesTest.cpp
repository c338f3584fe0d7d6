#include "platform/media/outputs/LoopbackDevices.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

FakeV4l2Node Loopback(std::string path, std::string card, int number, bool exclusive) {
    FakeV4l2Node node;
    node.path = std::move(path);
    node.card = std::move(card);
    node.loopback = true;
    node.loopbackNumber = number;
    node.exclusiveCaps = exclusive;
    return node;
}

LoopbackOutput Output(std::string path, std::string card, bool free) {
    LoopbackOutput output;
    output.path = std::move(path);
    output.card = std::move(card);
    output.free = free;
    output.otherWriter = !free;
    output.problem = free ? "" : "another program writes to it";
    return output;
}

std::string MessageOf(const std::vector<LoopbackOutput>& outputs, const std::string& requested) {
    try {
        ChooseLoopbackOutput(outputs, requested);
    } catch (const VirtualCameraError& error) {
        return error.Message();
    }
    return {};
}

// Cameras are left out; a writer is seen without disturbing it, with exclusive_caps on (no
// output capability) or off (a fixed format and other holders); a held format alone with nobody
// holding the node, or readers of a format another writer left with exclusive_caps on, is free.
TEST(LoopbackDevices, AreListedWithWhoWritesToThem) {
    FakeV4l2Node camera;
    camera.path = "/dev/video0";
    FakeV4l2Node streaming = Loopback("/dev/video10", "Tarnolix", 0, true);
    streaming.otherWriter = true;
    FakeV4l2Node shared = Loopback("/dev/video11", "Shared", 1, false);
    shared.heldSize = {320, 240};
    shared.otherHolders = 1;
    FakeV4l2Node kept = Loopback("/dev/video12", "Kept", 2, false);
    kept.heldSize = {320, 240};
    kept.keepFormat = true;
    FakeV4l2Node left = Loopback("/dev/video13", "Left", 3, true);
    left.heldSize = {320, 240};
    left.otherHolders = 2;
    ScopedFakeV4l2 fake({camera, streaming, shared, kept, left, Loopback("/dev/video14", "Idle", 4, true)});

    const std::vector<LoopbackOutput> outputs = ListLoopbackOutputs(fake.Access());
    ASSERT_EQ(outputs.size(), 5u);
    const bool expectedFree[] = {false, false, true, true, true};
    for (size_t k = 0; k < outputs.size(); ++k) {
        EXPECT_EQ(outputs[k].path, "/dev/video1" + std::to_string(k));
        EXPECT_EQ(outputs[k].free, expectedFree[k]) << outputs[k].path;
        EXPECT_EQ(outputs[k].otherWriter, !expectedFree[k]) << outputs[k].path;
        EXPECT_EQ(outputs[k].problem.empty(), expectedFree[k]) << outputs[k].path;
        const std::vector<std::string> events = fake.Access().Loopback(outputs[k].path).events;
        EXPECT_EQ(events, std::vector<std::string>{"close"}) << outputs[k].path; // asked, nothing set
    }
    EXPECT_EQ(outputs[0].card, "Tarnolix");
    EXPECT_EQ(outputs[2].fixedFormat, "YUYV:320x240@30");
    EXPECT_EQ(fake.Access().OpenDescriptors(), 0);
}

TEST(LoopbackDevices, ChoosingPrefersTarnolixAndNeverTakesABusyDevice) {
    const std::vector<LoopbackOutput> outputs = {Output("/dev/video10", "Other", true),
                                                 Output("/dev/video11", "Tarnolix", true),
                                                 Output("/dev/video12", "Busy", false)};
    EXPECT_EQ(ChooseLoopbackOutput(outputs).path, "/dev/video11");
    EXPECT_EQ(ChooseLoopbackOutput({outputs[0], Output("/dev/video11", "Tarnolix", false)}).path,
              "/dev/video10");
    EXPECT_EQ(ChooseLoopbackOutput(outputs, "/dev/video10").path, "/dev/video10");
    EXPECT_EQ(ChooseLoopbackOutput(outputs, "Other").path, "/dev/video10");

    const std::string busy = MessageOf(outputs, "Busy");
    EXPECT_NE(busy.find("Busy (/dev/video12) cannot be used: another program writes to it"),
              std::string::npos)
        << busy;
    const std::string missing = MessageOf(outputs, "/dev/video99");
    EXPECT_NE(missing.find("There is no v4l2loopback device /dev/video99"), std::string::npos) << missing;
}

TEST(LoopbackDevices, NoneFreeIsToldInPolishWithTheCommandAndPackage) {
    for (const auto& outputs : {std::vector<LoopbackOutput>{}, {Output("/dev/video10", "Busy", false)}}) {
        const std::string message = MessageOf(outputs, "");
        EXPECT_NE(message.find("sudo modprobe v4l2loopback card_label=Tarnolix exclusive_caps=1"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("pakiet v4l2loopback-dkms"), std::string::npos) << message;
    }
    EXPECT_NE(MessageOf({}, "").find("Nie znaleziono"), std::string::npos);
    EXPECT_NE(MessageOf({Output("/dev/video10", "Busy", false)}, "").find("zajęte"), std::string::npos);
}

} // namespace
