#pragma once
// What the system the tests run on has, for the few tests of behaviour that
// exists on POSIX systems only; each skips itself elsewhere, saying why.

namespace meridian::testing {

// POSIX permission bits and symbolic links a user may make (Windows has
// access lists, and links only with a privilege).
#if defined(_WIN32)
inline constexpr bool has_permission_bits_and_links = false;
#else
inline constexpr bool has_permission_bits_and_links = true;
#endif

// A file another process holds open can be renamed over (Windows refuses
// that; a new analysis there rewrites the listing in place instead).
#if defined(_WIN32)
inline constexpr bool renames_over_open_files = false;
#else
inline constexpr bool renames_over_open_files = true;
#endif

}  // namespace meridian::testing
