// File names cross in X-Vt-File-Name: what the SDK encodes, the camera
// decodes to the same bytes, whatever the workstation's locale.
#include "PercentEncoding.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

TEST(FileNameEncodingTest, EveryByteComesBackAsItWas)
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    for (const std::string& name :
         {std::string("VTFImage_15_12.2.0.7.bin"), std::string("logo image+1%.bmp"),
          std::string("record/2026\\x.avi"), std::string("Caf\xC3\xA9 \xE9.cfg"), everyByte}) {
        const std::string encoded = vtwire::PercentEncode(name);
        EXPECT_EQ(
            encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.-_~%"),
            std::string::npos)
            << "a header value must stay plain ASCII";
        EXPECT_EQ(vtwire::PercentDecode(encoded), name);
    }
    EXPECT_EQ(vtwire::PercentEncode("a b/c"), "a%20b%2Fc");
}

TEST(FileNameEncodingTest, TheLocaleDoesNotChangeTheEncoding)
{
    const std::string before = vtwire::PercentEncode("\xE9t\xE9.bin");
    if (std::setlocale(LC_ALL, "C.UTF-8") != nullptr) {
        EXPECT_EQ(vtwire::PercentEncode("\xE9t\xE9.bin"), before);
        std::setlocale(LC_ALL, "C");
    }
    EXPECT_EQ(before, "%E9t%E9.bin");
}

} // namespace
