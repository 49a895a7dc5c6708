// Direct3D drawing over the software surfaces: scenes, DrawPrimitive through
// the rasterizer, and texture interfaces with their handles.
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/d3d.h"
#include "platform/soft/rasterizer.h"
#include "platform/soft/state.h"

namespace platform {

namespace {

// Handles name surfaces; a handle whose surface is gone names nothing.
struct HandleTable {
  std::map<uint32_t, DDSurface*> surfaces;
  std::map<DDSurface*, uint32_t> handles;
  uint32_t next = 1;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

bool SurfaceAlive(DDSurface* surface) {
  soft::State& s = soft::GetState();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.surfaces.count(surface) != 0;
}

DDSurface* SurfaceOfHandle(uint32_t handle) {
  HandleTable& t = Handles();
  auto it = t.surfaces.find(handle);
  if (it == t.surfaces.end()) return nullptr;
  if (!SurfaceAlive(it->second)) {
    t.handles.erase(it->second);
    t.surfaces.erase(it);
    return nullptr;
  }
  return it->second;
}

bool Masks(const DDPixelFormat& f, uint32_t bits, uint32_t r, uint32_t g, uint32_t b) {
  return (f.flags & DDPF_RGB) && f.bitCount == bits && f.redMask == r && f.greenMask == g && f.blueMask == b;
}

bool TargetFormat(const DDPixelFormat& f, RasterFormat* out) {
  if (f.flags & DDPF_PALETTEINDEXED8) *out = RasterFormat::Index8;
  else if (Masks(f, 16, 0xF800, 0x07E0, 0x001F)) *out = RasterFormat::R5G6B5;
  else if (Masks(f, 16, 0x7C00, 0x03E0, 0x001F)) *out = RasterFormat::A1R5G5B5;
  else if (Masks(f, 24, 0xFF0000, 0xFF00, 0xFF)) *out = RasterFormat::R8G8B8;
  else if (Masks(f, 32, 0xFF0000, 0xFF00, 0xFF)) *out = RasterFormat::A8R8G8B8;
  else return false;
  return true;
}

// Palettised textures have no palette here and are not sampled.
bool TextureFormat(const DDPixelFormat& f, TexelFormat* out) {
  if (Masks(f, 16, 0xF800, 0x07E0, 0x001F)) *out = TexelFormat::R5G6B5;
  else if (Masks(f, 16, 0x7C00, 0x03E0, 0x001F)) *out = TexelFormat::A1R5G5B5;
  else if (Masks(f, 16, 0x0F00, 0x00F0, 0x000F)) *out = TexelFormat::A4R4G4B4;
  else if (Masks(f, 24, 0xFF0000, 0xFF00, 0xFF)) *out = TexelFormat::R8G8B8;
  else if (Masks(f, 32, 0xFF0000, 0xFF00, 0xFF)) *out = TexelFormat::A8R8G8B8;
  else return false;
  return true;
}

// Enumerated states left at 0 have the platform's defaults.
uint32_t Or(uint32_t value, uint32_t fallback) { return value ? value : fallback; }

BlendFactor Factor(uint32_t value, BlendFactor fallback) {
  return value >= D3DBLEND_ZERO && value <= D3DBLEND_INVDESTALPHA ? static_cast<BlendFactor>(value) : fallback;
}

}  // namespace

DDResult D3DDevice::BeginScene() {
  if (inScene_) return D3DERR_SCENE_IN_SCENE;
  inScene_ = true;
  return DD_OK;
}

DDResult D3DDevice::EndScene() {
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  inScene_ = false;
  return DD_OK;
}

DDResult D3DDevice::DrawPrimitive(uint32_t primitiveType, uint32_t vertexType, const void* vertices, int count,
                                  uint32_t) {
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  if (vertexType != D3DVT_TLVERTEX) return D3DERR_INVALIDVERTEXTYPE;
  if (primitiveType != D3DPT_TRIANGLELIST && primitiveType != D3DPT_TRIANGLESTRIP &&
      primitiveType != D3DPT_TRIANGLEFAN)
    return D3DERR_INVALIDPRIMITIVETYPE;
  if (!target_ || count < 0 || (count > 0 && !vertices)) return DDERR_INVALIDPARAMS;
  RasterTarget target;
  if (!TargetFormat(target_->Format(), &target.format)) return DDERR_INVALIDPARAMS;
  if (count < 3) return DD_OK;

  RasterState state;
  state.shade = Or(states_[D3DRENDERSTATE_SHADEMODE], D3DSHADE_GOURAUD) == D3DSHADE_FLAT ? ShadeMode::Flat
                                                                                          : ShadeMode::Gouraud;
  switch (Or(states_[D3DRENDERSTATE_CULLMODE], D3DCULL_CCW)) {
    case D3DCULL_NONE: state.cull = CullMode::None; break;
    case D3DCULL_CW: state.cull = CullMode::Clockwise; break;
    default: state.cull = CullMode::CounterClockwise; break;
  }
  state.perspective = states_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] != 0;
  state.textureBlend = Or(states_[D3DRENDERSTATE_TEXTUREMAPBLEND], D3DTBLEND_MODULATE) == D3DTBLEND_DECAL
                           ? TextureBlend::Decal
                           : TextureBlend::Modulate;
  state.magFilter = states_[D3DRENDERSTATE_TEXTUREMAG] == D3DFILTER_LINEAR ? TextureFilter::Linear
                                                                          : TextureFilter::Nearest;
  state.zEnable = states_[D3DRENDERSTATE_ZENABLE] != 0;
  state.zWrite = states_[D3DRENDERSTATE_ZWRITEENABLE] != 0;
  const uint32_t zFunc = Or(states_[D3DRENDERSTATE_ZFUNC], D3DCMP_LESSEQUAL);
  state.zFunc = zFunc <= D3DCMP_ALWAYS ? static_cast<CompareFunc>(zFunc) : CompareFunc::LessEqual;
  state.blendEnable = states_[D3DRENDERSTATE_BLENDENABLE] != 0;
  state.srcBlend = Factor(states_[D3DRENDERSTATE_SRCBLEND], BlendFactor::One);
  state.destBlend = Factor(states_[D3DRENDERSTATE_DESTBLEND], BlendFactor::Zero);
  state.specular = states_[D3DRENDERSTATE_SPECULARENABLE] != 0;
  state.dither = states_[D3DRENDERSTATE_DITHERENABLE] != 0;

  RasterTexture texture;
  if (DDSurface* surface = SurfaceOfHandle(states_[D3DRENDERSTATE_TEXTUREHANDLE])) {
    if (TextureFormat(surface->Format(), &texture.format) && !surface->IsLost()) {
      texture.pixels = surface->Memory();
      texture.pitch = surface->Pitch();
      texture.width = surface->Width();
      texture.height = surface->Height();
      state.texture = &texture;
    }
  }

  uint8_t* pixels = nullptr;
  int pitch = 0;
  DDResult r = target_->Lock(&pixels, &pitch, DDLOCK_WAIT);
  if (r != DD_OK) return r;
  target.pixels = pixels;
  target.pitch = pitch;
  target.width = target_->Width();
  target.height = target_->Height();

  Rasterizer raster;
  raster.SetTarget(target);
  DDSurface* zbuffer = state.zEnable ? target_->AttachedZBuffer() : nullptr;
  if (zbuffer) {
    uint8_t* zpixels = nullptr;
    int zpitch = 0;
    if (zbuffer->Width() >= target.width && zbuffer->Height() >= target.height &&
        zbuffer->Lock(&zpixels, &zpitch, DDLOCK_WAIT) == DD_OK) {
      raster.SetDepth({zpixels, zpitch, static_cast<int>(zbuffer->Format().bitCount)});
    } else {
      zbuffer = nullptr;
    }
  }
  raster.State() = state;

  // The caller's records are copied: they are the platform's layout, not ours.
  std::vector<RasterVertex> copy(static_cast<size_t>(count));
  std::memcpy(copy.data(), vertices, sizeof(RasterVertex) * copy.size());
  switch (primitiveType) {
    case D3DPT_TRIANGLELIST: raster.DrawList(copy.data(), count); break;
    case D3DPT_TRIANGLESTRIP: raster.DrawStrip(copy.data(), count); break;
    default: raster.DrawFan(copy.data(), count); break;
  }
  if (zbuffer) zbuffer->Unlock();
  target_->Unlock();
  return DD_OK;
}

D3DTexture::~D3DTexture() {
  if (surface_) surface_->Release();
}

DDResult QueryTexture(DDSurface* surface, D3DTexture** out) {
  *out = nullptr;
  if (!surface || !(surface->Caps() & DDSCAPS_TEXTURE)) return DDERR_INVALIDPARAMS;
  D3DTexture* texture = new D3DTexture;
  surface->AddRef();
  texture->surface_ = surface;
  *out = texture;
  return DD_OK;
}

DDResult D3DTexture::Load(D3DTexture* source) {
  if (!source || !source->surface_) return DDERR_INVALIDPARAMS;
  DDSurface* from = source->surface_;
  DDSurface* to = surface_;
  if (from->Width() != to->Width() || from->Height() != to->Height() ||
      from->Format().bitCount != to->Format().bitCount)
    return D3DERR_TEXTURE_LOAD_FAILED;
  uint8_t *src = nullptr, *dst = nullptr;
  int srcPitch = 0, dstPitch = 0;
  DDResult r = from->Lock(&src, &srcPitch, DDLOCK_WAIT);
  if (r != DD_OK) return r;
  r = to->Lock(&dst, &dstPitch, DDLOCK_WAIT);
  if (r != DD_OK) {
    from->Unlock();
    return r;
  }
  const size_t row = (static_cast<size_t>(from->Width()) * from->Format().bitCount + 7) / 8;
  for (int y = 0; y < from->Height(); ++y)
    std::memcpy(dst + static_cast<std::ptrdiff_t>(y) * dstPitch, src + static_cast<std::ptrdiff_t>(y) * srcPitch, row);
  to->Unlock();
  from->Unlock();
  return DD_OK;
}

DDResult D3DTexture::GetHandle(D3DDevice* device, uint32_t* handle) {
  *handle = 0;
  if (!device) return DDERR_INVALIDPARAMS;
  HandleTable& t = Handles();
  auto it = t.handles.find(surface_);
  if (it != t.handles.end() && t.surfaces.count(it->second) && t.surfaces[it->second] == surface_) {
    *handle = it->second;
    return DD_OK;
  }
  *handle = t.next++;
  t.surfaces[*handle] = surface_;
  t.handles[surface_] = *handle;
  return DD_OK;
}

}  // namespace platform
