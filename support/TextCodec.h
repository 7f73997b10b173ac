#pragma once
#include "ZxExport.h"

// Code pages understood by the codec: 0 is the character set of the user's
// locale (LC_ALL / LC_CTYPE / LANG; UTF-8 when that is plain ASCII, as in the
// C locale), 65001 is UTF-8, any other number n is iconv's "CPn" (936, 1252...).
inline constexpr unsigned kCodePageAnsi = 0;
inline constexpr unsigned kCodePageUtf8 = 65001;

// The one converter between wide text (wchar_t, UTF-32 here) and narrow text.
// The functions keep no state, so they may be called through an object or
// directly as CTextCodec::ToWide(...), from any thread.
class ZX_EXPORT CTextCodec
{
public:
    // Converts narrow text in the given code page into out. Returns the count
    // of characters written including the terminator; 0 when nothing was
    // converted: a missing text or output (out, when given, is set empty), an
    // empty text (out set empty), a size below 1 or an unknown code page.
    // Longer results are cut to outChars - 1 characters and terminated.
    // Bytes that are not valid in the code page become U+FFFD.
    static int ToWide(unsigned codePage, const char* text, wchar_t* out, int outChars);

    // Converts wide text into the given code page for the device SDK, the
    // discovery library and the trace file: every backslash and apostrophe is
    // first preceded by a backslash; the escaped copy is cut to outBytes - 1
    // characters, converted, cut to outBytes - 1 bytes (never inside a
    // multi-byte character) and terminated. Returns the count of bytes written
    // including the terminator; 0 (with out set empty when given) for a missing
    // or empty text. Characters the code page cannot hold become '?'.
    static int ToNarrow(unsigned codePage, const wchar_t* text, char* out, int outBytes);

    // The same conversion without the escapes, for texts that must arrive
    // byte for byte as typed: login user names and passwords, which a camera
    // compares with what it keeps.
    static int ToNarrowAsTyped(unsigned codePage, const wchar_t* text, char* out, int outBytes);
};
