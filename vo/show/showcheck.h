// The files a show needs, and whether its data has them in the kinds and
// sizes its layers can use. Checked before any layer is built, so that a
// wrong picture is named with the layer that needs it instead of ending in an
// assertion inside the layer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vo/show/show.h"

// Where a show's files come from: the entries of a pack file, or plain files
// in a folder. Reads with the C++ library only, never through the fatal paths.
class sShowData {
public:
  // False with a one-line message when the file is not a pack.
  bool OpenPack(const std::string& path, std::string* error);
  void OpenFolder(const std::string& path);
  bool IsPack() const { return pack_; }
  const std::string& Path() const { return path_; }
  // "the pack /x/v01.dat" or "the folder /x/pictures".
  std::string Where() const;
  // The folder the soundtrack is read from: the pack's own, or the folder.
  std::string Folder() const;
  // Bytes in the named file, or -1 when the data has no such file.
  int64_t Size(const std::string& name) const;
  // False for a pack entry whose bytes run past the end of the pack.
  bool Whole(const std::string& name) const;
  // Up to `count` bytes at `offset` of the named file (fewer at its end).
  std::vector<uint8_t> Read(const std::string& name, int64_t offset, size_t count) const;

private:
  struct Entry {
    std::string name;  // folded: lower case, '/' separators
    int64_t offset, size;
  };
  const Entry* Find(const std::string& name) const;
  bool pack_ = false;
  std::string path_;
  int64_t packBytes_ = 0;
  std::vector<Entry> entries_;
};

// One file one layer needs, with what the layer can use.
struct sNeed {
  std::string Name;
  sPictureRole Role = sPictureRole::Picture;
  std::string Layer;  // "layer 33 (masked-effect)"
  sShowPlace Place;   // where the show names it
  bool Image = true;
  // Images: Index 8, at least 1 x 1; at most and at least these sizes.
  int MaxWidth = 65535, MaxHeight = 65535, MinWidth = 1, MinHeight = 1;
  // Raw files: at least MinBytes (a longer file is fine: the rest is not
  // read); the texture's are MinRows rows of RowBytes.
  int64_t MinBytes = 0, RowBytes = 0, MinRows = 0;
};

// What the layer needs, in words: "an Index 8 picture of at most 511 x 511".
std::string DescribeNeed(const sNeed& need);

// Every picture and raw file of the show, in layer order.
std::vector<sNeed> ShowNeeds(const sShow& show);

struct sNeedState {
  bool Present = false;  // the data has a file of that name
  std::string Found;     // "Index 8, 640 x 480" or "4096 bytes"; "" when absent
  std::string Problem;   // "" when the file is there and usable
};
sNeedState CheckNeed(const sShowData& data, const sNeed& need);

// The first need that fails, as one line naming the file, where it was looked
// for and the layer that needs it; "" when all are there.
std::string FirstProblem(const sShowData& data, const std::vector<sNeed>& needs);
