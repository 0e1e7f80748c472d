#include "model/file_names.hpp"

namespace meridian {

std::string step_suffix(std::int32_t number, StepNames names) {
  // '1' for 1 on along the character codes, up to '~' for 78; beyond, where
  // the character would not be printable, the decimal number.
  if (names == StepNames::characters && number >= 1 && number <= 78) {
    return std::string(1, static_cast<char>('0' + number));
  }
  return std::to_string(number);
}

}  // namespace meridian
