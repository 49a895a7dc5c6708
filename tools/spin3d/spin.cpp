#include "tools/spin3d/spin.h"

#include <cmath>
#include <cstring>

#include "framework/bitmap.h"

namespace {

struct Vec {
  float x, y, z;
};

Vec Rotate(Vec p, float a, float b) {
  // About y by a, then about x by b.
  const float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
  Vec q{p.x * ca + p.z * sa, p.y, -p.x * sa + p.z * ca};
  return {q.x, q.y * cb - q.z * sb, q.y * sb + q.z * cb};
}

// Corners of each face, in strip order, and the face's texture corners.
const Vec Corners[8] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                        {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}};
const int Faces[6][4] = {{2, 3, 0, 1}, {7, 6, 5, 4}, {6, 2, 4, 0}, {3, 7, 1, 5}, {6, 7, 2, 3}, {0, 1, 4, 5}};
const float FaceU[4] = {0, 1, 0, 1}, FaceV[4] = {0, 0, 1, 1};

constexpr float Distance = 4.2f;  // of the cube's centre from the eye
constexpr float Focal = 520.0f;   // pixels at unit depth

}  // namespace

sSpinCube::sSpinCube(sDisplay* display) : Display(display) {
  // A tile pattern with a frame and a diagonal, so that perspective and
  // filtering are easy to see.
  sBitmap* b = new sBitmap;
  b->Create(64, 64, Kind0565, 1);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      int r = 40 + 3 * x, g = 60 + 2 * y, bl = 200;
      if (((x >> 3) ^ (y >> 3)) & 1) r /= 2, g /= 2, bl = 120;
      if (x < 3 || y < 3 || x > 60 || y > 60) r = g = bl = 255;
      if (std::abs(x - y) < 2) r = 255, g = 210, bl = 40;
      const uint16_t v = static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | (bl >> 3));
      std::memcpy(b->Pixels[0] + b->Pitch[0] * y + 2 * x, &v, 2);
    }
  }
  Texture.Bitmap = b;
  Texture.Usage = Texture3D;
  Display->AddTexture(&Texture);
}

sSpinCube::~sSpinCube() {
  Display->ReleaseTextures();
  Display->RemoveTexture(&Texture);
}

void sSpinCube::Prepare(const sDisplayMode* mode) {
  Display->LoadTextures(mode);
  Display->UploadTextures();
}

void sSpinCube::Draw(float ms) {
  sDisplayMode mode;
  Display->GetCurrentMode(&mode);
  Display->FillRect(Display->ColorToIndex(16, 20, 40, 255), 0, 0, mode.Width, mode.Height);

  Display->Begin3D(nullptr);
  Display->AllocVertices(4);
  Display->SetTexture(&Texture);
  // Gouraud-modulated texture, Z test and write.
  Display->SetRenderMode((Linear ? 5u : 3u) | 0x30u);
  const float a = ms * 0.0011f, b = ms * 0.0007f;
  const Vec light{-0.45f, 0.55f, -0.7f};
  for (const auto& face : Faces) {
    sVertex* v = Display->GetVertices(4);
    for (int i = 0; i < 4; ++i) {
      const Vec c = Corners[face[i]];
      const Vec p = Rotate(c, a, b);
      // Corner normals pointing out of the centre make the shading smooth.
      const float len = std::sqrt(3.0f);
      const Vec n{p.x / len, p.y / len, p.z / len};
      float lit = n.x * light.x + n.y * light.y + n.z * light.z;
      lit = 0.25f + 0.75f * (lit > 0 ? lit : 0);
      const int level = static_cast<int>(255 * (lit > 1 ? 1 : lit));
      const float z = p.z + Distance;
      v[i].x = mode.Width / 2 + Focal * p.x / z;
      v[i].y = mode.Height / 2 - Focal * p.y / z;
      v[i].z = 1.0f / z;  // larger is nearer
      v[i].rhw = 1.0f / z;
      v[i].Color = 0xFF000000u | static_cast<uint32_t>(level) << 16 | static_cast<uint32_t>(level) << 8 |
                   static_cast<uint32_t>(level * 7 / 8);
      v[i].Specular = 0;
      v[i].u = FaceU[i];
      v[i].v = FaceV[i];
    }
    Display->DrawStrip(4);
  }
  Display->End3D();
}
