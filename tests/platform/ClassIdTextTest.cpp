#include "platform/com/ClassIdText.h"
#include "platform/com/OleError.h"

#include <gtest/gtest.h>

namespace {

constexpr CLSID kVideoInput{0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

TEST(ClassIdText, BracedFormRoundTrips) {
    CLSID parsed{};
    EXPECT_EQ(CLSIDFromString(u"{860bb310-5d01-11d0-bd3b-00a0c911ce86}", &parsed), S_OK);
    EXPECT_EQ(parsed, kVideoInput);
    EXPECT_EQ(StringFromCLSID(kVideoInput), u"{860BB310-5D01-11D0-BD3B-00A0C911CE86}");
}

TEST(ClassIdText, BadTextAnswersClassStringErrorAndZeroes) {
    for (const char16_t* bad :
         {u"", u"860BB310-5D01-11D0-BD3B-00A0C911CE86", u"{860BB310-5D01-11D0-BD3B-00A0C911CE8}",
          u"{860BB310-5D01-11D0-BD3B-00A0C911CE86} ", u"{860BB310-5D01-11D0-BD3B-00A0C911CE8\u0666}",
          u"Kamera testowa"}) {
        CLSID parsed = kVideoInput;
        EXPECT_EQ(CLSIDFromString(bad, &parsed), CO_E_CLASSSTRING);
        EXPECT_EQ(parsed, GUID_NULL);
    }
    CLSID parsed{};
    EXPECT_EQ(CLSIDFromString(nullptr, &parsed), CO_E_CLASSSTRING);
}

TEST(OleError, CarriesTheSystemsTextAndTheCode) {
    try {
        OleCheck(CO_E_CLASSSTRING);
        FAIL() << "no error raised";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.Message(), "Invalid class string");
        EXPECT_EQ(e.ErrorCode(), CO_E_CLASSSTRING);
        EXPECT_STREQ(e.ClassName(), "EOleSysError");
    }
    EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
    EXPECT_EQ(OleErrorText(REGDB_E_CLASSNOTREG), "Class not registered");
    EXPECT_EQ(OleErrorText(MakeHResult(0x8BADF00D)), "Unknown error 0x8BADF00D");
}

} // namespace
