#include "framework/system/driver.h"

#include <cstring>

#include "framework/system/driver_state.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "framework/text.h"
#include "platform/window.h"

using namespace platform;

namespace {
const char* const Source = "system";
constexpr int32_t TotalVideoMemory = 8388608;

DirectDrawState state;

template <typename T>
void ReleaseRef(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

void UnlockCurrent() {
  if (state.Current) state.Current->UnlockBackBuffer();
}

const ResetHook resetDirectDraw([] {
  ReleaseDirectDraw();
  state.Current = nullptr;
  ReleaseRef(state.PaletteObject);
  for (auto& f : state.TextureFormats) f = {false, DDPixelFormat{}};
  ClearDisplayFaults();
  SetDisplayModesForTest(nullptr);
});

bool DeviceCallback(const D3DDeviceInfo& d, void*) {
  DebugPrintf("d3d device <%s> <%s>\n", d.description, d.name);
  const bool hardware = d.hardware.colorModel != D3DCOLOR_NONE;
  if (!hardware && d.software.colorModel == D3DCOLOR_MONO && state.DeviceSelected) return true;
  StrCopyN(state.DeviceName, d.name, sizeof state.DeviceName - 1);
  state.DeviceType = d.type;
  state.DeviceHardware = d.hardware;
  state.DeviceSoftware = d.software;
  state.DeviceSelected = true;
  return !hardware;
}

unsigned Low32(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

int RoundKiB(int64_t bytes) { return static_cast<int>((bytes + 1023) / 1024 * 1024); }
}  // namespace

DirectDrawState& DD() { return state; }

sWinDriver* CurrentDisplay() { return state.Current; }

int DisplayFormatKind(const DDPixelFormat& f) {
  if (f.flags & DDPF_PALETTEINDEXED1) return KindMono;
  if (f.flags & DDPF_PALETTEINDEXED4) return KindIndex4;
  if (f.flags & DDPF_PALETTEINDEXED8) return KindIndex8;
  if (f.flags & DDPF_RGB) {
    if (f.bitCount == 16 && f.redMask == 0xF800 && f.greenMask == 0x07E0 && f.blueMask == 0x001F) return Kind0565;
    if (f.bitCount == 16 && f.redMask == 0x7C00 && f.greenMask == 0x03E0 && f.blueMask == 0x001F) return Kind1555;
    if (f.redMask == 0xFF0000 && f.greenMask == 0x00FF00 && f.blueMask == 0x0000FF) {
      if (f.bitCount == 24) return Kind0888;
      if (f.bitCount == 32) return Kind8888;
    }
  }
  DebugPrintf("\nUnknown Displayformat:%08x %02d : %08x %08x %08x", f.flags, f.bitCount, f.redMask, f.greenMask,
              f.blueMask);
  return -1;
}

DDPixelFormat KindDisplayFormat(int kind) {
  switch (kind) {
    case KindMono: return FormatIndexed(1);
    case KindIndex4: return FormatIndexed(4);
    case Kind0565: return Format0565();
    case Kind1555: {
      DDPixelFormat f = Format1555();
      f.flags = DDPF_RGB;
      f.alphaMask = 0;
      return f;
    }
    case Kind0888: return Format0888();
    case Kind8888: {
      DDPixelFormat f = Format8888();
      f.flags = DDPF_RGB;
      f.alphaMask = 0;
      return f;
    }
    default: return FormatIndexed(8);
  }
}

void StartDirectDraw() {
  ReleaseDirectDraw();
  SetFatalDisplayHooks({UnlockCurrent, ReleaseDirectDraw});
  if (DirectDrawCreate(&state.DirectDraw1) != DD_OK) FatalBox("No Direct Draw V5.0 or later installed!");
  if (state.DirectDraw1->SetCooperativeLevel(true) != DD_OK) FatalBox("Could not get exclusive Direct Draw access");
  // The stand-in's object offers both interfaces itself.
  if (DisplayFaultFires(DDFault::QueryInterface)) FatalBox("No Direct Draw V5.0 or later installed!");
  state.DirectDraw2 = state.DirectDraw1;
  state.DirectDraw2->AddRef();
  if (QueryDirect3D(state.DirectDraw2, &state.Direct3D) != DD_OK) FatalBox("No Direct 3D found");
  state.Direct3D->EnumDevices(DeviceCallback, nullptr);
  DebugPrintf("d3d selected <%s>\n", state.DeviceName);
  DebugPrint("Info:\n");
  DebugPrintf("Window %08x\ndd1 %08x\ndd2 %08x\nd3d %08x\n", Low32(&GetWindow()), Low32(state.DirectDraw1),
              Low32(state.DirectDraw2), Low32(state.Direct3D));
}

void ReleaseDirectDraw() {
  ReleaseRef(state.Viewport);
  ReleaseRef(state.Material);
  ReleaseRef(state.BackMaterial);
  ReleaseRef(state.Device);
  ReleaseRef(state.Direct3D);
  ReleaseRef(state.DirectDraw2);
  if (state.DirectDraw1) state.DirectDraw1->SetCooperativeLevel(false);
  ReleaseRef(state.DirectDraw1);
  state.MaterialHandle = state.BackMaterialHandle = 0;
  state.DeviceSelected = false;
  state.DeviceName[0] = 0;
}

sWinDriver::sWinDriver() {
  StrCopyN(Name, "Primary Display", sizeof Name - 1);
  Priority = 10;
  DeviceWord = 0;
  uint32_t total = 0, free = 0;
  if (!state.DirectDraw2 || state.DirectDraw2->GetAvailableVidMem(&total, &free) != DD_OK)
    Fatal("could not determine video memory size");
  VideoMemory = TotalVideoMemory;
  BuildModeList();
  RegisterDevice(DeviceDisplay, this);
  state.Current = this;
}

void sWinDriver::BuildModeList() {
  struct Pass {
    sWinDriver* driver;
    int count;
    int capacity;
  } pass{this, 0, 0};
  auto count = [](const DDModeInfo& m, void* user) {
    if (DisplayFormatKind(m.format) >= 0) ++static_cast<Pass*>(user)->count;
    return true;
  };
  state.DirectDraw2->EnumDisplayModes(count, &pass);
  pass.capacity = pass.count;
  Modes = new sDisplayMode[pass.capacity > 0 ? pass.capacity : 1];
  pass.count = 0;
  auto fill = [](const DDModeInfo& m, void* user) {
    Pass* p = static_cast<Pass*>(user);
    const int kind = DisplayFormatKind(m.format);
    // The list was sized by the first pass; a second pass never writes past it.
    if (kind < 0 || p->count >= p->capacity) return true;
    p->driver->Modes[p->count++] = sDisplayMode(m.width, m.height, kind);
    return true;
  };
  state.DirectDraw2->EnumDisplayModes(fill, &pass);
  ModeCount = pass.count;

  for (int i = 0; i < ModeCount; ++i) {
    sDisplayMode& m = Modes[i];
    const int frame = RoundKiB(static_cast<int64_t>(m.Width) * m.Height * m.Bits / 8);
    const int z = RoundKiB(static_cast<int64_t>(m.Width) * m.Height * 2);
    int left = VideoMemory - frame;
    m.BackBuffers = m.ZBackBuffers = 0;
    m.ZBuffer = false;
    if (left > frame) {
      left -= frame;
      m.BackBuffers = 1;
      m.ZBackBuffers = 1;
      if (left > frame) m.BackBuffers = 2;
    }
    if (left > z) {
      left -= z;
      m.ZBuffer = true;
    }
    if (left > frame) {
      left -= frame;
      m.ZBackBuffers += 1;
    }
    m.MemoryLeft = left;
    m.Use3D = state.Direct3D != nullptr;
    DebugPrintf("Mode %04d x %04d, %02d (%s), %03d Hz, %d backbuffers, %5d kytes left%s\n", m.Width, m.Height,
                m.Bits, KindNames[m.Kind], m.Refresh, m.BackBuffers, m.MemoryLeft / 1024,
                m.ZBuffer ? ", ZBuffer" : "");
  }
}

sWinDriver::~sWinDriver() {
  UnlockBackBuffer();
  if (state.Current == this) state.Current = nullptr;
  ReleasePointer();
  delete[] Modes;
  Modes = nullptr;
  delete[] Vertices;
  Vertices = nullptr;
  ReleaseRef(BackBuffer);
  ReleaseRef(ZBufferSurface);
  ReleaseRef(state.PaletteObject);
  // DirectDraw frees the primary with itself; ours is freed here.
  ReleaseRef(Primary);
}

void sWinDriver::ReleaseSurfaces() {
  ReleaseRef(state.Device);
  ReleaseRef(ZBufferSurface);
  UnlockBackBuffer();
  ReleaseRef(BackBuffer);
  ReleaseRef(Primary);
  ReleaseRef(state.PaletteObject);
  ReleaseRef(state.Material);
  ReleaseRef(state.BackMaterial);
  ReleaseRef(state.Viewport);
}

void sWinDriver::SetDisplayMode(sDisplayMode* mode) {
  if (mode->BackBuffers < 0 || mode->BackBuffers > 2) Assertion(1071, Source);
  ReleaseSurfaces();
  DebugPrintf("Mode %04d x %04d, %02d, %03d Hz, %d backbuffers, %5d kytes left%s\n", mode->Width, mode->Height,
              mode->Bits, mode->Refresh, mode->BackBuffers, mode->MemoryLeft / 1024,
              mode->ZBuffer ? ", ZBuffer" : "");
  DebugPrintf("dd2: %08x\n", Low32(state.DirectDraw2));
  const DDPixelFormat format = KindDisplayFormat(mode->Kind);
  state.DirectDraw2->SetDisplayMode(mode->Width, mode->Height, mode->Bits, &format);

  DDSurfaceDesc chain;
  chain.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  const uint32_t caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  for (;;) {
    chain.backBufferCount = mode->BackBuffers == 0 ? 1 : mode->BackBuffers;
    chain.caps = mode->BackBuffers == 0 ? caps : caps | DDSCAPS_VIDEOMEMORY;
    const DDResult r = state.DirectDraw2->CreateSurface(chain, &Primary);
    if (r == DD_OK) break;
    if (mode->BackBuffers == 0) Fatal("Could not create display surfaces");
    DebugPrintf("dderr %08x %d\n", r, r & 0xFFFF);
    --mode->BackBuffers;
  }
  DDResult r = Primary->GetAttachedBackBuffer(&BackBuffer);
  if (r != DD_OK) {
    DebugPrintf("dderr %08x %d\n", r, r & 0xFFFF);
    Fatal("could not get backbuffer");
  }
  if (mode->ZBuffer) {
    const uint32_t depths = state.DeviceHardware.zBufferDepths;
    int depth = 0;
    if (depths & DDBD_32) depth = 32;
    else if (depths & DDBD_24) depth = 24;
    else if (depths & DDBD_16) depth = 16;
    else Fatal("no z buffer");
    DDSurfaceDesc z;
    z.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_ZBUFFERBITDEPTH;
    z.caps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
    z.width = mode->Width;
    z.height = mode->Height;
    z.zBufferBitDepth = depth;
    if (state.DirectDraw2->CreateSurface(z, &ZBufferSurface) != DD_OK) Fatal("could not allocate Z-Buffer");
    if (BackBuffer->AddAttachedSurface(ZBufferSurface) != DD_OK) Fatal("could not attach Z-Buffer");
  }
  if (mode->Use3D && state.Direct3D) SetUp3D(mode);
  CurrentMode = *mode;
  PaletteDirty = false;
  Kind = mode->Kind;
  SetUpPointer();
}

void sWinDriver::SetUp3D(sDisplayMode* mode) {
  const D3DDeviceType types[] = {D3DDeviceType::Hal, D3DDeviceType::Rgb, D3DDeviceType::Ramp};
  for (D3DDeviceType t : types)
    if (state.Direct3D->CreateDevice(t, BackBuffer, &state.Device) == DD_OK) break;
  if (!state.Device) Fatal("sWinDriver::SetDisplayMode(): no 3d device");
  if (state.Direct3D->CreateViewport(&state.Viewport) != DD_OK) Fatal("sWinDriver::SetDisplayMode(): no viewport");
  if (state.Device->AddViewport(state.Viewport) != DD_OK)
    Fatal("sWinDriver::SetDisplayMode(): could not add viewport");
  D3DViewportData view;
  view.width = mode->Width;
  view.height = mode->Height;
  view.clipX = -1.0f;
  view.clipY = 0.75f;
  view.clipWidth = 2.0f;
  view.clipHeight = 1.5f;
  view.minZ = 0.0f;
  view.maxZ = 1.0f;
  if (state.Viewport->SetViewport2(view) != DD_OK) Fatal("sWinDriver::SetDisplayMode(): could not set viewport");
  if (state.Device->SetCurrentViewport(state.Viewport) != DD_OK)
    Fatal("sWinDriver::SetDisplayMode(): could not add viewport");
  state.Device->SetRenderState(D3DRENDERSTATE_ZENABLE, 0);
  state.Device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 0);
  state.Device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
  if (state.Direct3D->CreateMaterial(&state.Material) != DD_OK) Fatal("sWinDriver::SetDisplayMode(): no material");
  D3DMaterialData white;
  for (int i = 0; i < 3; ++i) white.diffuse[i] = white.ambient[i] = white.specular[i] = 1.0f;
  white.power = 40.0f;
  white.rampSize = 1;
  state.Material->SetMaterial(white);
  state.MaterialHandle = state.Material->GetHandle();
  if (state.Direct3D->CreateMaterial(&state.BackMaterial) != DD_OK)
    Fatal("sWinDriver::SetDisplayMode(): no material (back)");
  state.BackMaterial->SetMaterial(D3DMaterialData{});
  state.BackMaterialHandle = state.BackMaterial->GetHandle();
  state.Viewport->SetBackground(state.BackMaterialHandle);
  for (auto& f : state.TextureFormats) f = {false, DDPixelFormat{}};
  state.Device->EnumTextureFormats(
      [](const DDPixelFormat& f, void*) {
        const int kind = TextureFormatKind(f);
        if (kind >= 0) state.TextureFormats[kind] = {true, f};
        return true;
      },
      nullptr);
  char found[KindCount + 2];
  for (int k = 0; k < KindCount; ++k) found[k] = state.TextureFormats[k].Found ? '1' : '0';
  found[KindCount] = '\n';
  found[KindCount + 1] = 0;
  DebugPrint("Texture formats found:");
  DebugPrint(found);
}

int TextureFormatKind(const DDPixelFormat& f) {
  if (f.flags & DDPF_PALETTEINDEXED1) return KindMono;
  if (f.flags & DDPF_PALETTEINDEXED2) return -1;
  if (f.flags & DDPF_PALETTEINDEXED4) return KindIndex4;
  if (f.flags & DDPF_PALETTEINDEXED8) return KindIndex8;
  if (!(f.flags & DDPF_RGB)) return -1;
  if (f.flags & DDPF_ALPHAPIXELS) {
    if (f.bitCount == 16 && f.redMask == 0x7C00 && f.greenMask == 0x03E0 && f.blueMask == 0x001F &&
        f.alphaMask == 0x8000)
      return Kind1555;
    if (f.bitCount == 16 && f.redMask == 0x0F00 && f.greenMask == 0x00F0 && f.blueMask == 0x000F &&
        f.alphaMask == 0xF000)
      return Kind4444;
    if (f.bitCount == 32 && f.redMask == 0xFF0000 && f.greenMask == 0xFF00 && f.blueMask == 0xFF &&
        f.alphaMask == 0xFF000000u)
      return Kind8888;
    return -1;
  }
  if (f.bitCount == 16 && f.redMask == 0xF800 && f.greenMask == 0x07E0 && f.blueMask == 0x001F) return Kind0565;
  if (f.bitCount == 24 && f.redMask == 0xFF0000 && f.greenMask == 0xFF00 && f.blueMask == 0xFF) return Kind0888;
  return -1;
}

bool sWinDriver::LockBackBuffer() {
  if (Locked) return true;
  if (!BackBuffer) return false;
  uint8_t* start = nullptr;
  int pitch = 0;
  DDResult r = BackBuffer->Lock(&start, &pitch, DDLOCK_WAIT | DDLOCK_WRITEONLY);
  if (r == DDERR_SURFACELOST) {
    BackBuffer->Restore();
    r = BackBuffer->Lock(&start, &pitch, DDLOCK_WAIT | DDLOCK_WRITEONLY);
  }
  if (r != DD_OK) return false;
  LockStart = start;
  LockPitch = pitch;
  Locked = true;
  return true;
}

void sWinDriver::UnlockBackBuffer() {
  if (!Locked) return;
  // Cleared first: the fatal path prints, and printing unlocks again.
  Locked = false;
  const DDResult r = BackBuffer->Unlock();
  if (r == DDERR_SURFACELOST) BackBuffer->Restore();
  else if (r != DD_OK) Fatal("could not unlock buffer");
}

void sWinDriver::SetPalette(const sColor palette[256]) {
  std::memcpy(Palette, palette, sizeof Palette);
  PaletteDirty = true;
}

void sWinDriver::BeginFrame(int flags) {
  EndIfAnotherThreadFailed();
  if (flags != 0) Assertion(1355, Source);
  Clipping = false;
  RestorePointer();
}

void sWinDriver::Present() {
  if (!Primary) Assertion(1362, Source);
  UnlockBackBuffer();
  DrawPointer();
  Primary->Flip();
  if (PaletteDirty && Kind == KindIndex8) {
    DDPaletteEntry entries[256];
    for (int i = 0; i < 256; ++i) entries[i] = {Palette[i].r, Palette[i].g, Palette[i].b, 0};
    ReleaseRef(state.PaletteObject);
    if (state.DirectDraw2->CreatePalette(entries, &state.PaletteObject) == DD_OK)
      Primary->SetPalette(state.PaletteObject);
  }
  PaletteDirty = false;
  BufferIndex = (BufferIndex + 1) % (CurrentMode.BackBuffers + 1);
  // Returns once the new back buffer can be drawn into.
  if (LockBackBuffer()) UnlockBackBuffer();
}

void sWinDriver::Lock(sBitmap* out) {
  if (!LockBackBuffer()) {
    // Nothing to write into: an empty bitmap, never a stale address.
    out->CreateExternal(0, 0, CurrentMode.Kind, CurrentMode.Bits, 1);
    out->SetLevel(0, nullptr, 0);
    out->SetPalette(256, Palette);
    return;
  }
  out->CreateExternal(CurrentMode.Width, CurrentMode.Height, CurrentMode.Kind, CurrentMode.Bits, 1);
  out->SetLevel(LockPitch, LockStart, 0);
  out->SetPalette(256, Palette);
}

void sWinDriver::Unlock() { UnlockBackBuffer(); }

int sWinDriver::GetBufferIndex() { return BufferIndex; }

void sWinDriver::TextureNop(int, int) {}
