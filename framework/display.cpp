#include "framework/display.h"

#include <cstdlib>

#include "framework/system/fatal.h"
#include "platform/display.h"

namespace {
const char* const Source = "display";

// Rows: requested kind; columns: the mode's kind.
const int KindCost[KindCount][KindCount] = {
    {0, 2, 1, 3, 3, 3, 4, 4}, {9, 0, 1, 3, 3, 3, 4, 4}, {9, 8, 0, 3, 3, 3, 4, 4}, {9, 8, 7, 0, 3, 4, 5, 6},
    {9, 8, 7, 3, 0, 4, 5, 6}, {9, 8, 7, 4, 3, 0, 5, 6}, {9, 8, 7, 3, 4, 5, 0, 1}, {9, 8, 7, 3, 4, 5, 1, 0},
};
}  // namespace

sDisplayMode::sDisplayMode(int width, int height, int kind)
    : Width(width), Height(height), Kind(kind), BackBuffers(2) {
  if (kind < 0 || kind >= KindCount) Assertion(754, "system");
  Bits = KindBits[kind];
}

sDisplay::sDisplay() = default;
sDisplay::~sDisplay() = default;

int sDisplay::GetKind() { return Kind; }
int sDisplay::GetModeCount() { return ModeCount; }
sDisplayMode* sDisplay::GetMode(int i) { return &Modes[i]; }
void sDisplay::GetCurrentMode(sDisplayMode* out) { *out = CurrentMode; }

int ModeScore(const sDisplayMode& request, const sDisplayMode& mode) {
  int penalty = 0;
  if (request.ZBuffer && !mode.ZBuffer) penalty += 1;
  if (request.Use3D && !mode.Use3D) penalty += 2;
  const int cost = KindCost[request.Kind & 7][mode.Kind & 7];
  int size = 0;
  if (request.Width != mode.Width || request.Height != mode.Height) {
    size = std::abs(request.Height - mode.Height) / 8 + std::abs(request.Width - mode.Width) / 8 + 1;
    if (size > 255) size = 255;
  }
  int refresh = std::abs(request.Refresh - mode.Refresh);
  if (refresh > 255) refresh = 255;
  return (penalty << 24) + (cost << 16) + (size << 8) + refresh;
}

bool sDisplay::FindMode(sDisplayMode* request) {
  if (request->Refresh == 0) request->Refresh = 75;
  const sDisplayMode* best = nullptr;
  int bestScore = 0;
  for (int i = 0; i < ModeCount; ++i) {
    const sDisplayMode& m = Modes[i];
    if (request->ZBuffer && (!m.ZBuffer || (request->BackBuffers != 0 && m.ZBackBuffers == 0))) continue;
    if (!request->ZBuffer && request->BackBuffers != 0 && m.BackBuffers == 0) continue;
    if (request->MemoryLeft > m.MemoryLeft) continue;
    const int score = ModeScore(*request, m);
    if (!best || score < bestScore) {
      best = &m;
      bestScore = score;
    }
  }
  if (!best) return false;
  request->Width = best->Width;
  request->Height = best->Height;
  request->Bits = best->Bits;
  request->Kind = best->Kind;
  request->Refresh = best->Refresh;
  request->MemoryLeft = best->MemoryLeft;
  if (best->BackBuffers < request->BackBuffers) request->BackBuffers = best->BackBuffers;
  return true;
}

sTexture::~sTexture() {
  if (VideoSurface) VideoSurface->Release();
  if (SystemSurface) SystemSurface->Release();
}

int sDisplay::AddTexture(sTexture* t) {
  Textures[TextureCount++] = t;
  return TextureCount;
}

int sDisplay::RemoveTexture(sTexture* t) {
  for (int i = 0; i < TextureCount; ++i) {
    if (Textures[i] != t) continue;
    Textures[i] = Textures[--TextureCount];
    Textures[TextureCount] = nullptr;
    return i;
  }
  Assertion(153, Source);
}

int sDisplay::GetTextureCount() { return TextureCount; }

sTexture* sDisplay::GetTexture(int i) {
  if (i < 0 || i >= TextureCount) Assertion(163, Source);
  return Textures[i];
}

uint32_t sDisplay::ColorToIndex(const sColor* c) { return ColorToIndex(c->r, c->g, c->b, c->a); }

uint32_t sDisplay::ColorToIndex(int r, int g, int b, int a) {
  const int kind = GetKind();
  uint32_t value;
  if (DirectColorToIndex(kind, r, g, b, a, &value)) return value;
  // On an indexed screen the colour's first byte is the palette index.
  if (kind >= KindMono && kind <= KindIndex8) return static_cast<uint32_t>(r);
  Fatal("sDisplay::ColorToIndex() unknown bitmap kind");
}

void sDisplay::IndexToColor(uint32_t value, sColor* out) {
  const int kind = GetKind();
  if (DirectIndexToColor(kind, value, out)) return;
  if (kind >= KindMono && kind <= KindIndex8) return;
  Fatal("sDisplay::IndexToColor() unknown bitmap kind");
}

void sDisplay::FillRect(uint32_t value, const sRect* r) { FillRect(value, r->x0, r->y0, r->x1, r->y1); }
void sDisplay::FrameRect(uint32_t value, const sRect* r) { FrameRect(value, r->x0, r->y0, r->x1, r->y1); }
