#pragma once
#include "ZxExport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The image files of an OEM upload: the page's "Image Files:" box holds their
// paths separated by "*". Paths here are the file system's bytes (UTF-8).

inline constexpr std::uint64_t kMaxOemImageBytes = 2 * 1024 * 1024; // a file this big or bigger is refused
inline constexpr std::size_t kMaxOemImages = 10;
inline constexpr std::size_t kMaxOemImageListChars = 2599; // what the box holds
inline constexpr char kOemImageSeparator = '*';

// The files a Browse choice puts in the list, in the order chosen: files of
// 2 MiB or more are skipped without a word and do not count towards the ten
// kept; so are paths that are no readable regular file, paths holding the
// separator, and a path that would no longer fit the box.
ZX_EXPORT std::vector<std::string> ChooseOemImages(const std::vector<std::string>& chosen);

ZX_EXPORT std::string JoinOemImageList(const std::vector<std::string>& paths);
// The paths of a list as typed: split at every "*", blanks around each part
// removed, empty parts left out.
ZX_EXPORT std::vector<std::string> SplitOemImageList(const std::string& text);

// Why a list cannot be uploaded, checked before any camera is touched.
struct OemImageProblem
{
    // 0: fine; 90034 "File name is invalid." for a path that is no readable
    // file or whose name the camera would store over vtoem.cfg or over an
    // earlier image; 90013 "File size is too big." for 2 MiB or more.
    unsigned key = 0;
    std::string path; // the path at fault
};
ZX_EXPORT OemImageProblem CheckOemImages(const std::vector<std::string>& paths);

// The last path component, the name the camera stores the file under.
ZX_EXPORT std::string OemStoredName(const std::string& path);
