#include "tools/common/pack_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/output/output_file.h"

namespace {

constexpr int64_t PackLimit = int64_t{1} << 31;

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string FoldPackName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\') c = '/';
  }
  return folded;
}

bool PackWriter::CheckName(const std::string& name, std::string* error) const {
  if (name.empty() || name.size() > 63) {
    *error = "name \"" + name + "\" must be 1 to 63 bytes long (it has " + std::to_string(name.size()) + ")";
    return false;
  }
  if (name.find('\0') != std::string::npos) {
    *error = "name contains a NUL byte";
    return false;
  }
  const std::string folded = FoldPackName(name);
  for (const Entry& e : entries_)
    if (FoldPackName(e.name) == folded) {
      *error = "names \"" + e.name + "\" and \"" + name + "\" are the same name in a pack (\"" + folded + "\")";
      return false;
    }
  return true;
}

bool PackWriter::Add(const std::string& name, std::vector<uint8_t> data, std::string* error) {
  if (!CheckName(name, error)) return false;
  int64_t size = static_cast<int64_t>(data.size());
  entries_.push_back({name, std::string(), std::move(data), size});
  return true;
}

bool PackWriter::AddFile(const std::string& name, const std::string& path, std::string* error) {
  if (!CheckName(name, error)) return false;
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    *error = "cannot read " + path + ": " + ec.message();
    return false;
  }
  entries_.push_back({name, path, {}, static_cast<int64_t>(size)});
  return true;
}

int64_t PackWriter::PackBytes() const {
  int64_t total = 16 + 4;
  for (const Entry& e : entries_) total += 8 + static_cast<int64_t>(e.name.size()) + 1 + e.size;
  return total;
}

bool PackWriter::Write(const std::string& path, std::string* error) const {
  if (entries_.empty()) {
    *error = "a pack needs at least one entry (a count of 0 makes the reader ignore the pack)";
    return false;
  }
  const int64_t total = PackBytes();
  if (total >= PackLimit) {
    *error = "pack of " + std::to_string(total) + " bytes: packs must stay below 2 GiB";
    return false;
  }

  std::vector<uint8_t> head;
  head.insert(head.end(), {'P', 'A', 'C', 'K'});
  Put32(&head, 0);
  Put32(&head, 0);
  Put32(&head, static_cast<uint32_t>(entries_.size()));
  int64_t offset = 16 + 4;
  for (const Entry& e : entries_) offset += 8 + static_cast<int64_t>(e.name.size()) + 1;
  for (const Entry& e : entries_) {
    Put32(&head, static_cast<uint32_t>(e.size));
    Put32(&head, static_cast<uint32_t>(offset));
    head.insert(head.end(), e.name.begin(), e.name.end());
    head.push_back(0);
    offset += e.size;
  }
  head.insert(head.end(), {'p', 'a', 'c', 'k'});

  platform::OutputFile out;
  if (!out.Open(path, error)) return false;
  bool ok = std::fwrite(head.data(), 1, head.size(), out.Stream()) == head.size();
  for (const Entry& e : entries_) {
    if (!ok) break;
    if (e.path.empty()) {
      ok = e.data.empty() || std::fwrite(e.data.data(), 1, e.data.size(), out.Stream()) == e.data.size();
      continue;
    }
    std::unique_ptr<FILE, FileCloser> in(std::fopen(e.path.c_str(), "rb"));
    if (!in) {
      *error = "cannot open " + e.path + ": " + std::strerror(errno);
      return false;
    }
    // The directory already holds the size: a file that changed since is an error.
    int64_t copied = 0;
    char chunk[65536];
    size_t got;
    while (ok && (got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) {
      copied += static_cast<int64_t>(got);
      ok = copied <= e.size && std::fwrite(chunk, 1, got, out.Stream()) == got;
    }
    if (std::ferror(in.get())) {
      *error = "cannot read " + e.path + ": " + std::strerror(errno);
      return false;
    }
    if (copied != e.size) {
      *error = e.path + " changed size while the pack was written";
      return false;
    }
  }
  // A write that failed set the stream's error flag: Commit reports it.
  return out.Commit(error);
}
