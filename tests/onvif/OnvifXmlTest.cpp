#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/mman.h>

#include "OnvifXml.h"

namespace {

// Counts what pugixml holds at its peak: every byte it allocates goes
// through these functions while a test has them installed.
std::size_t g_current = 0;
std::size_t g_peak = 0;

void* CountingAllocate(std::size_t size)
{
    auto* block = static_cast<std::size_t*>(std::malloc(size + 16));
    if (block == nullptr) {
        return nullptr;
    }
    *block = size;
    g_current += size;
    g_peak = std::max(g_peak, g_current);
    return reinterpret_cast<char*>(block) + 16;
}

void CountingDeallocate(void* pointer)
{
    if (pointer == nullptr) {
        return;
    }
    auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(pointer) - 16);
    g_current -= *block;
    std::free(block);
}

struct Refusal {
    onvif::XmlStatus status;
    std::size_t peakBytes;
};

Refusal ParseCounted(std::string_view bytes, const onvif::XmlLimits& limits = {})
{
    pugi::set_memory_management_functions(CountingAllocate, CountingDeallocate);
    g_current = 0;
    g_peak = 0;
    Refusal refusal{};
    {
        pugi::xml_document document;
        const auto start = std::chrono::steady_clock::now();
        refusal.status = onvif::ParseBounded(bytes, document, limits);
        const auto spent = std::chrono::steady_clock::now() - start;
        std::cout << "  '" << onvif::XmlStatusText(refusal.status) << "' after "
                  << std::chrono::duration_cast<std::chrono::microseconds>(spent).count() << " us\n";
    }
    refusal.peakBytes = g_peak;
    pugi::set_memory_management_functions(std::malloc, std::free);
    return refusal;
}

std::string Nested(std::size_t depth)
{
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) {
        text += "<a>";
    }
    for (std::size_t i = 0; i < depth; ++i) {
        text += "</a>";
    }
    return text;
}

constexpr std::size_t kMemoryBound = 16u * 1024u * 1024u;

} // namespace

// The hostile documents a camera or a fake on the segment could send: each is
// refused, and pugixml never holds more than 16 MiB on the way.
TEST(OnvifXmlTest, HostileDocumentsAreRefusedWithinBoundedMemory)
{
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
        "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
        "<!ENTITY lol9 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">]><lolz>&lol9;</lolz>";
    Refusal refusal = ParseCounted(laughs);
    EXPECT_EQ(refusal.status, onvif::XmlStatus::Doctype);
    EXPECT_LT(refusal.peakBytes, kMemoryBound);

    const std::string external = "<?xml version=\"1.0\"?><!doctype r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                                 "<s:Envelope xmlns:s=\"x\"><s:Body>&x;</s:Body></s:Envelope>";
    EXPECT_EQ(ParseCounted(external).status, onvif::XmlStatus::Doctype);

    // A 1 GiB answer: mapped but never touched, so the test itself stays small.
    constexpr std::size_t kGiB = 1u << 30;
    void* huge = ::mmap(nullptr, kGiB, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(huge, MAP_FAILED);
    refusal = ParseCounted(std::string_view(static_cast<const char*>(huge), kGiB));
    ::munmap(huge, kGiB);
    EXPECT_EQ(refusal.status, onvif::XmlStatus::TooLarge);
    EXPECT_EQ(refusal.peakBytes, 0u);

    // 100 000-deep nesting: too many tags before parsing; with the tag limit
    // lifted, the depth check after parsing refuses it, without recursion.
    const std::string deep = Nested(100000);
    refusal = ParseCounted(deep);
    EXPECT_EQ(refusal.status, onvif::XmlStatus::TooManyNodes);
    onvif::XmlLimits lifted;
    lifted.maxTags = 1000000;
    refusal = ParseCounted(deep, lifted);
    EXPECT_EQ(refusal.status, onvif::XmlStatus::TooDeep);
    EXPECT_LT(refusal.peakBytes, kMemoryBound);

    // 16 MiB of attributes would cost pugixml far more than 16 MiB.
    std::string attributes = "<a";
    while (attributes.size() < 8u * 1024u * 1024u) {
        attributes += " b=\"\"";
    }
    attributes += "/>";
    EXPECT_EQ(ParseCounted(attributes).status, onvif::XmlStatus::TooManyNodes);

    // The limits are exact: 64 levels pass, 65 do not.
    EXPECT_EQ(ParseCounted(Nested(64)).status, onvif::XmlStatus::Ok);
    EXPECT_EQ(ParseCounted(Nested(65)).status, onvif::XmlStatus::TooDeep);
    EXPECT_EQ(ParseCounted("<a><b></a>").status, onvif::XmlStatus::Malformed);
}

TEST(OnvifXmlTest, LookupIgnoresPrefixesAndCapsText)
{
    pugi::xml_document document;
    ASSERT_EQ(onvif::ParseBounded("<env:Envelope xmlns:env=\"e\"><env:Body><x:R xmlns:x=\"r\" x:token=\"t1\">"
                                  "<x:Name>  cam &amp; one </x:Name><Deep><Deeper><x:Name>two</x:Name></Deeper></Deep>"
                                  "</x:R></env:Body></env:Envelope>",
                                  document),
              onvif::XmlStatus::Ok);
    const pugi::xml_node reply = onvif::Path(document.document_element(), {"Body", "R"});
    ASSERT_TRUE(reply);
    EXPECT_STREQ(onvif::Attribute(reply, "token").value(), "t1");
    std::string text;
    EXPECT_TRUE(onvif::TextOf(onvif::Child(reply, "Name"), 64, text));
    EXPECT_EQ(text, "cam & one");
    EXPECT_FALSE(onvif::TextOf(onvif::Child(reply, "Name"), 4, text));
    EXPECT_EQ(onvif::TextCut(onvif::Child(reply, "Name"), 3), "cam");
    EXPECT_EQ(onvif::TextCut(onvif::Descendant(onvif::Child(reply, "Deep"), "Name"), 64), "two");
    EXPECT_FALSE(onvif::Descendant(onvif::Child(reply, "Deep"), "Missing"));
}
