#pragma once
#include "ZxExport.h"

// Classifies the running system into the ordinal code that pages test
// (a code of at least 24 selects the modern paths). Every Linux kernel this
// program runs on is a modern system, so it answers 27 and names the kernel
// on the debugger output.
class ZX_EXPORT COsVersion
{
public:
    COsVersion();
    int GetOsCode() const { return m_code; }

private:
    int m_code = 0;
};
