#include "stylesheets/catalogue.h"

namespace {

constexpr tk::Color kWhite = tk::Rgb(255, 255, 255), kBlack = tk::Rgb(0, 0, 0);

constexpr StyleSheetEntry kSheets[] = {
    {"Classic", 8, 10, 4, true, 7, kWhite},      {"Las Vegas", 8, 8, 4, true, 5, kWhite},
    {"Flat Screen", 10, 10, 4, true, 5, kWhite}, {"Newspaper", 10, 10, 1, false, 8, kBlack},
    {"Wood", 10, 10, 1, false, 6, kBlack},
};

}  // namespace

const StyleSheetEntry* FindStyleSheet(int16_t sheet) {
  return sheet >= 0 && sheet < 5 ? &kSheets[sheet] : nullptr;
}
