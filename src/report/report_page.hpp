#pragma once
// The page of report.html as the build assembles it from web/report/: the
// template with its style, its script and the vendored three.js inlined. The
// run's data goes where the page holds the placeholder report_data_marker.

#include <string_view>

namespace meridian {

inline constexpr std::string_view report_data_marker = "@REPORT_DATA@";

// The whole page (generated at build time).
std::string_view report_page();

}  // namespace meridian
