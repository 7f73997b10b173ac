#pragma once
#include "ZxExport.h"

#include <QString>

// The two orders of the sortable device list, as sort keys.

// Address order: a dotted IPv4 text by its four numbers, the first
// difference deciding; a part that cannot be read counts as 0.
ZX_EXPORT quint32 AddressSortKey(const QString& text);
// Text order: the text trimmed and upper-cased; keys compare by the locale's rules.
ZX_EXPORT QString TextSortKey(const QString& text);
