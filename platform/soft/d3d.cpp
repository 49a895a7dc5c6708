#include "platform/d3d.h"

namespace platform {

namespace {
// The stand-in offers itself twice: a software device, and a "hardware" one
// (the same software surfaces) listing Z-buffer depths, which is selected.
const D3DDeviceInfo devices[] = {
    {"Software rasterizer in system memory", "RGB Emulation", D3DDeviceType::Rgb, {D3DCOLOR_NONE, 0},
     {D3DCOLOR_RGB, 0}},
    {"Software surfaces standing in for a 3D card", "Tessaline HAL", D3DDeviceType::Hal,
     {D3DCOLOR_RGB, DDBD_16 | DDBD_24 | DDBD_32}, {D3DCOLOR_NONE, 0}},
};
uint32_t nextMaterialHandle = 1;
}  // namespace

DDResult QueryDirect3D(DirectDraw* ddraw, Direct3D** out) {
  *out = nullptr;
  if (!ddraw || DisplayFaultFires(DDFault::QueryDirect3D)) return DDERR_GENERIC;
  *out = new Direct3D;
  return DD_OK;
}

DDResult Direct3D::EnumDevices(bool (*callback)(const D3DDeviceInfo&, void*), void* user) {
  for (const D3DDeviceInfo& d : devices)
    if (!callback(d, user)) break;
  return DD_OK;
}

DDResult Direct3D::CreateDevice(D3DDeviceType type, DDSurface* target, D3DDevice** out) {
  *out = nullptr;
  if (!target || !(target->Caps() & DDSCAPS_3DDEVICE)) return DDERR_INVALIDPARAMS;
  if (DisplayFaultFires(DDFault::CreateDevice)) return DDERR_GENERIC;
  D3DDevice* device = new D3DDevice;
  device->type_ = type;
  target->AddRef();
  device->target_ = target;
  *out = device;
  return DD_OK;
}

DDResult Direct3D::CreateViewport(D3DViewport** out) {
  *out = nullptr;
  if (DisplayFaultFires(DDFault::CreateViewport)) return DDERR_GENERIC;
  *out = new D3DViewport;
  return DD_OK;
}

DDResult Direct3D::CreateMaterial(D3DMaterial** out) {
  *out = nullptr;
  if (DisplayFaultFires(DDFault::CreateMaterial)) return DDERR_GENERIC;
  D3DMaterial* m = new D3DMaterial;
  m->handle_ = nextMaterialHandle++;
  *out = m;
  return DD_OK;
}

D3DDevice::~D3DDevice() {
  if (viewport_) viewport_->Release();
  if (target_) target_->Release();
}

DDResult D3DDevice::AddViewport(D3DViewport* viewport) {
  if (!viewport || DisplayFaultFires(DDFault::AddViewport)) return DDERR_GENERIC;
  viewport->AddRef();
  if (viewport_) viewport_->Release();
  viewport_ = viewport;
  return DD_OK;
}

DDResult D3DDevice::SetCurrentViewport(D3DViewport* viewport) {
  if (viewport != viewport_ || DisplayFaultFires(DDFault::SetCurrentViewport)) return DDERR_GENERIC;
  return DD_OK;
}

DDResult D3DDevice::SetRenderState(uint32_t state, uint32_t value) {
  if (state >= 64) return DDERR_INVALIDPARAMS;
  states_[state] = value;
  return DD_OK;
}

DDResult D3DDevice::SetLightState(uint32_t, uint32_t) { return DD_OK; }

DDResult D3DDevice::EnumTextureFormats(bool (*callback)(const DDPixelFormat&, void*), void* user) {
  const DDPixelFormat formats[] = {FormatIndexed(8), Format1555(), Format4444(), Format0565(), Format8888()};
  for (const DDPixelFormat& f : formats)
    if (!callback(f, user)) break;
  return DD_OK;
}

DDResult D3DViewport::SetViewport2(const D3DViewportData& data) {
  if (DisplayFaultFires(DDFault::SetViewport)) return DDERR_GENERIC;
  data_ = data;
  return DD_OK;
}

DDResult D3DViewport::SetBackground(uint32_t handle) {
  background_ = handle;
  return DD_OK;
}

DDResult D3DMaterial::SetMaterial(const D3DMaterialData& data) {
  data_ = data;
  return DD_OK;
}

}  // namespace platform
