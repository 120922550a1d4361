// Resources on Windows: the program's pictures and sounds are read from its
// own resource section and put back together as the files they were made
// from, so the portable decoders see exactly what the other platforms see.
#include <set>
#include <string>
#include <vector>

#include "tests/win32/win32_test_support.h"
#include "toolkit/resources.h"
#include "toolkit/win32/win32_resource_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Appends little-endian fields of 2 or 4 bytes.
void Put(Bytes& b, std::initializer_list<uint32_t> values, int bytes = 4) {
  for (uint32_t v : values)
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 40-byte DIB header; `used` palette entries (0: all that the depth has).
Bytes Header40(uint32_t w, uint32_t h, uint32_t bits, uint32_t compression, uint32_t used) {
  Bytes b;
  Put(b, {40, w, h});
  Put(b, {1, bits}, 2);
  Put(b, {compression, 0, 0, 0, used, 0});
  return b;
}

template <class... Pieces>
Bytes Join(Bytes b, const Pieces&... pieces) {
  (b.insert(b.end(), pieces.begin(), pieces.end()), ...);
  return b;
}

// The program's own pictures (below) are 8-bit with a counted palette and
// 24-bit; these are the other layouts a resource may have.
TEST(ResourceFilesTest, BitmapGetsItsFileHeaderBackWithThePixelOffset) {
  Bytes palette256, masks, core;
  for (uint32_t i = 0; i < 256; ++i) Put(palette256, {i == 7 ? 0x00123456u : 0x00555555u});
  Put(masks, {0xFF0000, 0xFF00, 0xFF});
  Put(core, {12});
  Put(core, {2, 1, 1, 1}, 2);  // 2 x 1, one bit per pixel, three bytes a colour
  struct Case {
    const char* what;
    Bytes dib;
    uint32_t offset;  // of the pixels in the file
    std::vector<tk::Argb> pixels;
  } cases[] = {
      {"8 bits, no colours counted",
       Join(Header40(1, 1, 8, 0, 0), palette256, Bytes{7, 0, 0, 0}),
       14 + 40 + 256 * 4,
       {0xFF123456}},
      {"32 bits, masks after the header",
       Join(Header40(1, 1, 32, 3, 0), masks, Bytes{0xEF, 0xCD, 0xAB, 0}),
       14 + 40 + 12,
       {0xFFABCDEF}},
      {"12-byte header",
       Join(core, Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x40, 0, 0, 0}),
       14 + 12 + 6,
       {0xFF332211, 0xFF665544}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = tk::win32::BmpFileFromResource(c.dib);
    ASSERT_EQ(file.size(), 14 + c.dib.size());
    EXPECT_EQ(std::string(file.begin(), file.begin() + 2), "BM");
    EXPECT_EQ(file[10] | file[11] << 8 | file[12] << 16 | uint32_t{file[13]} << 24, c.offset);
    EXPECT_TRUE(std::equal(c.dib.begin(), c.dib.end(), file.begin() + 14));
    tk::Picture p = tk::DecodeBmp(file);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Pixels(), c.pixels);
  }
  // Too short for a header, or for the palette it announces.
  EXPECT_TRUE(tk::win32::BmpFileFromResource(Bytes{1, 2, 3}).empty());
  EXPECT_TRUE(tk::win32::BmpFileFromResource(Header40(1, 1, 8, 0, 200)).empty());
}

// The program's icons (below) show how a whole group is put together.
TEST(ResourceFilesTest, IconGroupNamingAMissingImageIsNoIconAtAll) {
  Bytes group;
  Put(group, {0, 1, 1, 0x1010, 0, 1, 32}, 2);  // one 16 x 16 image
  Put(group, {40});
  Put(group, {7}, 2);
  auto nothing = [](int) { return std::span<const uint8_t>{}; };
  EXPECT_TRUE(tk::win32::IcoFileFromGroup(group, nothing).empty());
}

// One of the program's resources as it is stored; empty when missing.
std::string_view RawResource(const wchar_t* type, int id) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  auto* data = static_cast<const char*>(loaded ? LockResource(loaded) : nullptr);
  return data ? std::string_view(data, SizeofResource(nullptr, found)) : std::string_view();
}

// Version information, and a manifest that asks for real pixels on every
// monitor (Windows 8.1 reads dpiAware, Windows 10 and later dpiAwareness).
TEST(ProgramResourcesTest, VersionInformationAndPerMonitorDpiAwareness) {
  std::wstring_view name = L"Vantoro Lumbravick";
  std::string_view utf16(reinterpret_cast<const char*>(name.data()), name.size() * sizeof(wchar_t));
  std::string_view version = RawResource(MAKEINTRESOURCEW(16), 1);  // RT_VERSION
  EXPECT_NE(version.find(utf16), std::string_view::npos);
  std::string_view manifest = RawResource(MAKEINTRESOURCEW(24), 1);  // RT_MANIFEST
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string_view::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string_view::npos);
}

using ProgramArtworkTest = win32_test::PlatformTest;

// Every picture and sound is in the resource section under its number and
// reads back as the file it was made from (icon 1 with its six images).
TEST_F(ProgramArtworkTest, ResourcesReadBackAsTheFilesTheyWereMadeFrom) {
  if (!LUMBRAVICK_HAS_RESOURCE_SCRIPT) GTEST_SKIP() << "built without resources/lumbravick.rc";
  for (tk::ResourceType type :
       {tk::ResourceType::Icon, tk::ResourceType::Bitmap, tk::ResourceType::Sound}) {
    std::set<int> ids;
    for (int id = 1; id <= 0xFFFF; ++id)
      if (!tk::FindEmbeddedResource(type, id).empty()) ids.insert(id);
    ASSERT_FALSE(ids.empty());
    for (int id : ids) {
      std::span<const uint8_t> file = tk::FindEmbeddedResource(type, id);
      std::span<const uint8_t> rebuilt = platform.ResourceBytes(type, id);
      EXPECT_TRUE(std::equal(file.begin(), file.end(), rebuilt.begin(), rebuilt.end()))
          << "resource " << id << " of type " << static_cast<int>(type) << ": " << rebuilt.size()
          << " bytes for a " << file.size() << "-byte file";
    }
    // Numbers without a resource give nothing, even one that wraps to one in use.
    int missing = 1;
    while (ids.count(missing)) ++missing;
    for (int id : {missing, 0, 0x10000 + *ids.begin()})
      EXPECT_TRUE(platform.ResourceBytes(type, id).empty()) << id;
  }
  // The program's icon, which the windows show, is icon 1.
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);
}

}  // namespace
