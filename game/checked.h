// The game's error convention, made explicit: a statement that cannot be
// carried out is skipped and the procedure goes on with the next one.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

#include "toolkit/controls.h"

namespace game {

// Assigns `value` to an integer field of the state record unless it does not
// fit the field's width; then the field keeps its old value (the statement is
// skipped, as an overflowing assignment would be). True when assigned.
template <class Field>
bool Assign(Field& field, int64_t value) {
  static_assert(std::is_integral_v<Field>);
  if (value < std::numeric_limits<Field>::min() || value > std::numeric_limits<Field>::max())
    return false;
  field = static_cast<Field>(value);
  return true;
}

// Shows a loaded picture; a picture that failed to load leaves the old one.
template <class Target>
void ShowPictureIfLoaded(Target& target, const tk::Picture& picture) {
  if (picture) target.SetPicture(picture);
}

}  // namespace game
