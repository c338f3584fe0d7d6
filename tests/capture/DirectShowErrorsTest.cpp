#include "capture/DirectShowErrors.h"

#include "platform/media/core/ErrorText.h"
#include "platform/runtime/ModuleLoader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class DirectShowErrors : public ::testing::Test {
protected:
    void SetUp() override { RegisterQuartzModule(); }
    void TearDown() override { RegisterQuartzModule(); }
};

std::string MessageOf(HRESULT result) {
    try {
        CheckDirectShowResult(result);
    } catch (const EDirectShowException& e) {
        EXPECT_EQ(e.ErrorCode(), result);
        return e.Message();
    }
    return "(no error)";
}

TEST_F(DirectShowErrors, SuccessCodesPassThrough) {
    EXPECT_EQ(CheckDirectShowResult(S_OK), S_OK);
    EXPECT_EQ(CheckDirectShowResult(S_FALSE), S_FALSE);
    EXPECT_EQ(CheckDirectShowResult(0x00040103), 0x00040103);
}

TEST_F(DirectShowErrors, FailuresCarryTheTextAndTheCodeInHexadecimal) {
    EXPECT_EQ(MessageOf(VFW_E_NOT_CONNECTED),
              "Nie można wykonać operacji, ponieważ styki nie są połączone. ($80040209).");
    EXPECT_EQ(MessageOf(E_FAIL), "Nieokreślony błąd ($80004005).");
    EXPECT_EQ(MessageOf(static_cast<HRESULT>(0x8BADF00D)), " ($8BADF00D).") << "a code without a text";
}

TEST_F(DirectShowErrors, AMissingLibraryOrFunctionGivesAnEmptyText) {
    UnregisterModule("quartz.dll");
    EXPECT_EQ(MessageOf(E_FAIL), " ($80004005).");
    RegisterModule("QUARTZ.DLL", {{"AMGetErrorTextA", reinterpret_cast<void*>(&AMGetErrorTextA)}});
    EXPECT_EQ(DirectShowErrorText(E_FAIL), "") << "the wide function is missing";
    RegisterQuartzModule();
    EXPECT_EQ(DirectShowErrorText(E_FAIL), "Nieokreślony błąd");
}

TEST(ErrorText, CutsAtWholeCharacters) {
    char buffer[8];
    // "Nieokreślony": 'ś' takes two bytes and does not fit after "Nieokre" in 7 bytes + NUL.
    EXPECT_EQ(AMGetErrorTextA(E_FAIL, buffer, 8), 7u);
    EXPECT_STREQ(buffer, "Nieokre");
    char wider[10];
    EXPECT_EQ(AMGetErrorTextA(E_FAIL, wider, 10), 8u) << "nine bytes and the NUL";
    EXPECT_STREQ(wider, "Nieokreś");
    char16_t wide[4];
    EXPECT_EQ(AMGetErrorTextW(E_FAIL, wide, 4), 3u);
    EXPECT_EQ(std::u16string(wide), u"Nie");
    EXPECT_EQ(AMGetErrorTextA(E_FAIL, buffer, 0), 0u);
    EXPECT_EQ(AMGetErrorTextA(S_OK, buffer, 8), 0u);
}

} // namespace
