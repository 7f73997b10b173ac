#pragma once
#include "ZxExport.h"

#include <string>

// One line for the operation panel, the same on its whole way from where it
// is made to the panel (or to the terminal): its text, and whether it is
// stamped with the time it is shown, else a continuation line under the one
// above. Only where it is shown is it formatted (FormatPanelLine).
struct PanelLine
{
    std::wstring text;
    bool stamped = true;
};

// "[AA:BB:CC:DD:EE:FF] <text of key>", stamped: a line about a camera known by
// its hardware address alone, as a change of identity below IP knows it.
ZX_EXPORT PanelLine MacLine(const unsigned char* mac, unsigned key);
