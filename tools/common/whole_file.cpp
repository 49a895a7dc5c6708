#include "tools/common/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data, std::string* error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  data->clear();
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) data->insert(data->end(), chunk, chunk + got);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) *error = "cannot read " + path;
  return ok;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error) {
  const std::string temp = path + ".part";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = (std::fclose(f) == 0) && ok;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    std::remove(temp.c_str());
    *error = "cannot write " + path + ": " + std::strerror(errno);
  }
  return ok;
}
