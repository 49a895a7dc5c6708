// Our stand-in for DirectDraw: software surfaces in memory with a flip chain,
// lock/unlock, colour fill, rectangle copy with source colour key, an 8-bit
// palette on the primary, a lost-surface state and a list of display modes.
// One DirectDraw object per process. Results are DirectDraw-style codes; the
// framework prints them but never interprets them beyond "lost" and "ok".
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

using DDResult = uint32_t;
constexpr DDResult DD_OK = 0;
constexpr DDResult DDERR_GENERIC = 0x80004005u;
constexpr DDResult DDERR_INVALIDPARAMS = 0x80070057u;
constexpr DDResult DDERR_OUTOFMEMORY = 0x8007000Eu;
constexpr DDResult DDERR_INVALIDRECT = 0x88760096u;
constexpr DDResult DDERR_OUTOFVIDEOMEMORY = 0x8876017Cu;
constexpr DDResult DDERR_SURFACEBUSY = 0x887601AEu;
constexpr DDResult DDERR_SURFACELOST = 0x887601C2u;
constexpr DDResult DDERR_NOTLOCKED = 0x88760248u;
constexpr DDResult DDERR_NOTFOUND = 0x887600FFu;

// Pixel format flags (DDPIXELFORMAT).
enum : uint32_t {
  DDPF_ALPHAPIXELS = 0x1,
  DDPF_PALETTEINDEXED4 = 0x8,
  DDPF_PALETTEINDEXED8 = 0x20,
  DDPF_RGB = 0x40,
  DDPF_ZBUFFER = 0x400,
  DDPF_PALETTEINDEXED1 = 0x800,
  DDPF_PALETTEINDEXED2 = 0x1000,
};

struct DDPixelFormat {
  uint32_t flags = 0;
  uint32_t bitCount = 0;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
};

// The formats of the classic screen modes and of textures.
DDPixelFormat FormatIndexed(int bits);  // 1, 2, 4 or 8
DDPixelFormat Format0565();
DDPixelFormat Format1555();
DDPixelFormat Format4444();
DDPixelFormat Format0888();
DDPixelFormat Format8888();

// Pixel x of a surface row of `bits` bits per pixel: whole bytes, low byte
// first, or below 8 bits packed with the leftmost pixel in the high bits.
uint32_t LoadRowPixel(const uint8_t* row, int x, int bits);
void StoreRowPixel(uint8_t* row, int x, int bits, uint32_t value);

// Surface capabilities (DDSCAPS).
enum : uint32_t {
  DDSCAPS_BACKBUFFER = 0x4,
  DDSCAPS_COMPLEX = 0x8,
  DDSCAPS_FLIP = 0x10,
  DDSCAPS_OFFSCREENPLAIN = 0x40,
  DDSCAPS_PRIMARYSURFACE = 0x200,
  DDSCAPS_SYSTEMMEMORY = 0x800,
  DDSCAPS_TEXTURE = 0x1000,
  DDSCAPS_3DDEVICE = 0x2000,
  DDSCAPS_VIDEOMEMORY = 0x4000,
  DDSCAPS_ZBUFFER = 0x20000,
  DDSCAPS_ALLOCONLOAD = 0x4000000,
};

// Which fields of a surface description are valid (DDSD).
enum : uint32_t {
  DDSD_CAPS = 0x1,
  DDSD_HEIGHT = 0x2,
  DDSD_WIDTH = 0x4,
  DDSD_BACKBUFFERCOUNT = 0x20,
  DDSD_ZBUFFERBITDEPTH = 0x40,
  DDSD_PIXELFORMAT = 0x1000,
};

struct DDSurfaceDesc {
  uint32_t flags = 0;
  uint32_t caps = 0;
  int width = 0;
  int height = 0;
  int backBufferCount = 0;
  int zBufferBitDepth = 0;
  DDPixelFormat format;
};

// Lock flags; the stand-in honours WAIT only (it waits for a pending flip).
enum : uint32_t { DDLOCK_WAIT = 0x1, DDLOCK_WRITEONLY = 0x20 };
enum : uint32_t { DDBLTFAST_WAIT = 0x10, DDBLTFAST_SRCCOLORKEY = 0x1 };

// Right and bottom are exclusive.
struct DDRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct DDPaletteEntry {
  uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

struct DDModeInfo {
  int width = 0;
  int height = 0;
  DDPixelFormat format;
};

class DDPalette;

// A reference-counted object, released as COM objects were.
class DDObject {
public:
  void AddRef() { ++refs_; }
  void Release() {
    if (--refs_ == 0) delete this;
  }

protected:
  virtual ~DDObject() = default;

private:
  int refs_ = 1;
};

class DDSurface : public DDObject {
public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pitch() const { return pitch_; }
  uint32_t Caps() const { return caps_; }
  const DDPixelFormat& Format() const { return format_; }
  bool IsLost() const { return lost_; }
  bool IsLocked() const { return locked_; }

  // Whole-surface lock: start address and pitch.
  DDResult Lock(uint8_t** pixels, int* pitch, uint32_t flags);
  DDResult Unlock();
  DDResult Restore();
  DDResult GetAttachedBackBuffer(DDSurface** out);
  DDResult AddAttachedSurface(DDSurface* zbuffer);
  // Primary only: the back buffer becomes the front buffer.
  DDResult Flip();
  // Primary only: the palette of the screen from now on.
  DDResult SetPalette(DDPalette* palette);
  // Colour fill of a rectangle (null: whole surface) with a pixel value.
  DDResult ColorFill(const DDRect* area, uint32_t value);
  // Depth fill of a Z-buffer rectangle.
  DDResult DepthFill(const DDRect* area, uint32_t value);
  // Copies src's rectangle to (x, y); with DDBLTFAST_SRCCOLORKEY, source pixels
  // inside the source's key range are skipped.
  DDResult BltFast(int x, int y, DDSurface* source, const DDRect& sourceArea, uint32_t flags);
  DDResult SetColorKey(uint32_t low, uint32_t high);

  // Read access for tests and presenters (no lock needed, no faults).
  const uint8_t* Memory() const;
  DDSurface* AttachedZBuffer() const { return zbuffer_; }
  const DDPalette* AttachedPalette() const { return palette_; }
  uint32_t ColorKeyLow() const { return keyLow_; }
  bool HasColorKey() const { return hasKey_; }

protected:
  ~DDSurface() override;

private:
  friend class DirectDraw;
  friend void LoseAllSurfaces();
  DDSurface();

  struct Buffer;
  int width_ = 0, height_ = 0, pitch_ = 0;
  uint32_t caps_ = 0;
  DDPixelFormat format_;
  size_t videoBytes_ = 0;  // taken from the video memory budget
  Buffer* memory_ = nullptr;
  bool lost_ = false;
  bool locked_ = false;
  bool hasKey_ = false;
  uint32_t keyLow_ = 0, keyHigh_ = 0;
  DDPalette* palette_ = nullptr;
  DDSurface* zbuffer_ = nullptr;
  // Flip chain, held by the primary: chain_[0] is the primary itself.
  std::vector<DDSurface*> chain_;
  DDSurface* primary_ = nullptr;  // for back buffers: the chain's owner
};

class DDPalette : public DDObject {
public:
  const DDPaletteEntry* Entries() const { return entries_; }

private:
  friend class DirectDraw;
  DDPaletteEntry entries_[256];
};

class DirectDraw : public DDObject {
public:
  DDResult SetCooperativeLevel(bool exclusive);
  // Video memory in bytes: the total and what is free.
  DDResult GetAvailableVidMem(uint32_t* total, uint32_t* free);
  // Calls back once per mode; the callback returns false to stop.
  DDResult EnumDisplayModes(bool (*callback)(const DDModeInfo& mode, void* user), void* user);
  // The bit depth picks the mode; a card had one format per depth, the stand-in
  // offers 0565 and 1555 both, so the caller may name the format it chose.
  DDResult SetDisplayMode(int width, int height, int bits, const DDPixelFormat* format = nullptr);
  DDResult CreateSurface(const DDSurfaceDesc& desc, DDSurface** out);
  DDResult CreatePalette(const DDPaletteEntry entries[256], DDPalette** out);

  int ModeWidth() const { return modeWidth_; }
  int ModeHeight() const { return modeHeight_; }
  int ModeBits() const { return modeBits_; }

protected:
  ~DirectDraw() override;

private:
  friend DDResult DirectDrawCreate(DirectDraw** out);
  int modeWidth_ = 640, modeHeight_ = 480, modeBits_ = 8;
};

// The one DirectDraw object: fails while one exists or when a fault is injected.
DDResult DirectDrawCreate(DirectDraw** out);

// The video memory every backend offers: 8 MiB, as a card of the time.
constexpr uint32_t VideoMemoryBytes = 8u * 1024u * 1024u;

// The classic modes: 320 x 200 to 1280 x 1024 in Index 8, 0565, 1555, 0888 and 8888.
const std::vector<DDModeInfo>& ClassicModes();

// ---- Presenting: where the front buffer goes at each flip. ----

// A flipped frame: the pixels copied at the flip, and the palette attached to
// the primary when the frame was committed (when Present ended).
struct DDFrame {
  int width = 0, height = 0, pitch = 0;
  DDPixelFormat format;
  std::vector<uint8_t> pixels;
  DDPaletteEntry palette[256];
  uint64_t number = 0;  // 1 for the first frame of the process
};

class Presenter {
public:
  virtual ~Presenter() = default;
  // Shows the frame; returns once it is on its way (a presenter with a
  // screen waits here for the refresh, which paces the show).
  virtual void ShowFrame(const DDFrame& frame) = 0;
};

// The running backend's presenter; null: frames are dropped.
void SetPresenter(Presenter* presenter);
Presenter* GetPresenter();

// ---- Faults tests can inject. ----

enum class DDFault {
  Create,            // DirectDrawCreate
  CooperativeLevel,  // SetCooperativeLevel
  QueryInterface,    // the second DirectDraw interface
  QueryDirect3D,     // the Direct3D interface
  AvailableVidMem,
  CreateSurface,
  GetAttachedSurface,
  AddAttachedSurface,
  Lock,      // a plain failure
  LoseOnLock,  // the surface is lost just before a lock
  Unlock,    // a plain failure
  Blt,       // colour fill, depth fill and BltFast
  CreatePalette,
  // Direct3D
  CreateDevice,
  CreateViewport,
  AddViewport,
  SetViewport,
  SetCurrentViewport,
  CreateMaterial,
  Count
};

// The next `count` calls of that kind fail, after `after` calls that succeed.
void InjectDisplayFault(DDFault fault, int count = 1, int after = 0);
void ClearDisplayFaults();
// True (and one failure used up) when the next call of that kind must fail.
bool DisplayFaultFires(DDFault fault);

// Every surface becomes lost, as when another program took the screen.
void LoseAllSurfaces();
// Replaces the mode list (null: the classic modes).
void SetDisplayModesForTest(const std::vector<DDModeInfo>* modes);
// Number of DDSurface objects alive (leak checks in tests).
int LiveSurfaceCount();
// Bytes of video memory in use.
uint32_t VideoMemoryInUse();

}  // namespace platform
