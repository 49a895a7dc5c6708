#include "tools/common/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/output/output_file.h"

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
  const bool ok = !std::ferror(f);
  const int code = errno;
  std::fclose(f);
  if (!ok) *error = "cannot read " + path + ": " + std::strerror(code);
  return ok;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error) {
  platform::OutputFile out;
  if (!out.Open(path, error)) return false;
  if (!data.empty()) std::fwrite(data.data(), 1, data.size(), out.Stream());
  return out.Commit(error);  // a short write left the stream's error flag
}
