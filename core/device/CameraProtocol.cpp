#include "CameraProtocol.h"

#include "LangTable.h"

bool SpeaksProtocol(ProtocolMark mark, CameraProtocol protocol)
{
    return mark.protocol == protocol || (protocol == CameraProtocol::Onvif && mark.alsoOnvif);
}

std::wstring ProtocolText(ProtocolMark mark)
{
    const std::wstring onvif = LangText(20042, L"ONVIF");
    if (mark.protocol == CameraProtocol::Onvif) {
        return onvif;
    }
    const std::wstring family = LangText(20041, L"Family");
    return mark.alsoOnvif ? family + L", " + onvif : family;
}

std::string ProtocolWord(ProtocolMark mark)
{
    if (mark.protocol == CameraProtocol::Onvif) {
        return "onvif";
    }
    return mark.alsoOnvif ? "family+onvif" : "family";
}

bool ParseProtocolChoice(const std::string& word, ProtocolChoice& choice)
{
    if (word == "all") {
        choice = ProtocolChoice::All;
    } else if (word == "family") {
        choice = ProtocolChoice::Family;
    } else if (word == "onvif") {
        choice = ProtocolChoice::Onvif;
    } else {
        return false;
    }
    return true;
}

bool ChoiceTakes(ProtocolChoice choice, ProtocolMark mark)
{
    switch (choice) {
    case ProtocolChoice::Family:
        return SpeaksProtocol(mark, CameraProtocol::Family);
    case ProtocolChoice::Onvif:
        return SpeaksProtocol(mark, CameraProtocol::Onvif);
    case ProtocolChoice::All:
        break;
    }
    return true;
}
