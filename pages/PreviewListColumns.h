#pragma once
#include "DeviceListBinding.h"

// The preview page's device list: number, name, MAC, address and model, one
// camera selected at a time (no tick boxes), sorted by address at first.
DeviceListSpec PreviewListColumns();
