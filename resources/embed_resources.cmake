# Writes OUT, a C++ source holding every file under SOURCE_DIR/icons,
# bitmaps and sounds as a byte array, and tk::FindEmbeddedResource over them.
# Run by resources/CMakeLists.txt at build time: cmake -DSOURCE_DIR=... -DOUT=... -P
cmake_minimum_required(VERSION 3.25)

set(kinds icons Icon ico bitmaps Bitmap bmp sounds Sound wav)
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 sixteen)
set(arrays "")
set(table "")
set(count 0)
while(kinds)
  list(POP_FRONT kinds folder type ext)
  file(GLOB files "${SOURCE_DIR}/${folder}/*.${ext}")
  set(entries "")
  foreach(path IN LISTS files)
    get_filename_component(id "${path}" NAME_WE)
    if(NOT id MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${path}: a resource file is named by its number")
    endif()
    # Sort by number, not by name: pad to a fixed width for the sort.
    string(LENGTH "${id}" len)
    math(EXPR pad "10 - ${len}")
    string(REPEAT "0" ${pad} zeros)
    list(APPEND entries "${zeros}${id}|${path}")
  endforeach()
  list(SORT entries)
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 1 path)
    get_filename_component(id "${path}" NAME_WE)
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Sixteen bytes a line keeps the file readable.
    string(REGEX REPLACE "(${sixteen})" "\\1\n    " bytes "${bytes}")
    string(REGEX REPLACE "\n    $" "" bytes "${bytes}")
    set(name "k${type}${id}")
    string(APPEND arrays "// ${folder}/${id}.${ext}\nconst uint8_t ${name}[${size}] = {\n    ${bytes}\n};\n\n")
    string(APPEND table "    {ResourceType::${type}, ${id}, ${name}, ${size}},\n")
    math(EXPR count "${count} + 1")
  endforeach()
endwhile()
if(count EQUAL 0)
  set(table "    {ResourceType::Icon, -1, nullptr, 0},\n")
endif()

set(source "// Generated from resources/ by resources/embed_resources.cmake; do not edit.
#include <cstddef>
#include <cstdint>

#include \"toolkit/resources.h\"

namespace tk {
namespace {

${arrays}struct Entry {
  ResourceType type;
  int id;
  const uint8_t* data;
  size_t size;
};

// Ordered by type, then by number.
const Entry kEntries[] = {
${table}};

}  // namespace

std::span<const uint8_t> FindEmbeddedResource(ResourceType type, int id) {
  for (const Entry& e : kEntries)
    if (e.type == type && e.id == id && e.data) return {e.data, e.size};
  return {};
}

}  // namespace tk
")
file(WRITE "${OUT}" "${source}")
