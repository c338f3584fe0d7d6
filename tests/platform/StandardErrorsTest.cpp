#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

template <typename Raise> std::pair<std::string, std::string> Caught(Raise raise) {
    try {
        raise();
    } catch (const Exception& e) {
        return {e.ClassName(), e.Message()};
    }
    return {};
}

TEST(StandardErrors, CarryTheirFixedTexts) {
    EXPECT_EQ(Caught([] { RaiseListIndexError(5); }),
              (std::pair<std::string, std::string>{"EListError", "List index out of bounds (5)"}));
    EXPECT_EQ(Caught([] { RaiseReadError(); }).second, "Stream read error");
    EXPECT_EQ(Caught([] { RaiseWriteError(); }).second, "Stream write error");
    EXPECT_EQ(Caught([] { RaiseCreateFileError("/x/a.bmp"); }).second, "Cannot create file /x/a.bmp");
    EXPECT_EQ(Caught([] { RaiseOpenFileError("b.jpg"); }).second, "Cannot open file b.jpg");
    EXPECT_EQ(Caught([] { RaiseInvalidBitmap(); }),
              (std::pair<std::string, std::string>{"EInvalidGraphic", "Bitmap image is not valid"}));
    EXPECT_EQ(Caught([] { RaiseAssertion(); }).second, "Assertion failure");
    EXPECT_EQ(Caught([] { RaiseInterfaceCastError(); }).second, "Interface not supported");
}

TEST(StandardErrors, OSErrorNamesCodeAndSystemText) {
    try {
        RaiseOSError(ENOENT);
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), ENOENT);
        EXPECT_EQ(e.Message(), "System Error.  Code: 2.\r\nNo such file or directory");
    }
}

} // namespace
