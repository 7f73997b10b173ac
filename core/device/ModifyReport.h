#pragma once
#include "PanelLine.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <string>
#include <vector>

// The operation-panel lines that a camera's modify reply produces.

struct ModifyLabels
{
    std::wstring modify = L"Modify";
    std::wstring deviceName = L"Device Name:";
    std::wstring ip = L"IP:";
    std::wstring port = L"Port:";
    std::wstring netmask = L"Netmask:";
    std::wstring gateway = L"Gateway:";
    std::wstring dns = L"DNS:";
    std::wstring success = L"successfully.";
};

// The labels in the current language.
ZX_EXPORT ModifyLabels CurrentModifyLabels();

// Compares the camera's settings before and after a change field by field.
// One stamped line names each changed field as old->new; after three changes
// among name, IP and netmask, a gateway or DNS change goes on a second line
// that starts with 32 blanks. No line when nothing changed. Each line is at
// most 519 characters.
ZX_EXPORT std::vector<PanelLine> BuildModifyReport(const tagVtIpcInfo& before, const tagVtIpcInfo& after,
                                                   const ModifyLabels& labels);

// "[AA:BB:CC:DD:EE:FF] <text of 83000>", stamped: a change the camera refused or never answered.
ZX_EXPORT PanelLine BuildModifyFailure(const tagVtIpcInfo& request);
