// The effect's brightness field: soft blobs on smooth paths, added with saturation.
#pragma once
#include <cstdint>

#include "vo/path.h"

// The next field made lays its blobs out as the program's first one does.
void ForgetBlobFields();

class sBlobField {
public:
  enum { Size = 352, Blobs = 40, PathPoints = 32 };

  sBlobField(const uint8_t* blob, int blobSize);
  sBlobField(const sBlobField&) = delete;
  sBlobField& operator=(const sBlobField&) = delete;

  // Moves every drawn blob by step and rebuilds Field.
  void Render(int step);

  const uint8_t* Blob;
  int BlobSize;
  sPathPoint Points[Blobs][PathPoints];
  sPath Paths[Blobs];
  uint8_t Field[Size * Size];
};
