#include "app/CameraSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

// What one camera keeps comes back from the file, another camera's entry is kept beside it, and
// a damaged file is moved aside for a fresh one.
TEST(CameraSettingsStore, KeepsEachCamerasModeAndControlsAndSetsADamagedFileAside) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath("tarnolix/cameras.json").toStdString();
    const VideoFormat mode{640, 360, 333333, MEDIASUBTYPE_YUY2};
    {
        CameraSettingsStore store(path);
        store.SaveMode("bus:usb-1|Kamera A", mode);
        store.SaveControl("bus:usb-1|Kamera A", {0x00980900, "Brightness", 200, std::nullopt});
        store.SaveControl("/dev/v4l/by-id/usb-B", {0x009a0901, "Auto Exposure", 1, std::nullopt});
        store.SaveControl("bus:usb-1|Kamera A", {0x00980900, "Brightness", 210, std::nullopt}); // replaces
        store.SaveControl("bus:usb-1|Kamera A", {0x0098091f, "Label", 0, std::string("biurko \"2\"")});
    }
    const CameraSettingsStore again(path);
    const SavedCamera first = again.Camera("bus:usb-1|Kamera A");
    ASSERT_TRUE(first.mode);
    EXPECT_EQ(first.mode->width, 640);
    EXPECT_EQ(first.mode->averageTimePerFrame, 333333);
    EXPECT_EQ(first.mode->subtype, MEDIASUBTYPE_YUY2);
    ASSERT_EQ(first.controls.size(), 2u);
    EXPECT_EQ(first.controls[0].value, 210);
    EXPECT_EQ(first.controls[1].text, "biurko \"2\"");
    const SavedCamera second = again.Camera("/dev/v4l/by-id/usb-B");
    EXPECT_FALSE(second.mode);
    ASSERT_EQ(second.controls.size(), 1u);
    EXPECT_EQ(second.controls[0].value, 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path + ".bak")));
    for (const QString& name : QDir(folder.filePath("tarnolix")).entryList(QDir::Files))
        EXPECT_TRUE(name == "cameras.json") << "no temporary file left: " << name.toStdString();

    QFile damaged(QString::fromStdString(path));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("{\"version\": 1, \"cameras\": {\"bus:usb-1|Kam");
    damaged.close();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(again.Camera("bus:usb-1|Kamera A").mode);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(".bak"), std::string::npos) << said;
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path + ".bak")));
    CameraSettingsStore(path).SaveMode("bus:usb-1|Kamera A", mode);
    EXPECT_TRUE(again.Camera("bus:usb-1|Kamera A").mode) << "a fresh file";
}
