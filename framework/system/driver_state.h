// Process-wide DirectDraw/Direct3D state shared by the driver's files.
#pragma once
#include "framework/bitmap_kinds.h"
#include "platform/d3d.h"
#include "platform/display.h"

class sWinDriver;

struct DirectDrawState {
  platform::DirectDraw* DirectDraw1 = nullptr;
  platform::DirectDraw* DirectDraw2 = nullptr;
  platform::Direct3D* Direct3D = nullptr;
  // The selected Direct3D device: its name, kind and capability records.
  char DeviceName[64] = {};
  platform::D3DDeviceType DeviceType = platform::D3DDeviceType::Hal;
  platform::D3DDeviceDesc DeviceHardware;
  platform::D3DDeviceDesc DeviceSoftware;
  bool DeviceSelected = false;
  platform::D3DDevice* Device = nullptr;
  platform::D3DViewport* Viewport = nullptr;
  platform::D3DMaterial* Material = nullptr;
  platform::D3DMaterial* BackMaterial = nullptr;
  uint32_t MaterialHandle = 0;
  uint32_t BackMaterialHandle = 0;
  platform::DDPalette* PaletteObject = nullptr;
  struct {
    bool Found;
    platform::DDPixelFormat Format;
  } TextureFormats[KindCount] = {};
  sWinDriver* Current = nullptr;
};

DirectDrawState& DD();

// Display pixel format to kind; -1 (after the debug line) when unrecognised.
int DisplayFormatKind(const platform::DDPixelFormat& f);
platform::DDPixelFormat KindDisplayFormat(int kind);
// Texture format recognition (kind, or -1 to ignore it).
int TextureFormatKind(const platform::DDPixelFormat& f);
