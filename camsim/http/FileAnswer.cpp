#include "FileAnswer.h"

#include <httplib.h>

namespace camsim {

void AnswerFile(httplib::Response& res, std::string bytes, const char* contentType, bool breakHalfway)
{
    if (!breakHalfway) {
        res.set_content(std::move(bytes), contentType);
        return;
    }
    const size_t length = bytes.size();
    res.status = 200;
    res.set_content_provider(length, contentType,
                             [bytes = std::move(bytes)](size_t offset, size_t, httplib::DataSink& sink) {
                                 const size_t half = bytes.size() / 2;
                                 return offset < half && sink.write(bytes.data() + offset, half - offset);
                             });
}

} // namespace camsim
