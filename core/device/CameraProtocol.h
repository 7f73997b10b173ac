#pragma once
#include "ZxExport.h"

#include <cstdint>
#include <string>

// The protocol the program speaks with a listed camera: the family's own
// (raw-frame discovery, the device SDK) or ONVIF (WS-Discovery, SOAP).
enum class CameraProtocol : std::uint8_t
{
    Family,
    Onvif,
};

// What a list shows of a camera's protocols: the one the program speaks with
// it, and for a family camera whether it answered WS-Discovery as well.
struct ProtocolMark
{
    CameraProtocol protocol = CameraProtocol::Family;
    bool alsoOnvif = false;

    bool operator==(const ProtocolMark&) const = default;
};

// True when the camera speaks that protocol (a family camera that also
// answered WS-Discovery speaks both).
ZX_EXPORT bool SpeaksProtocol(ProtocolMark mark, CameraProtocol protocol);

// The protocol column's text in the current language: "Family", "ONVIF" or
// "Family, ONVIF".
ZX_EXPORT std::wstring ProtocolText(ProtocolMark mark);
// The same as a plain ASCII word for scripts: "family", "onvif" or
// "family+onvif".
ZX_EXPORT std::string ProtocolWord(ProtocolMark mark);

// Which cameras a command works on: --protocol family|onvif|all.
enum class ProtocolChoice : std::uint8_t
{
    All,
    Family,
    Onvif,
};

// False for a word that is none of "family", "onvif", "all".
ZX_EXPORT bool ParseProtocolChoice(const std::string& word, ProtocolChoice& choice);
// A camera that speaks both protocols is chosen by either.
ZX_EXPORT bool ChoiceTakes(ProtocolChoice choice, ProtocolMark mark);
