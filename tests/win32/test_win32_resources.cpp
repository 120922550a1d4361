// Resources on Windows: the program's pictures and sounds are read from its
// own resource section and put back together as the files they were made
// from, so the portable decoders see exactly what the other platforms see.
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "tests/win32/win32_test_support.h"
#include "toolkit/resources.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A DIB with a 40-byte header: 8 bits per pixel, `used` palette entries.
Bytes Dib8(int w, int h, uint32_t used, const std::vector<uint32_t>& palette,
           const std::vector<uint8_t>& rows) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(h));
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(rows.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, used);
  Put32(b, 0);
  for (uint32_t c : palette) Put32(b, c);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

TEST(ResourceFilesTest, BitmapGetsItsFileHeaderBackWithThePixelOffset) {
  // 3 x 2, three colours, rows bottom-up padded to four bytes.
  std::vector<uint32_t> palette = {0x00102030, 0x00A0B0C0, 0x00FF0000};
  std::vector<uint8_t> rows = {0, 1, 2, 0, 2, 1, 0, 0};
  Bytes dib = Dib8(3, 2, 3, palette, rows);
  Bytes file = tk::win32::BmpFileFromResource(dib);
  ASSERT_EQ(file.size(), 14 + dib.size());
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  uint32_t offset =
      file[10] | (file[11] << 8) | (file[12] << 16) | (static_cast<uint32_t>(file[13]) << 24);
  EXPECT_EQ(offset, 14u + 40u + 3u * 4u);
  EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14));

  tk::Picture p = tk::DecodeBmp(file);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Width(), 3);
  EXPECT_EQ(p->Height(), 2);
  EXPECT_EQ(p->At(0, 1), 0xFF102030u);  // bottom row first in the file
  EXPECT_EQ(p->At(2, 1), 0xFFFF0000u);
  EXPECT_EQ(p->At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(p->At(1, 0), 0xFFA0B0C0u);
  EXPECT_EQ(p->At(2, 0), 0xFF102030u);

  // A full palette when none is counted.
  std::vector<uint32_t> full(256, 0x00555555);
  full[7] = 0x00123456;
  Bytes dib256 = Dib8(1, 1, 0, full, {7, 0, 0, 0});
  tk::Picture q = tk::DecodeBmp(tk::win32::BmpFileFromResource(dib256));
  ASSERT_TRUE(q);
  EXPECT_EQ(q->At(0, 0), 0xFF123456u);
}

TEST(ResourceFilesTest, TrueColourWithChannelMasksAndTheOldHeader) {
  // 32 bits with the three masks after a 40-byte header.
  Bytes dib;
  Put32(dib, 40);
  Put32(dib, 1);
  Put32(dib, 1);
  Put16(dib, 1);
  Put16(dib, 32);
  Put32(dib, 3);  // BI_BITFIELDS
  for (int i = 0; i < 5; ++i) Put32(dib, 0);
  Put32(dib, 0xFF0000);
  Put32(dib, 0xFF00);
  Put32(dib, 0xFF);
  Put32(dib, 0x00ABCDEF);
  tk::Picture p = tk::DecodeBmp(tk::win32::BmpFileFromResource(dib));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->At(0, 0), 0xFFABCDEFu);

  // The 12-byte header has three-byte palette entries.
  Bytes core;
  Put32(core, 12);
  Put16(core, 2);
  Put16(core, 1);
  Put16(core, 1);
  Put16(core, 1);
  core.insert(core.end(), {0x11, 0x22, 0x33, 0x44, 0x55, 0x66});  // two colours
  core.insert(core.end(), {0x40, 0, 0, 0});                       // pixels 0, 1
  tk::Picture c = tk::DecodeBmp(tk::win32::BmpFileFromResource(core));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->At(0, 0), 0xFF332211u);
  EXPECT_EQ(c->At(1, 0), 0xFF665544u);

  EXPECT_TRUE(tk::win32::BmpFileFromResource(Bytes{1, 2, 3}).empty());
  Bytes shortPalette = Dib8(1, 1, 200, {}, {});
  EXPECT_TRUE(tk::win32::BmpFileFromResource(shortPalette).empty());
}

// One icon image: a 40-byte header of double height, 32-bit colour, mask.
Bytes IconImage(int size, uint32_t colour) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(size));
  Put32(b, static_cast<uint32_t>(size * 2));
  Put16(b, 1);
  Put16(b, 32);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int i = 0; i < size * size; ++i) Put32(b, colour | 0xFF000000u);
  size_t maskRow = ((static_cast<size_t>(size) + 31) / 32) * 4;
  b.insert(b.end(), maskRow * size, 0);
  return b;
}

TEST(ResourceFilesTest, IconGroupBecomesAnIcoFileWithItsImagesInOrder) {
  std::map<int, Bytes> images = {{7, IconImage(16, 0x00112233)}, {8, IconImage(32, 0x00445566)}};
  Bytes group;
  Put16(group, 0);
  Put16(group, 1);
  Put16(group, 2);
  for (auto [id, size] : {std::pair{7, 16}, std::pair{8, 32}}) {
    group.push_back(static_cast<uint8_t>(size));
    group.push_back(static_cast<uint8_t>(size));
    group.push_back(0);
    group.push_back(0);
    Put16(group, 1);
    Put16(group, 32);
    Put32(group, static_cast<uint32_t>(images[id].size()));
    Put16(group, static_cast<uint32_t>(id));
  }
  auto lookup = [&](int id) -> std::span<const uint8_t> {
    auto it = images.find(id);
    return it == images.end() ? std::span<const uint8_t>{} : std::span<const uint8_t>(it->second);
  };
  Bytes file = tk::win32::IcoFileFromGroup(group, lookup);
  ASSERT_EQ(file.size(), 6 + 2 * 16 + images[7].size() + images[8].size());
  uint32_t second = file[6 + 16 + 12] | (file[6 + 16 + 13] << 8);
  EXPECT_EQ(second, 6 + 32 + images[7].size());
  EXPECT_TRUE(std::equal(images[8].begin(), images[8].end(), file.begin() + second));

  tk::Picture small = tk::DecodeIco(file, 16), large = tk::DecodeIco(file, 32);
  ASSERT_TRUE(small);
  ASSERT_TRUE(large);
  EXPECT_EQ(small->Width(), 16);
  EXPECT_EQ(small->At(3, 3), 0xFF112233u);
  EXPECT_EQ(large->Width(), 32);
  EXPECT_EQ(large->At(3, 3), 0xFF445566u);

  // A group naming an image that is not there is no icon at all.
  images.erase(8);
  EXPECT_TRUE(tk::win32::IcoFileFromGroup(group, lookup).empty());
  EXPECT_TRUE(tk::win32::IcoFileFromGroup(Bytes{0, 0, 2, 0, 1, 0}, lookup).empty());
}

// ---- the program's own resources ---------------------------------------------------

std::set<int> WindowsResourceIds(const wchar_t* type) {
  std::set<int> ids;
  EnumResourceNamesW(
      GetModuleHandleW(nullptr), type,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) -> BOOL {
        if (IS_INTRESOURCE(name))
          reinterpret_cast<std::set<int>*>(out)->insert(
              static_cast<int>(reinterpret_cast<UINT_PTR>(name)));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&ids));
  return ids;
}

std::set<int> EmbeddedIds(tk::ResourceType type) {
  std::set<int> ids;
  for (int id = 1; id <= 0xFFFF; ++id)
    if (!tk::FindEmbeddedResource(type, id).empty()) ids.insert(id);
  return ids;
}

class ProgramResourcesTest : public win32_test::PlatformTest {
 protected:
  void SetUp() override {
    if (!LUMBRAVICK_HAS_RESOURCE_SCRIPT)
      GTEST_SKIP() << "built without the resource script of resources/";
  }
};

TEST_F(ProgramResourcesTest, EveryResourceIsInTheResourceSectionUnderItsNumber) {
  std::set<int> icons = EmbeddedIds(tk::ResourceType::Icon);
  ASSERT_FALSE(icons.empty());
  EXPECT_EQ(WindowsResourceIds(MAKEINTRESOURCEW(14)), icons);  // RT_GROUP_ICON
  EXPECT_EQ(WindowsResourceIds(MAKEINTRESOURCEW(2)), EmbeddedIds(tk::ResourceType::Bitmap));
  EXPECT_EQ(WindowsResourceIds(L"SOUND"), EmbeddedIds(tk::ResourceType::Sound));
  // The program's icon is icon 1.
  EXPECT_TRUE(icons.count(1));
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);
}

TEST_F(ProgramResourcesTest, ResourcesReadBackAsTheFilesTheyWereMadeFrom) {
  for (tk::ResourceType type :
       {tk::ResourceType::Icon, tk::ResourceType::Bitmap, tk::ResourceType::Sound}) {
    for (int id : EmbeddedIds(type)) {
      std::span<const uint8_t> file = tk::FindEmbeddedResource(type, id);
      std::span<const uint8_t> rebuilt = platform.ResourceBytes(type, id);
      EXPECT_TRUE(std::equal(file.begin(), file.end(), rebuilt.begin(), rebuilt.end()))
          << "resource " << id << " of type " << static_cast<int>(type) << ": " << rebuilt.size()
          << " bytes for a " << file.size() << "-byte file";
    }
  }
}

TEST_F(ProgramResourcesTest, PicturesDecodeToTheSamePixels) {
  for (int id : EmbeddedIds(tk::ResourceType::Icon)) {
    tk::Picture expected = tk::DecodeIco(tk::FindEmbeddedResource(tk::ResourceType::Icon, id), 16);
    tk::Picture got = platform.LoadPicture(tk::ResourceType::Icon, id, 16);
    ASSERT_TRUE(expected && got) << "icon " << id;
    EXPECT_EQ(got->Pixels(), expected->Pixels()) << "icon " << id;
  }
  for (int id : EmbeddedIds(tk::ResourceType::Bitmap)) {
    tk::Picture expected = tk::DecodeBmp(tk::FindEmbeddedResource(tk::ResourceType::Bitmap, id));
    tk::Picture got = platform.LoadPicture(tk::ResourceType::Bitmap, id, 0);
    ASSERT_TRUE(expected && got) << "bitmap " << id;
    EXPECT_EQ(got->Pixels(), expected->Pixels()) << "bitmap " << id;
  }
}

TEST_F(ProgramResourcesTest, NumbersWithoutAResourceGiveNothing) {
  std::set<int> bitmaps = EmbeddedIds(tk::ResourceType::Bitmap);
  int missing = 1;
  while (bitmaps.count(missing)) ++missing;
  EXPECT_TRUE(platform.ResourceBytes(tk::ResourceType::Bitmap, missing).empty());
  EXPECT_FALSE(platform.LoadPicture(tk::ResourceType::Bitmap, missing, 0));
  EXPECT_TRUE(platform.ResourceBytes(tk::ResourceType::Sound, 99).empty());
  EXPECT_TRUE(platform.ResourceBytes(tk::ResourceType::Icon, 0).empty());
  EXPECT_TRUE(platform.ResourceBytes(tk::ResourceType::Icon, 70000).empty());
  EXPECT_FALSE(platform.LoadPicture(tk::ResourceType::Icon, -5, 16));
}

}  // namespace
