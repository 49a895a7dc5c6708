#include "tools/common/image_convert.h"

#include <algorithm>
#include <unordered_map>

namespace {

uint32_t Key(const sColor& c) { return uint32_t{c.r} | uint32_t{c.g} << 8 | uint32_t{c.b} << 16 | uint32_t{c.a} << 24; }

struct Box {
  std::vector<std::pair<sColor, uint32_t>> colours;  // colour and pixel count
  int Range(int channel) const {
    int lo = 255, hi = 0;
    for (auto& c : colours) {
      int v = (&c.first.r)[channel];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    return hi - lo;
  }
};

sColor Mean(const Box& box) {
  uint64_t sum[4] = {}, n = 0;
  for (auto& c : box.colours) {
    for (int i = 0; i < 4; ++i) sum[i] += uint64_t{(&c.first.r)[i]} * c.second;
    n += c.second;
  }
  sColor m;
  for (int i = 0; i < 4; ++i) (&m.r)[i] = static_cast<uint8_t>((sum[i] + n / 2) / n);
  return m;
}

bool IsGrey(const PngImage& image) {
  if (image.grey) return true;
  for (const sColor& c : image.rgba)
    if (c.r != c.g || c.g != c.b || c.a != 255) return false;
  return true;
}

sColor At(const sBitmap& b, int x, int y, int level) {
  sColor c{0, 0, 0, 255};
  b.IndexToColor(b.GetPixel(x, y, level), &c);
  return c;
}

}  // namespace

std::vector<sColor> QuantisePalette(const std::vector<sColor>& pixels) {
  std::vector<sColor> order;
  std::unordered_map<uint32_t, uint32_t> counts;
  for (const sColor& c : pixels)
    if (counts[Key(c)]++ == 0) order.push_back(c);
  if (order.size() <= 256) return order;

  std::vector<Box> boxes(1);
  for (const sColor& c : order) boxes[0].colours.push_back({c, counts[Key(c)]});
  while (boxes.size() < 256) {
    // Split the box with the widest channel range at its weighted median.
    int best = -1, bestRange = 0, channel = 0;
    for (size_t i = 0; i < boxes.size(); ++i)
      for (int ch = 0; ch < 3; ++ch) {
        int r = boxes[i].Range(ch);
        if (r > bestRange) best = static_cast<int>(i), bestRange = r, channel = ch;
      }
    if (best < 0) break;
    Box& box = boxes[static_cast<size_t>(best)];
    std::stable_sort(box.colours.begin(), box.colours.end(), [channel](const auto& a, const auto& b) {
      return (&a.first.r)[channel] < (&b.first.r)[channel];
    });
    uint64_t total = 0, run = 0;
    for (auto& c : box.colours) total += c.second;
    size_t cut = 1;
    for (; cut < box.colours.size(); ++cut) {
      run += box.colours[cut - 1].second;
      if (run * 2 >= total) break;
    }
    if (cut >= box.colours.size()) cut = box.colours.size() - 1;
    Box upper;
    upper.colours.assign(box.colours.begin() + static_cast<long>(cut), box.colours.end());
    box.colours.resize(cut);
    boxes.push_back(std::move(upper));
  }
  std::vector<sColor> palette;
  for (const Box& b : boxes) palette.push_back(Mean(b));
  return palette;
}

int NearestEntry(const std::vector<sColor>& palette, const sColor& c) {
  int best = 0, bestDistance = -1;
  for (size_t i = 0; i < palette.size(); ++i) {
    const sColor& e = palette[i];
    int d = (std::abs(c.r - e.r) + std::abs(c.g - e.g) + std::abs(c.b - e.b)) * 256 + std::abs(c.a - e.a);
    if (bestDistance < 0 || d < bestDistance) best = static_cast<int>(i), bestDistance = d;
  }
  return best;
}

bool PngToBitmap(const PngImage& image, int kind, int levels, sBitmap* out, std::string* error) {
  if (kind != KindIndex8 && kind != Kind0565 && kind != Kind0888) {
    *error = "the kind must be index8, 0565 or 0888";
    return false;
  }
  if (levels < 1 || levels > 15) {
    *error = "levels must be 1 to 15";
    return false;
  }
  if (image.width < 1 || image.height < 1) {
    *error = "empty picture";
    return false;
  }
  const int64_t align = int64_t{1} << (levels - 1);
  if ((image.width + align - 1) / align * align > 0xFFFF || (image.height + align - 1) / align * align > 0xFFFF) {
    *error = "picture too large for the image file format with " + std::to_string(levels) + " levels";
    return false;
  }
  out->Create(image.width, image.height, kind, levels);

  // Level 0, repeating the last column and row into the rounded-up area.
  auto source = [&](int x, int y) {
    return static_cast<size_t>(std::min(y, image.height - 1)) * image.width + std::min(x, image.width - 1);
  };
  if (kind == KindIndex8) {
    std::vector<uint8_t> indices(image.rgba.size());
    std::vector<sColor> palette;
    if (image.indexed) {
      palette = image.palette;
      indices = image.indices;
    } else if (IsGrey(image)) {
      for (int i = 0; i < 256; ++i) palette.push_back({uint8_t(i), uint8_t(i), uint8_t(i), 255});
      for (size_t i = 0; i < indices.size(); ++i) indices[i] = image.rgba[i].r;
    } else {
      palette = QuantisePalette(image.rgba);
      std::unordered_map<uint32_t, uint8_t> cache;
      for (size_t i = 0; i < indices.size(); ++i) {
        auto it = cache.find(Key(image.rgba[i]));
        if (it == cache.end())
          it = cache.emplace(Key(image.rgba[i]), static_cast<uint8_t>(NearestEntry(palette, image.rgba[i]))).first;
        indices[i] = it->second;
      }
    }
    for (size_t i = 0; i < palette.size() && i < 256; ++i) out->Palette[i] = palette[i];
    for (int y = 0; y < out->Height; ++y)
      for (int x = 0; x < out->Width; ++x) out->SetPixel(indices[source(x, y)], x, y, 0);
  } else {
    for (int y = 0; y < out->Height; ++y)
      for (int x = 0; x < out->Width; ++x) out->SetPixel(out->ColorToIndex(&image.rgba[source(x, y)]), x, y, 0);
  }

  for (int l = 1; l < levels; ++l) {
    const int w = std::max(1, out->Width >> l), h = std::max(1, out->Height >> l);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sx[4] = {2 * x, 2 * x + 1, 2 * x, 2 * x + 1}, sy[4] = {2 * y, 2 * y, 2 * y + 1, 2 * y + 1};
        if (kind == KindIndex8) {
          uint32_t v[4];
          for (int i = 0; i < 4; ++i) v[i] = out->GetPixel(sx[i], sy[i], l - 1);
          int best = 0, bestCount = 0;
          for (int i = 0; i < 4; ++i) {
            int count = static_cast<int>(std::count(v, v + 4, v[i]));
            if (count > bestCount) best = i, bestCount = count;
          }
          out->SetPixel(v[best], x, y, l);
        } else {
          int sum[4] = {};
          for (int i = 0; i < 4; ++i) {
            sColor c = At(*out, sx[i], sy[i], l - 1);
            sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, sum[3] += c.a;
          }
          out->SetPixel(out->ColorToIndex((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4, (sum[3] + 2) / 4), x, y,
                        l);
        }
      }
  }
  return true;
}
