// Text between the toolkit's UTF-8 and the UTF-16 of the Windows calls.
#pragma once

#include <string>
#include <string_view>

namespace tk::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace tk::win32
