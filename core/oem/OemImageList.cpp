#include "OemImageList.h"

#include "ImageFile.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {
// Characters, not bytes: the box counts what the operator sees.
std::size_t Utf8Length(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
} // namespace

std::vector<std::string> ChooseOemImages(const std::vector<std::string>& chosen)
{
    std::vector<std::string> kept;
    std::size_t length = 0;
    for (const std::string& path : chosen) {
        if (kept.size() == kMaxOemImages) {
            break;
        }
        const auto size = ReadableImageSize(path);
        if (!size || *size >= kMaxOemImageBytes || path.find(kOemImageSeparator) != std::string::npos) {
            continue;
        }
        const std::size_t added = Utf8Length(path) + (kept.empty() ? 0 : 1);
        if (length + added > kMaxOemImageListChars) {
            continue;
        }
        length += added;
        kept.push_back(path);
    }
    return kept;
}

std::string JoinOemImageList(const std::vector<std::string>& paths)
{
    std::string text;
    for (const std::string& path : paths) {
        if (!text.empty()) {
            text += kOemImageSeparator;
        }
        text += path;
    }
    return text;
}

std::vector<std::string> SplitOemImageList(const std::string& text)
{
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(kOemImageSeparator, start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string part = text.substr(start, end - start);
        const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
        part.erase(part.begin(), std::find_if_not(part.begin(), part.end(), blank));
        part.erase(std::find_if_not(part.rbegin(), part.rend(), blank).base(), part.end());
        if (!part.empty()) {
            paths.push_back(std::move(part));
        }
        start = end + 1;
    }
    return paths;
}

std::string OemStoredName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

OemImageProblem CheckOemImages(const std::vector<std::string>& paths)
{
    // The camera keeps files by name: an image called vtoem.cfg would replace
    // the configuration just sent, and a second image of the same name the
    // first, while both were reported as uploaded.
    std::vector<std::string> names{"vtoem.cfg"};
    for (const std::string& path : paths) {
        const auto size = ReadableImageSize(path);
        const std::string name = Lower(OemStoredName(path));
        if (!size || name.empty() || std::find(names.begin(), names.end(), name) != names.end()) {
            return {90034, path};
        }
        if (*size >= kMaxOemImageBytes) {
            return {90013, path};
        }
        names.push_back(name);
    }
    return {};
}
