#pragma once
// The answer with which a file download leaves a camera.
#include <string>

namespace httplib {
struct Response;
}

namespace camsim {

// Answers `bytes` as a file. With `breakHalfway` (the broken-download fault)
// the answer promises the whole file and hangs up after half of it.
void AnswerFile(httplib::Response& res, std::string bytes, const char* contentType, bool breakHalfway);

} // namespace camsim
