#pragma once
#include "SiteReport.h"
#include "ZxExport.h"

#include <ctime>
#include <string>
#include <vector>

// The site's report as one self-contained HTML page: a header with the count
// of cameras and the date, then one card per camera in the given order, each
// picture inlined, styled for the screen and for paper. Every text a camera
// gave is escaped, and the page lets no script run at all.
ZX_EXPORT std::string ReportHtml(const std::vector<CameraCard>& cards, const std::string& date);

// "YYYY-MM-DD hh:mm" of the local time `when`.
ZX_EXPORT std::string ReportDate(std::time_t when);

// Writes the page to exactly path, whole or not at all (a fresh file beside
// it, renamed over it when complete); false when it could not.
ZX_EXPORT bool WriteReportFile(const std::string& path, const std::string& html);
