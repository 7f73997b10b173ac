#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <string>
#include <vector>

// The network settings form as typed, and the checks Modify runs on it.

enum class FormField
{
    None,
    User,
    Password,
    Name,
    Ip,
    Port,
    Netmask,
    Gateway,
    Dns
};

struct NetworkForm
{
    std::wstring user;
    std::wstring password;
    std::wstring name; // used in single mode only
    std::wstring ip;
    std::wstring port;
    std::wstring netmask;
    std::wstring gateway;
    std::wstring dns;
    bool singleMode = true;
};

// The first failed check: the message key with its English text and the box
// that gets the focus (None for the login boxes of the main window). key 0
// means the form passed.
struct FormProblem
{
    unsigned key = 0;
    const wchar_t* defaultText = L"";
    FormField field = FormField::None;
};

// Checks in the order the operator is told about them: user, password, name
// (single mode), IP, netmask, gateway, port, DNS. Blanks around every box
// are ignored.
ZX_EXPORT FormProblem CheckNetworkForm(const NetworkForm& form);

// The change request for one camera: identity from the camera, settings from
// the form, ip as given. The name comes from the form in single mode and is
// the camera's own in multi mode. Texts pass through the narrow converter as
// every text for the discovery library does.
ZX_EXPORT tagVtIpcInfo BuildModifyRequest(const tagVtIpcInfo& camera, const NetworkForm& form,
                                          const std::string& ip);

// True when the form would change nothing on the camera (IP, netmask,
// gateway and DNS without regard to case, the port as a number, the name
// byte for byte).
ZX_EXPORT bool FormMatchesCamera(const tagVtIpcInfo& camera, const NetworkForm& form);

// A checked address text as the discovery library takes it: ASCII, any other
// character as "?".
ZX_EXPORT std::string ToAnsi(const std::wstring& text);
