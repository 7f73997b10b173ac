// Feeds arbitrary bytes to the INI reader as a language or settings file:
// parsing and lookups must never fail, the file lookup must agree with the
// parsed document, and a value written into any file must read back as written.
#include "IniFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {
const std::string& ScratchFile()
{
    // Memory-backed when the system has it: the replay test writes this file
    // tens of thousands of times.
    std::error_code ec;
    static const std::string folder = std::filesystem::is_directory("/dev/shm", ec)
                                          ? "/dev/shm"
                                          : std::filesystem::temp_directory_path(ec).string();
    static const std::string path = folder + "/zx_ini_fuzz_" + std::to_string(::getpid()) + ".ini";
    return path;
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "ini fuzzer: %s\n", what);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IniDocument doc = IniParse(bytes);
    for (const IniLine& line : doc.lines) {
        Check(line.byteBegin <= line.byteEnd && line.byteEnd <= size, "line outside the input");
    }
    std::wstring named = L"x";
    if (!doc.lines.empty()) {
        // A section and key named after the input's own first line.
        named = doc.lines.front().text;
    }

    {
        std::FILE* f = std::fopen(ScratchFile().c_str(), "wb");
        if (f == nullptr) {
            return 0;
        }
        if (size > 0) {
            std::fwrite(data, 1, size, f);
        }
        std::fclose(f);
    }
    // The file scan that lookups use finds what the parsed document holds.
    for (const auto& [section, key] : {std::pair<std::wstring, std::wstring>{L"LANGUAGE", L"Language"},
                                       {L"PROMPT", L"20030"},
                                       {named, named}}) {
        Check(IniReadValue(ScratchFile(), section, key) == IniFindValue(doc, section, key),
              "file lookup and document lookup differ");
    }
    if (IniWriteValue(ScratchFile(), L"Main", L"Language", L"2052")) {
        Check(IniReadValue(ScratchFile(), L"Main", L"Language") == std::wstring(L"2052"),
              "a written value does not read back");
        Check(IniReadInt(ScratchFile(), L"main", L"LANGUAGE", -1) == 2052,
              "a written number does not read back");
    }
    std::remove(ScratchFile().c_str());
    return 0;
}
