// How long the bounded parser takes to refuse what a hostile camera sends
// (goal: each within 100 ms), and to read a typical answer for reference.
#include <benchmark/benchmark.h>

#include <string>
#include <sys/mman.h>

#include "OnvifXml.h"

namespace {

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

void Refuse(benchmark::State& state, const std::string& document, onvif::XmlStatus expected)
{
    pugi::xml_document parsed;
    for (auto _ : state) {
        if (onvif::ParseBounded(document, parsed) != expected) {
            state.SkipWithError("not refused as expected");
            return;
        }
    }
}

void BillionLaughs(benchmark::State& state)
{
    Refuse(state,
           "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;\">]>"
           "<lolz>&lol2;</lolz>",
           onvif::XmlStatus::Doctype);
}

void Nesting100000(benchmark::State& state)
{
    Refuse(state, Nested(100000), onvif::XmlStatus::TooManyNodes);
}

void Nesting65OfAFullAnswer(benchmark::State& state)
{
    Refuse(state, Nested(65), onvif::XmlStatus::TooDeep);
}

// 16 MiB of attribute-like text: the largest input that is scanned at all.
void SixteenMiBScanned(benchmark::State& state)
{
    std::string document = "<a";
    while (document.size() < 16u * 1024u * 1024u - 8) {
        document += " b=\"\"";
    }
    document += "/>";
    Refuse(state, document, onvif::XmlStatus::TooManyNodes);
}

void OneGiBAnswer(benchmark::State& state)
{
    constexpr std::size_t kGiB = 1u << 30;
    void* huge = ::mmap(nullptr, kGiB, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    pugi::xml_document parsed;
    for (auto _ : state) {
        if (onvif::ParseBounded(std::string_view(static_cast<const char*>(huge), kGiB), parsed) !=
            onvif::XmlStatus::TooLarge) {
            state.SkipWithError("not refused as too large");
            break;
        }
    }
    ::munmap(huge, kGiB);
}

void TypicalAnswer(benchmark::State& state)
{
    std::string answer = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>"
                         "<tds:GetNetworkInterfacesResponse xmlns:tds=\"d\" xmlns:tt=\"t\">";
    for (int i = 0; i < 4; ++i) {
        answer += "<tds:NetworkInterfaces token=\"eth" + std::to_string(i) +
                  "\"><tt:Enabled>true</tt:Enabled><tt:Info><tt:Name>eth0</tt:Name><tt:HwAddress>00:11:22:33:44:55"
                  "</tt:HwAddress></tt:Info><tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config><tt:Manual><tt:Address>"
                  "192.168.1.64</tt:Address><tt:PrefixLength>24</tt:PrefixLength></tt:Manual><tt:DHCP>false"
                  "</tt:DHCP></tt:Config></tt:IPv4></tds:NetworkInterfaces>";
    }
    answer += "</tds:GetNetworkInterfacesResponse></s:Body></s:Envelope>";
    Refuse(state, answer, onvif::XmlStatus::Ok);
}

} // namespace

BENCHMARK(BillionLaughs);
BENCHMARK(Nesting100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Nesting65OfAFullAnswer);
BENCHMARK(SixteenMiBScanned)->Unit(benchmark::kMillisecond);
BENCHMARK(OneGiBAnswer);
BENCHMARK(TypicalAnswer)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
