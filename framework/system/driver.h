// sWinDriver: the display over the platform's DirectDraw and Direct3D
// stand-in: mode list and budget, mode switch, back-buffer lock, Present,
// palette hand-over, drawing, textures and the mouse pointer.
#pragma once
#include <cstdint>

#include "framework/display.h"

namespace platform {
class DDPalette;
}

// The platform start-up before the driver exists (failures end the program
// through FatalBox), and the shut-down after it; the fatal paths shut down too.
void StartDirectDraw();
void ReleaseDirectDraw();

class sWinDriver final : public sDisplay {
public:
  sWinDriver();
  ~sWinDriver() override;

  void SetDisplayMode(sDisplayMode* mode) override;
  void SetPalette(const sColor palette[256]) override;
  void LoadTextures(const sDisplayMode* mode) override;
  void UploadTextures() override;
  void TextureNop(int a, int b) override;
  void ReleaseTextures() override;
  void BeginFrame(int flags) override;
  void Present() override;
  void Begin3D(const sRect* area) override;
  void End3D() override;
  void Lock(sBitmap* out) override;
  void Unlock() override;
  int GetBufferIndex() override;
  void SetMousePointer(bool visible, int x, int y) override;
  void SetClipRect(const sRect* r) override;
  void ClearClipRect() override;
  void PutPixel(uint32_t value, int x, int y) override;
  void HLine(uint32_t value, int x0, int x1, int y) override;
  void VLine(uint32_t value, int x, int y0, int y1) override;
  void Line(uint32_t value, int x0, int y0, int x1, int y1) override;
  using sDisplay::FillRect;
  void FillRect(uint32_t value, int x0, int y0, int x1, int y1) override;
  using sDisplay::FrameRect;
  void FrameRect(uint32_t value, int x0, int y0, int x1, int y1) override;
  void Blit(sTexture* t, const sBlitRect* area) override;
  void BlitMono(sTexture* t, const sBlitRect* area, uint32_t value) override;
  void BlitMonoOpaque(sTexture* t, const sBlitRect* area, uint32_t fg, uint32_t bg) override;
  void DrawBitmap(sBitmap* b, const sBlitRect* area) override;
  sVertex* AllocVertices(int n) override;
  sVertex* GetVertices(int n) override;
  void SetRenderMode(uint32_t flags) override;
  void SetTexture(sTexture* t) override;
  void SetColor(int r, int g, int b, int a) override;
  void SetColor(const sColor* c) override;
  void DrawStrip(int n) override;
  void DrawFan(int n) override;

  // The back buffer's lock state: locking reports success; unlocking a lock
  // the platform refuses is fatal ("could not unlock buffer").
  bool LockBackBuffer();
  void UnlockBackBuffer();
  bool IsLocked() const { return Locked; }

  // For tests and tools: the platform surfaces.
  platform::DDSurface* PrimarySurface() const { return Primary; }
  platform::DDSurface* BackBufferSurface() const { return BackBuffer; }
  // The pointer's save-under of buffer i: its surface and whether it holds a
  // background to put back.
  const platform::DDSurface* SaveUnderSurface(int i) const { return SaveUnder[i]; }
  bool PointerSaved(int i) const { return Saved[i]; }

private:
  void BuildModeList();
  void ReleaseSurfaces();
  void SetUp3D(sDisplayMode* mode);
  void DrawVertices(uint32_t primitive, int n);  // a strip or fan of the first n vertices
  bool Fill(uint32_t value, int x0, int y0, int x1, int y1);
  // Mouse pointer.
  void SetUpPointer();
  void DrawPointer();
  void RestorePointer();
  void ReleasePointer();

  int32_t VideoMemory = 0;
  platform::DDSurface* Primary = nullptr;
  platform::DDSurface* BackBuffer = nullptr;
  platform::DDSurface* ZBufferSurface = nullptr;
  uint8_t* LockStart = nullptr;  // the lock descriptor: start address and pitch
  int32_t LockPitch = 0;
  bool Locked = false;
  uint32_t FillValue = 0;  // the blit parameters' fill colour
  int32_t BufferIndex = 0;
  bool PaletteDirty = false;
  sColor Palette[256] = {};
  // Mouse pointer.
  bool PointerVisible = false;
  int32_t PointerX = 0, PointerY = 0;
  platform::DDSurface* PointerSurface = nullptr;
  platform::DDSurface* SaveUnder[3] = {};
  sRect SavedRect[3] = {};
  bool Saved[3] = {};
  // Direct3D.
  sVertex* Vertices = nullptr;
  int32_t VertexCount = 0;
  sColor CurrentColor = {255, 255, 255, 255};
  uint32_t TextureHandle = 0;
  uint32_t RenderMode = 0;
  // Clipping.
  bool Clipping = false;
  sRect Clip = {0, 0, 0, 0};
};

// The live driver, or null.
sWinDriver* CurrentDisplay();
