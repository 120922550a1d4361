#include "tools/resgen/encode.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace resgen {
namespace {

struct Entry {
  uint32_t rgb;
  uint32_t count;
  int C(int ch) const { return static_cast<int>((rgb >> (16 - 8 * ch)) & 255); }
};

struct ColourBox {
  size_t begin, end;  // range in the entry array
};

uint32_t Mean(const std::vector<Entry>& e, const ColourBox& b) {
  double sum[3] = {0, 0, 0}, n = 0;
  for (size_t i = b.begin; i < b.end; ++i) {
    for (int ch = 0; ch < 3; ++ch) sum[ch] += static_cast<double>(e[i].C(ch)) * e[i].count;
    n += e[i].count;
  }
  uint32_t out = 0;
  for (int ch = 0; ch < 3; ++ch) out = (out << 8) | Channel(sum[ch] / n / 255.0);
  return out;
}

int Dist2(uint32_t a, uint32_t b) {
  int dr = static_cast<int>((a >> 16) & 255) - static_cast<int>((b >> 16) & 255);
  int dg = static_cast<int>((a >> 8) & 255) - static_cast<int>((b >> 8) & 255);
  int db = static_cast<int>(a & 255) - static_cast<int>(b & 255);
  // Weighted towards green, as the eye is.
  return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

uint8_t Nearest(const std::vector<uint32_t>& palette, uint32_t rgb) {
  int best = 0, bestD = 1 << 30;
  for (size_t i = 0; i < palette.size(); ++i) {
    int d = Dist2(palette[i], rgb);
    if (d < bestD) {
      bestD = d;
      best = static_cast<int>(i);
    }
  }
  return static_cast<uint8_t>(best);
}

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

uint32_t Rgb24(const Rgba& c) {
  return (static_cast<uint32_t>(Channel(c.r)) << 16) | (static_cast<uint32_t>(Channel(c.g)) << 8) |
         Channel(c.b);
}

void PutInfoHeader(Bytes& b, int w, int h, int bits, uint32_t imageBytes, uint32_t colours) {
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(h));
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(bits));
  Put32(b, 0);  // BI_RGB
  Put32(b, imageBytes);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, colours);
  Put32(b, 0);
}

int Stride(int w, int bits) { return ((w * bits + 31) / 32) * 4; }

// The colour rows of a DIB, bottom row first.
void PutRows(Bytes& b, const Canvas& c, const Indexed* idx, int bits) {
  int w = c.Width(), h = c.Height(), stride = Stride(w, bits);
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(static_cast<size_t>(stride), 0);
    for (int x = 0; x < w; ++x) {
      Rgba p = c.At(x, y);
      switch (bits) {
        case 4:
          row[x / 2] |=
              static_cast<uint8_t>(idx->index[static_cast<size_t>(y) * w + x] << (x % 2 ? 0 : 4));
          break;
        case 8:
          row[x] = idx->index[static_cast<size_t>(y) * w + x];
          break;
        case 24:
          row[x * 3] = Channel(p.b);
          row[x * 3 + 1] = Channel(p.g);
          row[x * 3 + 2] = Channel(p.r);
          break;
        default:  // 32: straight alpha, transparent pixels black
          if (Channel(p.a) == 0) break;
          row[x * 4] = Channel(p.b);
          row[x * 4 + 1] = Channel(p.g);
          row[x * 4 + 2] = Channel(p.r);
          row[x * 4 + 3] = Channel(p.a);
          break;
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
}

void PutPalette(Bytes& b, const std::vector<uint32_t>& palette, size_t entries) {
  for (size_t i = 0; i < entries; ++i) {
    uint32_t c = i < palette.size() ? palette[i] : 0;
    b.push_back(static_cast<uint8_t>(c)), b.push_back(static_cast<uint8_t>(c >> 8));
    b.push_back(static_cast<uint8_t>(c >> 16)), b.push_back(0);
  }
}

}  // namespace

uint8_t Channel(double v) { return static_cast<uint8_t>(Floor(Clamp01(v) * 255.0 + 0.5)); }

Indexed Quantise(const Canvas& c, int maxColours) {
  Indexed out;
  out.width = c.Width();
  out.height = c.Height();
  std::map<uint32_t, uint32_t> histogram;
  std::vector<uint32_t> pixels;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      Rgba p = c.At(x, y);
      uint32_t rgb = p.a >= 0.5 ? Rgb24(p) : 0xFFFFFFFFu;
      pixels.push_back(rgb);
      if (rgb != 0xFFFFFFFFu) ++histogram[rgb];
    }
  std::vector<Entry> entries;
  for (const auto& [rgb, n] : histogram) entries.push_back({rgb, n});
  if (entries.empty()) entries.push_back({0, 1});

  if (static_cast<int>(entries.size()) <= maxColours) {
    for (const Entry& e : entries) out.palette.push_back(e.rgb);
  } else {
    // Median cut: split the box with the widest channel range at its median.
    std::vector<ColourBox> boxes{{0, entries.size()}};
    while (static_cast<int>(boxes.size()) < maxColours) {
      int pick = -1, pickCh = 0;
      double pickScore = 0;
      for (size_t i = 0; i < boxes.size(); ++i) {
        const ColourBox& b = boxes[i];
        if (b.end - b.begin < 2) continue;
        uint32_t n = 0;
        for (size_t k = b.begin; k < b.end; ++k) n += entries[k].count;
        for (int ch = 0; ch < 3; ++ch) {
          int lo = 255, hi = 0;
          for (size_t k = b.begin; k < b.end; ++k) {
            lo = std::min(lo, entries[k].C(ch));
            hi = std::max(hi, entries[k].C(ch));
          }
          double score =
              static_cast<double>(hi - lo) * (ch == 1 ? 1.2 : 1.0) * Sqrt(static_cast<double>(n));
          if (score > pickScore) {
            pickScore = score;
            pick = static_cast<int>(i);
            pickCh = ch;
          }
        }
      }
      if (pick < 0) break;
      ColourBox b = boxes[pick];
      std::sort(entries.begin() + b.begin, entries.begin() + b.end,
                [pickCh](const Entry& p, const Entry& q) {
                  return p.C(pickCh) != q.C(pickCh) ? p.C(pickCh) < q.C(pickCh) : p.rgb < q.rgb;
                });
      uint64_t total = 0, half = 0;
      for (size_t k = b.begin; k < b.end; ++k) total += entries[k].count;
      size_t split = b.begin + 1;
      for (size_t k = b.begin; k < b.end - 1; ++k) {
        half += entries[k].count;
        split = k + 1;
        if (half * 2 >= total) break;
      }
      boxes[pick] = {b.begin, split};
      boxes.push_back({split, b.end});
    }
    for (const ColourBox& b : boxes) out.palette.push_back(Mean(entries, b));
    // A few rounds of refinement: each colour moves to the mean of its pixels.
    for (int round = 0; round < 4; ++round) {
      std::vector<double> sum(out.palette.size() * 3, 0.0), n(out.palette.size(), 0.0);
      for (const Entry& e : entries) {
        size_t k = Nearest(out.palette, e.rgb);
        for (int ch = 0; ch < 3; ++ch) sum[k * 3 + ch] += static_cast<double>(e.C(ch)) * e.count;
        n[k] += e.count;
      }
      for (size_t k = 0; k < out.palette.size(); ++k) {
        if (n[k] == 0) continue;
        out.palette[k] = (static_cast<uint32_t>(Channel(sum[k * 3] / n[k] / 255.0)) << 16) |
                         (static_cast<uint32_t>(Channel(sum[k * 3 + 1] / n[k] / 255.0)) << 8) |
                         Channel(sum[k * 3 + 2] / n[k] / 255.0);
      }
    }
    std::sort(out.palette.begin(), out.palette.end());
    out.palette.erase(std::unique(out.palette.begin(), out.palette.end()), out.palette.end());
  }
  std::map<uint32_t, uint8_t> lookup;
  for (uint32_t rgb : pixels) {
    if (rgb == 0xFFFFFFFFu) {
      out.index.push_back(0);
      continue;
    }
    auto it = lookup.find(rgb);
    if (it == lookup.end()) it = lookup.emplace(rgb, Nearest(out.palette, rgb)).first;
    out.index.push_back(it->second);
  }
  return out;
}

Bytes BmpFile8(const Canvas& c) {
  Indexed idx = Quantise(c, 256);
  uint32_t colours = static_cast<uint32_t>(idx.palette.size());
  uint32_t image = static_cast<uint32_t>(Stride(c.Width(), 8) * c.Height());
  uint32_t offset = 14 + 40 + 4 * colours;
  Bytes b{'B', 'M'};
  Put32(b, offset + image);
  Put32(b, 0);
  Put32(b, offset);
  PutInfoHeader(b, c.Width(), c.Height(), 8, image, colours);
  PutPalette(b, idx.palette, colours);
  PutRows(b, c, &idx, 8);
  return b;
}

Bytes BmpFile24(const Canvas& c) {
  uint32_t image = static_cast<uint32_t>(Stride(c.Width(), 24) * c.Height());
  Bytes b{'B', 'M'};
  Put32(b, 54 + image);
  Put32(b, 0);
  Put32(b, 54);
  PutInfoHeader(b, c.Width(), c.Height(), 24, image, 0);
  PutRows(b, c, nullptr, 24);
  return b;
}

Bytes IcoFile(const std::vector<IconImage>& images) {
  std::vector<Bytes> dibs;
  for (const IconImage& im : images) {
    const Canvas& c = im.picture;
    int w = c.Width(), h = c.Height(), bits = im.bitsPerPixel;
    Indexed idx;
    size_t entries = 0;
    if (bits <= 8) {
      idx = Quantise(c, 1 << bits);
      entries = static_cast<size_t>(1) << bits;
    }
    uint32_t image = static_cast<uint32_t>(Stride(w, bits) * h),
             mask = static_cast<uint32_t>(Stride(w, 1) * h);
    Bytes b;
    // Colour image plus mask: the header counts both halves in its height.
    PutInfoHeader(b, w, 2 * h, bits, image + mask, 0);
    if (bits <= 8) PutPalette(b, idx.palette, entries);
    PutRows(b, c, bits <= 8 ? &idx : nullptr, bits);
    for (int y = h - 1; y >= 0; --y) {
      Bytes row(static_cast<size_t>(Stride(w, 1)), 0);
      for (int x = 0; x < w; ++x) {
        double a = c.At(x, y).a;
        bool transparent = bits == 32 ? Channel(a) == 0 : a < 0.5;
        if (transparent) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      b.insert(b.end(), row.begin(), row.end());
    }
    dibs.push_back(std::move(b));
  }
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const Canvas& c = images[i].picture;
    int bits = images[i].bitsPerPixel;
    out.push_back(static_cast<uint8_t>(c.Width() & 255));
    out.push_back(static_cast<uint8_t>(c.Height() & 255));
    out.push_back(bits == 4 ? 16 : 0);  // colour count (0 = 256 or more)
    out.push_back(0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, static_cast<uint32_t>(dibs[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(dibs[i].size());
  }
  for (const Bytes& d : dibs) out.insert(out.end(), d.begin(), d.end());
  return out;
}

Bytes WavFile(int channels, int sampleRate, int bits, const std::vector<double>& samples) {
  uint32_t bytesPerSample = static_cast<uint32_t>(bits / 8);
  uint32_t data = static_cast<uint32_t>(samples.size()) * bytesPerSample;
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 36 + data);
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);  // PCM
  Put16(b, static_cast<uint32_t>(channels));
  Put32(b, static_cast<uint32_t>(sampleRate));
  Put32(b, static_cast<uint32_t>(sampleRate) * channels * bytesPerSample);
  Put16(b, static_cast<uint32_t>(channels) * bytesPerSample);
  Put16(b, static_cast<uint32_t>(bits));
  PutTag(b, "data");
  Put32(b, data);
  for (double s : samples) {
    double v = Clamp(s, -1.0, 1.0);
    if (bits == 8) {
      b.push_back(static_cast<uint8_t>(128 + static_cast<int>(Floor(v * 127.0 + 0.5))));
    } else {
      int q = static_cast<int>(Floor(v * 32767.0 + 0.5));
      Put16(b, static_cast<uint32_t>(q) & 0xFFFF);
    }
  }
  return b;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace resgen
