#include "DebugOutput.h"
#include "Utf8Text.h"

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
        PlatformAppendUtf8(narrow, static_cast<char32_t>(*p));
    }
    PlatformDebugOutput(narrow.c_str());
}

void PlatformSetDebugSink(PlatformDebugSink sink)
{
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}
