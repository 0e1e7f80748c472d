#include "driver/terminal.hpp"

#include <unistd.h>

namespace meridian {

// Platform-specific: POSIX isatty on descriptor 2; to move behind the platform
// interface.
bool standard_error_is_terminal() { return ::isatty(2) == 1; }

}  // namespace meridian
