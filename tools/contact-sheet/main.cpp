// lumbravick-contact-sheet OUT.png [RESOURCE_DIR]
//
// Renders every built-in picture at its real size and at three times that, on
// a checkerboard so the icons' transparency shows, grouped by style sheet,
// each labelled with its number. The pictures come from the resources
// compiled into the program, through the same decoders the game uses; with
// RESOURCE_DIR they are read from that folder's icons/ and bitmaps/ instead
// (to look at replacement files before they are built in).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "toolkit/font.h"
#include "toolkit/resources.h"
#include "tools/pngio/png_io.h"

namespace {

constexpr int kPageWidth = 1440;
constexpr int kMargin = 16;
constexpr int kGap = 10;
constexpr int kZoom = 3;
const tk::Color kPage = tk::Rgb(64, 68, 74);
const tk::Color kLabel = tk::Rgb(236, 238, 242);
const tk::Color kHeading = tk::Rgb(255, 214, 110);

const char* const kSheetNames[] = {"Classic", "Las Vegas", "Flat Screen", "Newspaper", "Wood"};

struct Item {
  std::string label;
  tk::Picture picture;
};

struct Group {
  std::string title;
  std::vector<Item> items;
};

class Source {
 public:
  explicit Source(std::string dir) : dir_(std::move(dir)) {}

  std::vector<uint8_t> Bytes(tk::ResourceType type, int id) const {
    if (dir_.empty()) {
      auto span = tk::FindEmbeddedResource(type, id);
      return {span.begin(), span.end()};
    }
    std::string path = dir_ + (type == tk::ResourceType::Icon ? "/icons/" : "/bitmaps/") +
                       std::to_string(id) + (type == tk::ResourceType::Icon ? ".ico" : ".bmp");
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::string dir_;
};

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// Every image of an icon file, each decoded on its own: the file is cut into
// one-image icons and each goes through the decoder.
std::vector<Item> IconImages(int id, const std::vector<uint8_t>& file) {
  std::vector<Item> out;
  if (file.size() < 6) return out;
  size_t count = Le(file, 4, 2);
  for (size_t i = 0; i < count && 6 + i * 16 + 16 <= file.size(); ++i) {
    size_t dir = 6 + i * 16;
    size_t size = Le(file, dir + 8, 4), offset = Le(file, dir + 12, 4);
    if (offset > file.size() || size > file.size() - offset) continue;
    std::vector<uint8_t> one(file.begin(), file.begin() + 6);
    one[4] = 1;
    one[5] = 0;
    one.insert(one.end(), file.begin() + dir, file.begin() + dir + 16);
    uint32_t newOffset = 6 + 16;
    for (int k = 0; k < 4; ++k) one[6 + 12 + k] = static_cast<uint8_t>(newOffset >> (8 * k));
    one.insert(one.end(), file.begin() + offset, file.begin() + offset + size);
    tk::Picture p = tk::DecodeIco(one, 0);
    if (!p) continue;
    int bits = size >= 16 ? static_cast<int>(Le(file, offset + 14, 2)) : 0;
    out.push_back({std::to_string(id) + " " + std::to_string(p->Width()) + "px " +
                       std::to_string(bits) + "bpp",
                   p});
  }
  return out;
}

void AddIcon(const Source& src, Group& g, int id) {
  auto bytes = src.Bytes(tk::ResourceType::Icon, id);
  if (bytes.empty()) return;
  tk::Picture p = tk::DecodeIco(bytes, 16);
  g.items.push_back({std::to_string(id), p});
}

void AddBitmap(const Source& src, Group& g, int id) {
  auto bytes = src.Bytes(tk::ResourceType::Bitmap, id);
  if (bytes.empty()) return;
  g.items.push_back({std::to_string(id), tk::DecodeBmp(bytes)});
}

// Light and dark grey squares, six pixels each.
void Checker(tk::Surface& s, const tk::Rect& r) {
  for (int y = r.y; y < r.Bottom(); ++y)
    for (int x = r.x; x < r.Right(); ++x)
      s.Set(
          x, y,
          (((x - r.x) / 6 + (y - r.y) / 6) % 2) ? tk::Rgb(204, 204, 204) : tk::Rgb(170, 170, 170));
}

struct Cell {
  int w, h;
};

Cell Measure(const Item& it) {
  int line = tk::FontLineHeight();
  if (!it.picture) return {std::max(tk::TextWidth(it.label + " (unreadable)"), 60), line + 20};
  int w = it.picture->Width() * (1 + kZoom) + kGap + 4;
  int h = line + 2 + it.picture->Height() * kZoom + 2;
  return {std::max(w, tk::TextWidth(it.label)), h};
}

void DrawItem(tk::Surface& s, int x, int y, const Item& it) {
  const tk::Rect all{0, 0, s.Width(), s.Height()};
  int line = tk::FontLineHeight();
  if (!it.picture) {
    tk::DrawText(s, x, y, it.label + " (unreadable)", tk::Rgb(255, 96, 96), all);
    return;
  }
  tk::DrawText(s, x, y, it.label, kLabel, all);
  const tk::PictureData& p = *it.picture;
  int top = y + line + 2;
  tk::Rect one{x + 1, top + 1, p.Width(), p.Height()};
  tk::Rect big{one.Right() + kGap, top + 1, p.Width() * kZoom, p.Height() * kZoom};
  for (const tk::Rect& r : {one, big}) {
    s.FillRect({r.x - 1, r.y - 1, r.w + 2, r.h + 2}, tk::Rgb(30, 32, 36));
    Checker(s, r);
    tk::DrawPicture(s, p, r.x, r.y, r.w, r.h, r);
  }
}

// Lays the groups out in rows (dry run when `s` is null); returns the height.
int Layout(const std::vector<Group>& groups, tk::Surface* s) {
  const tk::Rect all = s ? tk::Rect{0, 0, s->Width(), s->Height()} : tk::Rect{};
  int y = kMargin;
  for (const Group& g : groups) {
    if (s) tk::DrawText(*s, kMargin, y, g.title, kHeading, all);
    y += tk::FontLineHeight() + 6;
    int x = kMargin, rowHeight = 0;
    for (const Item& it : g.items) {
      Cell c = Measure(it);
      if (x > kMargin && x + c.w > kPageWidth - kMargin) {
        x = kMargin;
        y += rowHeight + kGap;
        rowHeight = 0;
      }
      if (s) DrawItem(*s, x, y, it);
      x += c.w + 2 * kGap;
      rowHeight = std::max(rowHeight, c.h);
    }
    y += rowHeight + 2 * kGap + 6;
  }
  return y + kMargin;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: lumbravick-contact-sheet OUT.png [RESOURCE_DIR]\n");
    return 2;
  }
  Source src(argc == 3 ? argv[2] : "");
  std::vector<Group> groups;
  for (int sheet = 0; sheet < 5; ++sheet) {
    int base = (sheet + 1) * 1000;
    Group balls{std::to_string(sheet) + " " + kSheetNames[sheet] + ": ball", {}};
    for (int f = 0; f < 10; ++f) AddIcon(src, balls, base + f);
    Group rest{std::to_string(sheet) + " " + kSheetNames[sheet] + ": paddle and panel", {}};
    for (int f = 0; f <= 5; ++f) AddBitmap(src, rest, base + f);
    groups.push_back(std::move(balls));
    groups.push_back(std::move(rest));
  }
  Group desktop{"Shared: desktop items", {}}, flames{"Shared: burning ball", {}};
  for (int id = 101; id <= 107; ++id) AddIcon(src, desktop, id);
  for (int id = 6000; id <= 6009; ++id) AddIcon(src, flames, id);
  Group program{"Program icon", IconImages(1, src.Bytes(tk::ResourceType::Icon, 1))};
  Group large{"Sponsor banner and About picture", {}};
  AddBitmap(src, large, 9000);
  AddBitmap(src, large, 9001);
  for (Group* g : {&desktop, &flames, &program, &large}) groups.push_back(std::move(*g));

  size_t pictures = 0;
  for (const Group& g : groups) pictures += g.items.size();
  if (pictures == 0) {
    std::fprintf(stderr, "lumbravick-contact-sheet: no pictures found\n");
    return 1;
  }
  tk::Surface page(kPageWidth, Layout(groups, nullptr), kPage);
  Layout(groups, &page);
  std::string error;
  if (!tools::WritePng(argv[1], page, error)) {
    std::fprintf(stderr, "lumbravick-contact-sheet: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %zu pictures\n", argv[1], pictures);
  for (const Group& g : groups)
    for (const Item& it : g.items)
      if (!it.picture) return 1;  // an unreadable picture fails the run
  return 0;
}
