#pragma once
// Whether standard error is a terminal (the progress line is shown only
// there).
//
// The one call into the system for it, kept in this file until the platform
// layer holds it.

namespace meridian {

bool standard_error_is_terminal();

}  // namespace meridian
