// Building pack files: "PACK", two zero words, the count, the directory
// (size, offset, NUL-terminated name per entry), "pack", then the data of
// every entry in order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The name as the pack reader keeps it: A-Z lowered, '\' turned into '/'.
std::string FoldPackName(const std::string& name);

class PackWriter {
public:
  // Names must be 1 to 63 bytes without NUL and must not fold to the name of
  // an entry already added (the reader would never find the second one).
  bool Add(const std::string& name, std::vector<uint8_t> data, std::string* error);
  // The file's bytes are read when the pack is written.
  bool AddFile(const std::string& name, const std::string& path, std::string* error);

  // Offsets and sizes are 32-bit signed in the reader: the whole pack must
  // stay below 2 GiB.
  int64_t PackBytes() const;
  bool Write(const std::string& path, std::string* error) const;
  int Count() const { return static_cast<int>(entries_.size()); }

private:
  struct Entry {
    std::string name;
    std::string path;  // empty: data
    std::vector<uint8_t> data;
    int64_t size;
  };
  bool CheckName(const std::string& name, std::string* error) const;
  std::vector<Entry> entries_;
};
