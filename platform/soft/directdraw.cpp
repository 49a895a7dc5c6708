#include <cstring>

#include "platform/soft/state.h"

namespace platform {

namespace soft {
State& GetState() {
  static State state;
  return state;
}
}  // namespace soft

namespace {

const std::vector<DDModeInfo>& Modes() {
  soft::State& s = soft::GetState();
  return s.modes ? *s.modes : ClassicModes();
}

int RowPitch(int width, int bits) { return ((width * bits + 63) / 64) * 8; }

}  // namespace

DDSurface::DDSurface() : memory_(new Buffer) {}

DDResult DirectDrawCreate(DirectDraw** out) {
  *out = nullptr;
  soft::State& s = soft::GetState();
  if (s.ddraw || DisplayFaultFires(DDFault::Create)) return DDERR_GENERIC;
  s.ddraw = new DirectDraw;
  s.screenFormat = FormatIndexed(8);
  *out = s.ddraw;
  return DD_OK;
}

DirectDraw::~DirectDraw() { soft::GetState().ddraw = nullptr; }

DDResult DirectDraw::SetCooperativeLevel(bool) {
  return DisplayFaultFires(DDFault::CooperativeLevel) ? DDERR_GENERIC : DD_OK;
}

DDResult DirectDraw::GetAvailableVidMem(uint32_t* total, uint32_t* free) {
  if (DisplayFaultFires(DDFault::AvailableVidMem)) return DDERR_GENERIC;
  if (total) *total = VideoMemoryBytes;
  if (free) *free = VideoMemoryBytes - VideoMemoryInUse();
  return DD_OK;
}

DDResult DirectDraw::EnumDisplayModes(bool (*callback)(const DDModeInfo&, void*), void* user) {
  for (const DDModeInfo& m : Modes())
    if (!callback(m, user)) break;
  return DD_OK;
}

DDResult DirectDraw::SetDisplayMode(int width, int height, int bits, const DDPixelFormat* format) {
  // Software screens come in any size; the depth (and the format, when
  // named) must be one the mode list offers.
  if (width < 1 || height < 1 || width > 4096 || height > 4096) return DDERR_INVALIDPARAMS;
  for (const DDModeInfo& m : Modes()) {
    if (static_cast<int>(m.format.bitCount) != bits) continue;
    if (format && (m.format.flags != format->flags || m.format.redMask != format->redMask ||
                   m.format.greenMask != format->greenMask))
      continue;
    modeWidth_ = width;
    modeHeight_ = height;
    modeBits_ = bits;
    soft::GetState().screenFormat = m.format;
    return DD_OK;
  }
  return DDERR_INVALIDPARAMS;
}

DDResult DirectDraw::CreateSurface(const DDSurfaceDesc& desc, DDSurface** out) {
  *out = nullptr;
  if (DisplayFaultFires(DDFault::CreateSurface)) return DDERR_GENERIC;
  soft::State& s = soft::GetState();
  const uint32_t caps = desc.flags & DDSD_CAPS ? desc.caps : 0;
  const bool primary = caps & DDSCAPS_PRIMARYSURFACE;
  int width = modeWidth_, height = modeHeight_;
  if (!primary) {
    if (!(desc.flags & DDSD_WIDTH) || !(desc.flags & DDSD_HEIGHT) || desc.width < 1 || desc.height < 1)
      return DDERR_INVALIDPARAMS;
    width = desc.width;
    height = desc.height;
  }
  DDPixelFormat format = s.screenFormat;
  if (caps & DDSCAPS_ZBUFFER) {
    const int depth = desc.flags & DDSD_ZBUFFERBITDEPTH ? desc.zBufferBitDepth : 16;
    if (depth != 16 && depth != 24 && depth != 32) return DDERR_INVALIDPARAMS;
    format = DDPixelFormat{};
    format.flags = DDPF_ZBUFFER;
    format.bitCount = static_cast<uint32_t>(depth);
  } else if (desc.flags & DDSD_PIXELFORMAT) {
    format = desc.format;
  }

  int count = 1;
  if (primary) {
    if (!(caps & DDSCAPS_FLIP) || !(desc.flags & DDSD_BACKBUFFERCOUNT)) count = 1;
    else count = 1 + desc.backBufferCount;
    if (count < 1 || count > 4) return DDERR_INVALIDPARAMS;
    for (DDSurface* other : s.surfaces)
      if (other->caps_ & DDSCAPS_PRIMARYSURFACE) return DDERR_GENERIC;
  }
  const int pitch = RowPitch(width, static_cast<int>(format.bitCount));
  const uint64_t bytes = static_cast<uint64_t>(pitch) * height;
  // Video memory is an 8 MiB pool; a surface that must be there fails when it
  // is full, one that may be anywhere goes to system memory.
  bool video = false;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    const bool fits = s.videoInUse + bytes * count <= VideoMemoryBytes;
    if (caps & DDSCAPS_VIDEOMEMORY) {
      if (!fits) return DDERR_OUTOFVIDEOMEMORY;
      video = true;
    } else if (!(caps & DDSCAPS_SYSTEMMEMORY)) {
      video = fits && primary;
    }
  }

  std::vector<DDSurface*> made;
  for (int i = 0; i < count; ++i) {
    DDSurface* surface = new DDSurface;
    surface->width_ = width;
    surface->height_ = height;
    surface->pitch_ = pitch;
    surface->format_ = format;
    surface->caps_ = caps;
    if (i > 0) surface->caps_ = (caps & ~DDSCAPS_PRIMARYSURFACE) | DDSCAPS_BACKBUFFER;
    surface->memory_->bytes.assign(static_cast<size_t>(bytes), 0);
    surface->videoBytes_ = video ? static_cast<size_t>(bytes) : 0;
    made.push_back(surface);
    std::lock_guard<std::mutex> hold(s.lock);
    s.surfaces.insert(surface);
    s.videoInUse += static_cast<uint32_t>(surface->videoBytes_);
  }
  if (count > 1) {
    made[0]->chain_ = made;
    for (int i = 1; i < count; ++i) made[i]->primary_ = made[0];
  }
  *out = made[0];
  return DD_OK;
}

DDResult DirectDraw::CreatePalette(const DDPaletteEntry entries[256], DDPalette** out) {
  *out = nullptr;
  if (DisplayFaultFires(DDFault::CreatePalette)) return DDERR_GENERIC;
  DDPalette* p = new DDPalette;
  std::memcpy(p->entries_, entries, sizeof p->entries_);
  *out = p;
  return DD_OK;
}

void LoseAllSurfaces() {
  soft::State& s = soft::GetState();
  std::lock_guard<std::mutex> hold(s.lock);
  for (DDSurface* surface : s.surfaces) surface->lost_ = true;
}

void SetDisplayModesForTest(const std::vector<DDModeInfo>* modes) { soft::GetState().modes = modes; }

int LiveSurfaceCount() {
  soft::State& s = soft::GetState();
  std::lock_guard<std::mutex> hold(s.lock);
  return static_cast<int>(s.surfaces.size());
}

uint32_t VideoMemoryInUse() {
  soft::State& s = soft::GetState();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.videoInUse;
}

}  // namespace platform
