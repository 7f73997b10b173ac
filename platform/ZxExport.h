#pragma once
// Every target builds with hidden visibility; a symbol that crosses a shared
// library boundary says so with this mark.
#define ZX_EXPORT __attribute__((visibility("default")))
