#include "DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <string>

namespace {
std::mutex& SinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

PlatformDebugSink& Sink()
{
    static PlatformDebugSink sink;
    return sink;
}

bool StderrWanted()
{
    static const bool wanted = std::getenv("ZENDRIX_DEBUG") != nullptr;
    return wanted;
}
}  // namespace

void PlatformDebugOutput(const char* text)
{
    if (text == nullptr) {
        return;
    }
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(text);
    } else if (StderrWanted()) {
        std::fputs(text, stderr);
    }
}

void PlatformDebugOutputW(const wchar_t* text)
{
    if (text == nullptr) {
        return;
    }
    // Wide text is written as UTF-8, character by character, so that the
    // channel does not depend on the process locale.
    std::string narrow;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        auto c = static_cast<char32_t>(*p);
        if (c < 0x80) {
            narrow += static_cast<char>(c);
        } else if (c < 0x800) {
            narrow += static_cast<char>(0xC0 | (c >> 6));
            narrow += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            narrow += static_cast<char>(0xE0 | (c >> 12));
            narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            narrow += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x110000) {
            narrow += static_cast<char>(0xF0 | (c >> 18));
            narrow += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            narrow += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    PlatformDebugOutput(narrow.c_str());
}

void PlatformSetDebugSink(PlatformDebugSink sink)
{
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}
