// The abstract screen: the mode list and its best-match search, the current
// mode, the registered textures and the colour pair of the screen's kind.
// The order of the virtual operations is part of the interface.
#pragma once
#include <cstdint>

#include "framework/bitmap.h"
#include "framework/rect.h"
#include "framework/system/devices.h"

namespace platform {
class DDSurface;
}

// A screen mode, as a list entry and as a request.
struct sDisplayMode {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bits = 0;
  int32_t Kind = 0;
  int32_t Refresh = 0;       // 0 in a request: any (FindMode takes 75)
  int32_t BackBuffers = 0;   // 0..2
  int32_t ZBackBuffers = 0;  // list: back buffers that still fit beside a Z-buffer
  int32_t MemoryLeft = 0;    // list: video memory left; request: the minimum wanted
  bool ZBuffer = false;
  bool Use3D = false;

  sDisplayMode() = default;
  // Two back buffers, no Z-buffer, no 3D.
  sDisplayMode(int width, int height, int kind);
};

enum sTextureUsage { TextureSurface = 1, Texture3D = 2 };

// Caller-owned; the driver fills the second half when it loads textures.
struct sTexture {
  sTexture() = default;
  // A record dropped with its surfaces still held lets them go: a fatal error
  // unwinds past the show's ReleaseTextures.
  ~sTexture();
  sTexture(const sTexture&) = delete;
  sTexture& operator=(const sTexture&) = delete;

  sBitmap* Bitmap = nullptr;  // loaded from Name when null, then owned by the record
  const char* Name = nullptr;
  int32_t Unused0 = -1;
  int32_t Usage = TextureSurface;
  int32_t Unused1 = 0;
  // Written by the driver:
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Levels = 0;
  int32_t Kind = 0;
  bool Loaded = false;
  platform::DDSurface* SystemSurface = nullptr;
  platform::DDSurface* VideoSurface = nullptr;
  uint32_t Handle = 0;
};

// A transformed-and-lit vertex: screen position, 1/w, colours, texture position.
struct sVertex {
  float x, y, z, rhw;
  uint32_t Color;  // a << 24 | r << 16 | g << 8 | b
  uint32_t Specular;
  float u, v;
};
static_assert(sizeof(sVertex) == 32, "the platform's vertex record");

class sDisplay : public sDevice {
public:
  sDisplay();
  ~sDisplay() override;                                                    // 0
  virtual int GetKind();                                                   // 1
  virtual int GetModeCount();                                              // 2
  virtual sDisplayMode* GetMode(int i);                                    // 3
  virtual bool FindMode(sDisplayMode* request);                            // 4
  virtual void SetDisplayMode(sDisplayMode* mode) = 0;                     // 5
  virtual void GetCurrentMode(sDisplayMode* out);                          // 6
  virtual void SetPalette(const sColor palette[256]) = 0;                  // 7
  virtual int AddTexture(sTexture* t);                                     // 8
  virtual int RemoveTexture(sTexture* t);                                  // 9
  virtual int GetTextureCount();                                           // 10
  virtual sTexture* GetTexture(int i);                                     // 11
  virtual void LoadTextures(const sDisplayMode* mode) = 0;                 // 12
  virtual void UploadTextures() = 0;                                       // 13
  virtual void TextureNop(int a, int b) = 0;                               // 14
  virtual void ReleaseTextures() = 0;                                      // 15
  virtual uint32_t ColorToIndex(const sColor* c);                          // 16
  virtual uint32_t ColorToIndex(int r, int g, int b, int a);               // 17
  virtual void IndexToColor(uint32_t value, sColor* out);                  // 18
  virtual void BeginFrame(int flags) = 0;                                  // 19
  virtual void Present() = 0;                                              // 20
  virtual void Begin3D(const sRect* area) = 0;                             // 21
  virtual void End3D() = 0;                                                // 22
  virtual void Lock(sBitmap* out) = 0;                                     // 23
  virtual void Unlock() = 0;                                               // 24
  virtual int GetBufferIndex() = 0;                                        // 25
  virtual void SetMousePointer(bool visible, int x, int y) = 0;            // 26
  virtual void SetClipRect(const sRect* r) = 0;                            // 27
  virtual void ClearClipRect() = 0;                                        // 28
  virtual void PutPixel(uint32_t value, int x, int y) = 0;                 // 29
  virtual void HLine(uint32_t value, int x0, int x1, int y) = 0;           // 30
  virtual void VLine(uint32_t value, int x, int y0, int y1) = 0;           // 31
  virtual void Line(uint32_t value, int x0, int y0, int x1, int y1) = 0;   // 32
  virtual void FillRect(uint32_t value, const sRect* r);                   // 33
  virtual void FillRect(uint32_t value, int x0, int y0, int x1, int y1) = 0;   // 34
  virtual void FrameRect(uint32_t value, const sRect* r);                      // 35
  virtual void FrameRect(uint32_t value, int x0, int y0, int x1, int y1) = 0;  // 36
  virtual void Blit(sTexture* t, const sBlitRect* area) = 0;                   // 37
  virtual void BlitMono(sTexture* t, const sBlitRect* area, uint32_t value) = 0;                   // 38
  virtual void BlitMonoOpaque(sTexture* t, const sBlitRect* area, uint32_t fg, uint32_t bg) = 0;   // 39
  virtual void DrawBitmap(sBitmap* b, const sBlitRect* area) = 0;                                  // 40
  virtual sVertex* AllocVertices(int n) = 0;                               // 41
  virtual sVertex* GetVertices(int n) = 0;                                 // 42
  virtual void SetRenderMode(uint32_t flags) = 0;                          // 43
  virtual void SetTexture(sTexture* t) = 0;                                // 44
  virtual void SetColor(int r, int g, int b, int a) = 0;                   // 45
  virtual void SetColor(const sColor* c) = 0;                              // 46
  virtual void DrawStrip(int n) = 0;                                       // 47
  virtual void DrawFan(int n) = 0;                                         // 48

  sDisplay(const sDisplay&) = delete;
  sDisplay& operator=(const sDisplay&) = delete;

protected:
  sDisplayMode* Modes = nullptr;  // filled and freed by the driver
  sDisplayMode CurrentMode;
  int32_t ModeCount = 0;
  int32_t Kind = 0;
  sTexture* Textures[256] = {};
  int32_t TextureCount = 0;
};

// The score FindMode gives a listed mode for a request (lower is better).
int ModeScore(const sDisplayMode& request, const sDisplayMode& mode);
