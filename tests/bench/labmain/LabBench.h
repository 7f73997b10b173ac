#pragma once
// The lab a benchmark runs in. The benchmark program's main creates the lab
// and enters its workstation namespace before any benchmark (or thread) starts.
#include "Lab.h"

namespace labbench {

labkit::Lab& TheLab();

// A round that went wrong is a fault, not a slow figure: the program then
// exits non-zero so that the run fails.
void MarkFailed();

} // namespace labbench
