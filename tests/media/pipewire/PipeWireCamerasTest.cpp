#include "platform/media/pipewire/PipeWireCameraList.h"
#include "tests/media/support/PipeWireDaemons.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class PipeWireSession : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty())
            GTEST_SKIP() << missing;
        daemons_ = std::make_unique<PipeWireDaemons>();
        ASSERT_TRUE(daemons_->Start()) << daemons_->Failure() << "\n" << daemons_->Log();
    }

    // Waits up to `seconds` for `condition`.
    template <typename Condition> static bool Eventually(Condition condition, int seconds = 10) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    std::unique_ptr<PipeWireDaemons> daemons_;
};

TEST_F(PipeWireSession, ListsCameraNodesWithTheirPropertiesAndFollowsThem) {
    auto connection = std::make_shared<PipeWireConnection>();
    std::atomic<int> changes{0};
    PipeWireCameraList list(connection, [&] { ++changes; });
    ASSERT_TRUE(list.WaitListed(5000));
    EXPECT_TRUE(list.Cameras().empty());

    const pid_t camera = daemons_->StartCamera("testcam", "Test camera", 0x00ff00);
    ASSERT_TRUE(Eventually([&] { return list.Cameras().size() == 1; })) << daemons_->Log();
    const PipeWireCamera listed = list.Cameras().front();
    EXPECT_EQ(listed.Property("node.name"), "testcam");
    EXPECT_EQ(listed.Property("node.description"), "Test camera");
    EXPECT_EQ(listed.Property("media.role"), "Camera");
    EXPECT_NE(listed.serial, 0u);
    EXPECT_GE(changes.load(), 1);

    daemons_->StopProcess(camera);
    EXPECT_TRUE(Eventually([&] { return list.Cameras().empty(); }));
}

TEST(PipeWireConnectionTest, NoDaemonIsAClearError) {
    // NoMachineDevices points PIPEWIRE_RUNTIME_DIR at a folder without sockets.
    EXPECT_FALSE(PipeWireConnection::SocketPresent());
    try {
        PipeWireConnection connection;
        FAIL() << "connected without a daemon";
    } catch (const PipeWireError& error) {
        EXPECT_NE(std::string(error.what()).find("No PipeWire daemon answers"), std::string::npos);
    }
}

} // namespace
