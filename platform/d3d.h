// Our stand-in for Direct3D immediate mode: the objects a 3D mode creates.
// Triangle drawing arrives with the software rasterizer; until then a device
// accepts render states and scenes and draws nothing.
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

protected:
  ~D3DDevice() override;

private:
  friend class Direct3D;
  D3DDeviceType type_ = D3DDeviceType::Hal;
  DDSurface* target_ = nullptr;
  D3DViewport* viewport_ = nullptr;
  uint32_t states_[64] = {};
};

class Direct3D : public DDObject {
public:
  // One callback per device, as the enumeration of the time.
  DDResult EnumDevices(bool (*callback)(const D3DDeviceInfo& device, void* user), void* user);
  DDResult CreateDevice(D3DDeviceType type, DDSurface* target, D3DDevice** out);
  DDResult CreateViewport(D3DViewport** out);
  DDResult CreateMaterial(D3DMaterial** out);
};

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

}  // namespace platform
