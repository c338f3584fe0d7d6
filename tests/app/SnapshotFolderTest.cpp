#include "app/SnapshotFolder.h"

#include "imaging/BitmapFileWriter.h"
#include "platform/graphics/Bitmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// Gives the test a home folder of its own, whose user-dirs.dirs names the pictures folder, and
// puts HOME and XDG_CONFIG_HOME back afterwards.
class SnapshotFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        Save("HOME", savedHome);
        Save("XDG_CONFIG_HOME", savedConfig);
        home = root.filePath("home");
        ASSERT_TRUE(QDir().mkpath(home + "/.config"));
        setenv("HOME", home.toUtf8().constData(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8().constData(), 1);
    }
    void TearDown() override {
        QFile::setPermissions(root.filePath("bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Restore("HOME", savedHome);
        Restore("XDG_CONFIG_HOME", savedConfig);
    }

    void SetPicturesFolder(const QString& userDirsValue) {
        QFile file(home + "/.config/user-dirs.dirs");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("XDG_PICTURES_DIR=\"" + userDirsValue + "\"\n").toUtf8());
    }

    // A folder the program may not write to, as /usr/bin is for a user. Permissions do not bind
    // root, so there a folder that does not exist stands in for it.
    QString ReadOnlyProgramFolder() {
        const QString bin = root.filePath("bin");
        QDir().mkpath(bin);
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        return QFileInfo(bin).isWritable() ? root.filePath("gone/bin") : bin;
    }

    static void Save(const char* name, std::optional<std::string>& saved) {
        if (const char* value = std::getenv(name))
            saved = value;
    }
    static void Restore(const char* name, const std::optional<std::string>& saved) {
        if (saved)
            setenv(name, saved->c_str(), 1);
        else
            unsetenv(name);
    }

    QTemporaryDir root;
    QString home;
    std::optional<std::string> savedHome;
    std::optional<std::string> savedConfig;
};

// Writes a 4 x 2 picture to `path`, as the snapshot command does.
void SaveSmallPicture(const QString& path) {
    TBitmap picture;
    picture.SetSize(4, 2, TPixelFormat::pf24bit);
    SaveBitmapToFile(picture, path.toStdString());
}

TEST_F(SnapshotFolder, AProgramFolderTheProgramMayWriteIsKeptAndNoPicturesFolderIsMade) {
    SetPicturesFolder("$HOME/Obrazy");
    const QString program = root.filePath("build");
    ASSERT_TRUE(QDir().mkpath(program));
    EXPECT_EQ(SnapshotPath(program, "foto"), program + "/foto.bmp");
    EXPECT_FALSE(QFileInfo::exists(home + "/Obrazy"));
}

TEST_F(SnapshotFolder, AnInstalledProgramSavesIntoThePicturesFolderMadeIfMissing) {
    SetPicturesFolder("$HOME/Obrazy");
    const QString program = ReadOnlyProgramFolder();
    const QString path = SnapshotPath(program, "foto.bmp");
    EXPECT_EQ(path, home + "/Obrazy/foto.bmp.bmp");
    EXPECT_TRUE(QFileInfo(home + "/Obrazy").isDir());
    SaveSmallPicture(path);
    EXPECT_EQ(QFileInfo(path).size(), 54 + 2 * 12);
    EXPECT_EQ(SnapshotPath(program, ""), home + "/Obrazy/.bmp");
}

TEST_F(SnapshotFolder, AWritableProgramFolderInAnInstallLocationLeavesThePicturesFolder) {
    SetPicturesFolder("$HOME/Obrazy");
    const QString prefix = root.filePath("prefix");
    ASSERT_TRUE(QDir().mkpath(prefix + "/bin"));
    EXPECT_EQ(::SnapshotFolder(prefix + "/bin", prefix), home + "/Obrazy");
    // Writable for root, which is how an installed copy came to save there.
    EXPECT_EQ(SnapshotPath("/usr/bin", "xyz"), home + "/Obrazy/xyz.bmp");
}

TEST(InstallLocation, IsTheInstallFoldersAndWhatIsBelowThemByWholeComponentsWithLinksResolved) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString prefix = root.filePath("prefix");
    ASSERT_TRUE(QDir().mkpath(prefix + "/bin"));
    ASSERT_TRUE(QDir().mkpath(root.filePath("prefixes")));
    for (const QString& folder : {QString("/usr"), QString("/usr/bin"), QString("/usr/local/bin/"),
                                  QString("/opt/tarnolix/bin"), QString("/bin"), prefix, prefix + "/bin"})
        EXPECT_TRUE(IsInstallLocation(folder, prefix)) << folder.toStdString();
    for (const QString& folder :
         {QString("/usrlocal"), QString("/optics/bin"), QString("/binaries"),
          QString("/home/ala/tarnolix/build"), root.filePath("prefixes"), root.path()})
        EXPECT_FALSE(IsInstallLocation(folder, prefix)) << folder.toStdString();
    EXPECT_FALSE(IsInstallLocation(prefix + "/bin", ""));

    ASSERT_TRUE(QFile::link("/usr/bin", root.filePath("to-usr-bin")));
    EXPECT_TRUE(IsInstallLocation(root.filePath("to-usr-bin"), ""));
    ASSERT_TRUE(QFile::link(root.filePath("prefixes"), prefix + "/bin/to-prefixes"));
    EXPECT_FALSE(IsInstallLocation(prefix + "/bin/to-prefixes", prefix));
}

TEST_F(SnapshotFolder, AMissingSubFolderOfThePicturesFolderFailsNamingThePathTried) {
    SetPicturesFolder("$HOME/Obrazy");
    const QString path = SnapshotPath(ReadOnlyProgramFolder(), "x/y");
    ASSERT_EQ(path, home + "/Obrazy/x/y.bmp");
    try {
        SaveSmallPicture(path);
        FAIL() << "a missing sub-folder is not created";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + path.toStdString());
    }
    EXPECT_FALSE(QFileInfo::exists(home + "/Obrazy/x"));

    ASSERT_TRUE(QDir().mkpath(home + "/Obrazy/x")); // an existing sub-folder is used
    SaveSmallPicture(path);
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST_F(SnapshotFolder, APicturesFolderThatCannotBeMadeLeavesTheHomeFolder) {
    QFile blocker(home + "/plik");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where a folder would have to be
    blocker.close();
    SetPicturesFolder("$HOME/plik/Obrazy");
    EXPECT_EQ(SnapshotPath(ReadOnlyProgramFolder(), "xyz"), home + "/xyz.bmp");
}

} // namespace
