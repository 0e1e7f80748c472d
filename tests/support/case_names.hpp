#pragma once
// Table-driven tests name their cases: a case struct with a `name` member is
// printed by that name (not by the bytes of the object), and CaseName gives
// INSTANTIATE_TEST_SUITE_P the same name. A test file brings the printer into
// the namespace of its case structs with `using testing::PrintTo;`, where
// GoogleTest looks for it.

#include <ostream>
#include <string>
#include <string_view>

namespace meridian::testing {

template <class Case>
  requires requires(const Case& c) { std::string_view(c.name); }
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

struct CaseName {
  template <class Info>
  std::string operator()(const Info& info) const {
    return std::string(info.param.name);
  }
};

}  // namespace meridian::testing
