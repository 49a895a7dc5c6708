#include <cstring>

#include "platform/soft/state.h"

namespace platform {

namespace soft {
int BytesPerPixel(const DDPixelFormat& format) { return static_cast<int>((format.bitCount + 7) / 8); }
}  // namespace soft

namespace {

// The blitter takes rectangles that are non-empty and inside the surface, as
// the hardware did; anything else is rejected, never clipped.
bool Inside(const DDRect& r, int width, int height) {
  return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && r.left < r.right &&
         r.top < r.bottom;
}

}  // namespace

DDSurface::~DDSurface() {
  // Releasing the primary shows the last flipped frame before the chain goes.
  if (caps_ & DDSCAPS_PRIMARYSURFACE) soft::CommitFrame(this);
  if (palette_) palette_->Release();
  if (zbuffer_) zbuffer_->Release();
  for (size_t i = 1; i < chain_.size(); ++i) {
    chain_[i]->primary_ = nullptr;
    chain_[i]->Release();
  }
  soft::State& s = soft::GetState();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.surfaces.erase(this);
    s.videoInUse -= static_cast<uint32_t>(videoBytes_);
  }
  delete memory_;
}

const uint8_t* DDSurface::Memory() const { return memory_->bytes.data(); }

DDResult DDSurface::Lock(uint8_t** pixels, int* pitch, uint32_t flags) {
  // A waiting lock of a back buffer waits for the flip: the frame is shown now.
  if (primary_) soft::CommitFrame(primary_);
  if (DisplayFaultFires(DDFault::LoseOnLock)) lost_ = true;
  if (lost_) return DDERR_SURFACELOST;
  if (locked_) return DDERR_SURFACEBUSY;
  if (DisplayFaultFires(DDFault::Lock)) return DDERR_GENERIC;
  locked_ = true;
  *pixels = memory_->bytes.data();
  *pitch = pitch_;
  return DD_OK;
}

DDResult DDSurface::Unlock() {
  if (!locked_) return DDERR_NOTLOCKED;
  if (DisplayFaultFires(DDFault::Unlock)) return DDERR_GENERIC;
  locked_ = false;
  return lost_ ? DDERR_SURFACELOST : DD_OK;
}

DDResult DDSurface::Restore() {
  DDSurface* owner = primary_ ? primary_ : this;
  std::vector<DDSurface*> all = owner->chain_.empty() ? std::vector<DDSurface*>{owner} : owner->chain_;
  for (DDSurface* s : all) {
    if (s->lost_) std::memset(s->memory_->bytes.data(), 0, s->memory_->bytes.size());
    s->lost_ = false;
    s->locked_ = false;
  }
  return DD_OK;
}

DDResult DDSurface::GetAttachedBackBuffer(DDSurface** out) {
  *out = nullptr;
  if (chain_.size() < 2 || DisplayFaultFires(DDFault::GetAttachedSurface)) return DDERR_NOTFOUND;
  chain_[1]->AddRef();
  *out = chain_[1];
  return DD_OK;
}

DDResult DDSurface::AddAttachedSurface(DDSurface* zbuffer) {
  if (!zbuffer || !(zbuffer->caps_ & DDSCAPS_ZBUFFER) || zbuffer_) return DDERR_INVALIDPARAMS;
  if (DisplayFaultFires(DDFault::AddAttachedSurface)) return DDERR_GENERIC;
  zbuffer->AddRef();
  zbuffer_ = zbuffer;
  return DD_OK;
}

DDResult DDSurface::Flip() {
  if (chain_.size() < 2) return DDERR_INVALIDPARAMS;
  for (DDSurface* s : chain_) {
    if (s->lost_) return DDERR_SURFACELOST;
    if (s->locked_) return DDERR_SURFACEBUSY;
  }
  // The previous frame is shown before this one replaces it.
  soft::CommitFrame(this);
  // The memory moves along the chain: the back buffer's becomes the front's.
  Buffer* front = chain_[0]->memory_;
  for (size_t i = 0; i + 1 < chain_.size(); ++i) chain_[i]->memory_ = chain_[i + 1]->memory_;
  chain_.back()->memory_ = front;

  soft::State& s = soft::GetState();
  std::lock_guard<std::mutex> hold(s.lock);
  s.frame.width = width_;
  s.frame.height = height_;
  s.frame.pitch = pitch_;
  s.frame.format = format_;
  s.frame.pixels = memory_->bytes;
  s.frame.number = ++s.frames;
  s.pending = true;
  return DD_OK;
}

DDResult DDSurface::SetPalette(DDPalette* palette) {
  if (!(caps_ & DDSCAPS_PRIMARYSURFACE)) return DDERR_INVALIDPARAMS;
  if (palette) palette->AddRef();
  if (palette_) palette_->Release();
  palette_ = palette;
  return DD_OK;
}

DDResult DDSurface::ColorFill(const DDRect* area, uint32_t value) {
  DDRect r = area ? *area : DDRect{0, 0, width_, height_};
  if (!Inside(r, width_, height_)) return DDERR_INVALIDRECT;
  if (lost_) return DDERR_SURFACELOST;
  if (locked_) return DDERR_SURFACEBUSY;
  if (DisplayFaultFires(DDFault::Blt)) return DDERR_GENERIC;
  const int bits = static_cast<int>(format_.bitCount);
  if (bits < 8) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        StoreRowPixel(memory_->bytes.data() + static_cast<size_t>(y) * pitch_, x, bits, value);
    return DD_OK;
  }
  const int bytes = soft::BytesPerPixel(format_);
  for (int y = r.top; y < r.bottom; ++y) {
    uint8_t* p = memory_->bytes.data() + static_cast<size_t>(y) * pitch_ + static_cast<size_t>(r.left) * bytes;
    if (bytes == 1) {
      std::memset(p, static_cast<int>(value & 0xFF), static_cast<size_t>(r.right - r.left));
      continue;
    }
    for (int x = r.left; x < r.right; ++x, p += bytes) StoreRowPixel(p, 0, 8 * bytes, value);
  }
  return DD_OK;
}

DDResult DDSurface::DepthFill(const DDRect* area, uint32_t value) {
  if (!(caps_ & DDSCAPS_ZBUFFER)) return DDERR_INVALIDPARAMS;
  return ColorFill(area, value);
}

DDResult DDSurface::BltFast(int x, int y, DDSurface* source, const DDRect& area, uint32_t flags) {
  if (!source) return DDERR_INVALIDPARAMS;
  if (!Inside(area, source->width_, source->height_)) return DDERR_INVALIDRECT;
  const DDRect target{x, y, x + area.right - area.left, y + area.bottom - area.top};
  if (!Inside(target, width_, height_)) return DDERR_INVALIDRECT;
  if (source->format_.bitCount != format_.bitCount) return DDERR_INVALIDPARAMS;
  if (lost_ || source->lost_) return DDERR_SURFACELOST;
  if (locked_ || source->locked_) return DDERR_SURFACEBUSY;
  if (DisplayFaultFires(DDFault::Blt)) return DDERR_GENERIC;
  const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) && source->hasKey_;
  const int bits = static_cast<int>(format_.bitCount);
  if (bits < 8) {
    for (int j = 0; j < target.bottom - target.top; ++j) {
      const uint8_t* from = source->memory_->bytes.data() + static_cast<size_t>(area.top + j) * source->pitch_;
      uint8_t* to = memory_->bytes.data() + static_cast<size_t>(y + j) * pitch_;
      for (int i = 0; i < target.right - target.left; ++i) {
        const uint32_t v = LoadRowPixel(from, area.left + i, bits);
        if (!keyed || v < source->keyLow_ || v > source->keyHigh_) StoreRowPixel(to, x + i, bits, v);
      }
    }
    return DD_OK;
  }
  const int bytes = soft::BytesPerPixel(format_);
  const size_t rowBytes = static_cast<size_t>(target.right - target.left) * bytes;
  for (int j = 0; j < target.bottom - target.top; ++j) {
    const uint8_t* from = source->memory_->bytes.data() + static_cast<size_t>(area.top + j) * source->pitch_ +
                          static_cast<size_t>(area.left) * bytes;
    uint8_t* to = memory_->bytes.data() + static_cast<size_t>(y + j) * pitch_ + static_cast<size_t>(x) * bytes;
    if (!keyed) {
      std::memmove(to, from, rowBytes);
      continue;
    }
    for (size_t i = 0; i < rowBytes; i += bytes) {
      const uint32_t v = LoadRowPixel(from + i, 0, 8 * bytes);
      if (v < source->keyLow_ || v > source->keyHigh_) StoreRowPixel(to + i, 0, 8 * bytes, v);
    }
  }
  return DD_OK;
}

DDResult DDSurface::SetColorKey(uint32_t low, uint32_t high) {
  hasKey_ = true;
  keyLow_ = low;
  keyHigh_ = high;
  return DD_OK;
}

}  // namespace platform
