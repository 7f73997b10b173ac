#include "PanelLine.h"

#include "LangKeys.h"
#include "LangTable.h"
#include "MacText.h"

PanelLine MacLine(const unsigned char* mac, unsigned key)
{
    const wchar_t* english = LangDefaultText(key);
    return {MacPrefix(mac) + L" " + LangText(key, english != nullptr ? english : L""), true};
}
