// Our stand-in for Direct3D immediate mode: the objects a 3D mode creates.
// A device draws transformed-and-lit triangles into its target surface with
// the software rasterizer (platform/soft/rasterizer.h), under its render states.
#pragma once
#include <cstdint>

#include "platform/display.h"

namespace platform {

// Z-buffer depths of a device record (DDBD).
enum : uint32_t { DDBD_16 = 0x400, DDBD_24 = 0x200, DDBD_32 = 0x100 };
// Colour models (D3DCOLORMODEL): 0 none, mono (ramp), RGB.
enum : uint32_t { D3DCOLOR_NONE = 0, D3DCOLOR_MONO = 1, D3DCOLOR_RGB = 2 };

struct D3DDeviceDesc {
  uint32_t colorModel = D3DCOLOR_NONE;
  uint32_t zBufferDepths = 0;
};

enum class D3DDeviceType { Hal = 1, Rgb = 2, Ramp = 3 };

struct D3DDeviceInfo {
  const char* description;
  const char* name;
  D3DDeviceType type;
  D3DDeviceDesc hardware;
  D3DDeviceDesc software;
};

struct D3DViewportData {
  int x = 0, y = 0, width = 0, height = 0;
  float clipX = 0, clipY = 0, clipWidth = 0, clipHeight = 0, minZ = 0, maxZ = 0;
};

struct D3DMaterialData {
  float diffuse[4] = {}, ambient[4] = {}, specular[4] = {}, emissive[4] = {};
  float power = 0;
  int rampSize = 0;
};

class D3DViewport : public DDObject {
public:
  DDResult SetViewport2(const D3DViewportData& data);
  DDResult SetBackground(uint32_t materialHandle);
  const D3DViewportData& Data() const { return data_; }
  uint32_t Background() const { return background_; }

private:
  D3DViewportData data_;
  uint32_t background_ = 0;
};

class D3DMaterial : public DDObject {
public:
  DDResult SetMaterial(const D3DMaterialData& data);
  uint32_t GetHandle() const { return handle_; }
  const D3DMaterialData& Data() const { return data_; }

private:
  friend class Direct3D;
  D3DMaterialData data_;
  uint32_t handle_ = 0;
};

class D3DDevice : public DDObject {
public:
  DDResult AddViewport(D3DViewport* viewport);
  DDResult SetCurrentViewport(D3DViewport* viewport);
  DDResult SetRenderState(uint32_t state, uint32_t value);
  DDResult SetLightState(uint32_t state, uint32_t value);
  // One callback per texture format offered; the callback returns false to stop.
  DDResult EnumTextureFormats(bool (*callback)(const DDPixelFormat& format, void* user), void* user);
  D3DDeviceType Type() const { return type_; }
  DDSurface* Target() const { return target_; }
  uint32_t RenderState(uint32_t state) const { return state < 64 ? states_[state] : 0; }

  // Scenes and triangles (platform/soft/d3d_draw.cpp). DrawPrimitive takes
  // D3DVT_TLVERTEX records (32 bytes each) and draws while a scene is open;
  // the target must not be locked.
  DDResult BeginScene();
  DDResult EndScene();
  DDResult DrawPrimitive(uint32_t primitiveType, uint32_t vertexType, const void* vertices, int count,
                         uint32_t flags);
  bool InScene() const { return inScene_; }

protected:
  ~D3DDevice() override;

private:
  friend class Direct3D;
  D3DDeviceType type_ = D3DDeviceType::Hal;
  DDSurface* target_ = nullptr;
  D3DViewport* viewport_ = nullptr;
  uint32_t states_[64] = {};
  bool inScene_ = false;
};

class Direct3D : public DDObject {
public:
  // One callback per device, as the enumeration of the time.
  DDResult EnumDevices(bool (*callback)(const D3DDeviceInfo& device, void* user), void* user);
  DDResult CreateDevice(D3DDeviceType type, DDSurface* target, D3DDevice** out);
  DDResult CreateViewport(D3DViewport** out);
  DDResult CreateMaterial(D3DMaterial** out);
};

// The texture interface of a texture surface, as QueryInterface gave it; it
// holds a reference to the surface.
class D3DTexture : public DDObject {
public:
  // Copies the source's texels into this texture's surface (same size and format).
  DDResult Load(D3DTexture* source);
  // The handle naming this texture's surface in D3DRENDERSTATE_TEXTUREHANDLE;
  // the same surface always gets the same handle. It stays valid while the
  // surface lives.
  DDResult GetHandle(D3DDevice* device, uint32_t* handle);
  DDSurface* Surface() const { return surface_; }

protected:
  ~D3DTexture() override;

private:
  friend DDResult QueryTexture(DDSurface* surface, D3DTexture** out);
  DDSurface* surface_ = nullptr;
};

// Fails unless the surface was created with DDSCAPS_TEXTURE.
DDResult QueryTexture(DDSurface* surface, D3DTexture** out);

// The Direct3D interface of the DirectDraw object.
DDResult QueryDirect3D(DirectDraw* ddraw, Direct3D** out);

// Render states the driver sets (D3DRENDERSTATE values).
enum : uint32_t {
  D3DRENDERSTATE_TEXTUREHANDLE = 1,
  D3DRENDERSTATE_ZENABLE = 7,
  D3DRENDERSTATE_SHADEMODE = 9,
  D3DRENDERSTATE_ZWRITEENABLE = 14,
  D3DSHADE_FLAT = 1,
  D3DSHADE_GOURAUD = 2,
  D3DLIGHTSTATE_MATERIAL = 1,
};

// The further render states and values the device draws with.
enum : uint32_t {
  D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4,
  D3DRENDERSTATE_TEXTUREMAG = 17,
  D3DRENDERSTATE_TEXTUREMIN = 18,
  D3DRENDERSTATE_SRCBLEND = 19,
  D3DRENDERSTATE_DESTBLEND = 20,
  D3DRENDERSTATE_TEXTUREMAPBLEND = 21,
  D3DRENDERSTATE_CULLMODE = 22,
  D3DRENDERSTATE_ZFUNC = 23,
  D3DRENDERSTATE_DITHERENABLE = 26,
  D3DRENDERSTATE_BLENDENABLE = 27,
  D3DRENDERSTATE_SPECULARENABLE = 29,
  D3DFILTER_NEAREST = 1,
  D3DFILTER_LINEAR = 2,
  D3DTBLEND_DECAL = 1,
  D3DTBLEND_MODULATE = 2,
  D3DCULL_NONE = 1,
  D3DCULL_CW = 2,
  D3DCULL_CCW = 3,
  D3DCMP_NEVER = 1,
  D3DCMP_LESS = 2,
  D3DCMP_EQUAL = 3,
  D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6,
  D3DCMP_GREATEREQUAL = 7,
  D3DCMP_ALWAYS = 8,
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
};

// Primitives, vertex types and drawing flags.
enum : uint32_t {
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
  D3DVT_TLVERTEX = 3,
  D3DDP_WAIT = 1,
  D3DDP_DONOTCLIP = 4,
  D3DDP_DONOTUPDATEEXTENTS = 8,
};

constexpr DDResult D3DERR_INVALIDPRIMITIVETYPE = 0x887602C9u;
constexpr DDResult D3DERR_INVALIDVERTEXTYPE = 0x887602CAu;
constexpr DDResult D3DERR_SCENE_IN_SCENE = 0x887602DAu;
constexpr DDResult D3DERR_SCENE_NOT_IN_SCENE = 0x887602DBu;
constexpr DDResult D3DERR_TEXTURE_LOAD_FAILED = 0x887602A2u;

}  // namespace platform
