// pack: builds, lists and unpacks pack files. Listing and unpacking go
// through the framework's own pack reader, so what it accepts is what the
// program accepts.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/pack.h"
#include "framework/system/fatal.h"
#include "tools/common/command_line.h"
#include "tools/common/pack_writer.h"
#include "tools/common/tool_exit.h"
#include "tools/common/tool_input.h"
#include "tools/common/whole_file.h"

namespace fs = std::filesystem;

namespace {

const char* const Usage =
    "usage: pack build OUT.dat [-C DIR] PATH... [-C DIR PATH...]\n"
    "       pack list PACK\n"
    "       pack extract PACK [DIR]\n"
    "       pack --help | --version\n"
    "\n"
    "build    stores files under their path relative to the folder in effect,\n"
    "         with '/' between folders; folders are walked, their files in name\n"
    "         order. As with tar, -C DIR (--directory DIR) changes that folder\n"
    "         for the paths after it (relative to the one before; at first the\n"
    "         current folder). Names longer than 63 bytes, two names that are\n"
    "         the same ignoring case and '\\' vs '/', OUT among the inputs, and\n"
    "         packs of 2 GiB or more are refused.\n"
    "list     prints size, offset and name of every entry, names as the reader\n"
    "         keeps them (lower case, '/'; control characters as \\xNN).\n"
    "extract  writes every entry below DIR (default: the current folder).\n"
    "\n"
    "PACK may be - for the standard input, as may OUT.dat for the standard output.\n";

// A path given on the command line with the folder in effect for it.
struct Input {
  std::string path;
  fs::path root;
};

fs::path Lexical(const fs::path& p) {
  std::error_code ec;
  return fs::absolute(p, ec).lexically_normal();
}

struct FileId {
  dev_t device;
  ino_t inode;
  bool operator==(const FileId& o) const { return device == o.device && inode == o.inode; }
};

bool Identify(const std::string& path, FileId* id) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  *id = {st.st_dev, st.st_ino};
  return true;
}

class Builder {
public:
  explicit Builder(const std::string& out) : out_(out), outExists_(out != "-" && Identify(out, &outId_)) {}

  void Add(const Input& input) {
    const fs::path p =
        fs::path(input.path).is_absolute() || input.root == "." ? fs::path(input.path) : input.root / input.path;
    std::error_code ec;
    const fs::file_status status = fs::status(p, ec);
    if (ec || !fs::exists(status)) Fail("cannot open " + Printable(input.path) + ": " + Reason(ec));
    if (fs::is_directory(status)) {
      std::vector<fs::path> files;
      for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::recursive_directory_iterator();
           it.increment(ec)) {
        std::error_code typeError;
        const bool file = it->is_regular_file(typeError);
        // A link that leads nowhere (or round in a loop) is not skipped in silence.
        if (typeError) Fail("cannot read " + Printable(it->path().string()) + ": " + typeError.message());
        if (file) files.push_back(it->path());
      }
      if (ec) Fail("cannot walk " + Printable(p.string()) + ": " + ec.message());
      std::sort(files.begin(), files.end());
      for (const fs::path& f : files) AddFile(f, input.root);
    } else if (fs::is_regular_file(status)) {
      AddFile(p, input.root);
    } else {
      Fail("cannot pack " + Printable(input.path) + ": not a file or folder");
    }
  }

  int Write() {
    std::string error;
    if (!writer_.Write(out_, &error)) Fail(Printable(error));
    if (out_ != "-")
      std::printf("%s: %d entries, %lld bytes\n", Printable(out_).c_str(), writer_.Count(),
                  static_cast<long long>(writer_.PackBytes()));
    return 0;
  }

private:
  static std::string Reason(const std::error_code& ec) {
    return ec ? ec.message() : std::string("No such file or directory");
  }

  void AddFile(const fs::path& file, const fs::path& root) {
    FileId id;
    if (outExists_ && Identify(file.string(), &id) && id == outId_)
      Fail("cannot build " + Printable(out_) + ": it is one of its own inputs (" + Printable(file.string()) + ")");
    const fs::path relative = Lexical(file).lexically_relative(Lexical(root));
    if (relative.empty() || *relative.begin() == "..")
      Fail(Printable(file.string()) + " lies outside " + Printable(root.string()));
    std::string error;
    if (!writer_.AddFile(relative.generic_string(), file.string(), &error)) Fail(Printable(error));
  }

  std::string out_;
  FileId outId_{};
  bool outExists_;
  PackWriter writer_;
};

int Build(const std::vector<Input>& args) {
  if (args.size() < 2) BadUsage("build takes OUT.dat and at least one PATH");
  Builder builder(args[0].path);
  for (size_t i = 1; i < args.size(); ++i) builder.Add(args[i]);
  return builder.Write();
}

// Opens the pack through the framework's reader; its fatal errors name the file.
void OpenPack(const std::string& name) {
  std::string path, error;
  if (!SeekableInput(name, "PACK", "a pack file", int64_t{1} << 31, &path, &error)) Fail(error);
  const std::string shown = name == "-" ? "standard input" : Printable(name);
  std::vector<uint8_t> start;
  if (!ReadFileStart(path, 4, &start, &error)) Fail(error);
  if (start.size() < 4 || std::memcmp(start.data(), "PACK", 4) != 0) Fail(shown + " is not a pack file");
  static std::string label;
  label = "pack: " + shown;
  UseToolFatalHandler(label.c_str());
  OpenPackFile(path.c_str());
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) BadUsage("list takes one PACK");
  OpenPack(args[0]);
  const int count = PackEntryCount();
  for (int i = 0; i < count; ++i) {
    const sPackEntry* e = PackEntryAt(i);
    std::printf("%10d %10d  %s\n", e->size, e->offset, Printable(e->name).c_str());
  }
  std::printf("%d entries\n", count);
  return 0;
}

// Names come from the file: none may climb out of the target folder.
bool SafeName(const std::string& name) {
  const fs::path p(name);
  if (name.empty() || p.is_absolute() || name[0] == '/') return false;
  for (const fs::path& part : p)
    if (part == ".." || part == ".") return false;
  return name.back() != '/';
}

int Extract(const std::vector<std::string>& args) {
  if (args.size() < 1 || args.size() > 2) BadUsage("extract takes PACK and an optional DIR");
  OpenPack(args[0]);
  const fs::path dir = args.size() == 2 ? fs::path(args[1]) : fs::path(".");
  const int count = PackEntryCount();
  for (int i = 0; i < count; ++i) {
    const sPackEntry* e = PackEntryAt(i);
    if (!SafeName(e->name))
      Fail("entry name \"" + Printable(e->name) + "\" would be written outside " + Printable(dir.string()));
    if (FindPackEntry(e->name) != e) {
      std::fprintf(stderr, "pack: skipping \"%s\": an earlier entry has the same name\n", Printable(e->name).c_str());
      continue;
    }
    int size = 0;
    auto* data = static_cast<uint8_t*>(LoadFile(e->name, &size));
    std::vector<uint8_t> bytes(data, data + size);
    ::operator delete(data);
    const fs::path target = dir / e->name;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::string error;
    if (ec) Fail("cannot create " + Printable(target.parent_path().string()) + ": " + ec.message());
    if (!WriteWholeFile(target.string(), bytes, &error)) Fail(Printable(error));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  StartTool("pack");
  std::vector<std::string> args;
  std::vector<Input> inputs;  // each operand with the folder in effect for it
  fs::path root = ".";
  bool changedRoot = false, rootUsed = true;
  sCommandLine line(argc, argv);
  while (line.Next()) {
    if (line.Is("--directory", "-C")) {
      const std::string dir = line.Value();
      root = fs::path(dir).is_absolute() ? fs::path(dir) : root / dir;
      changedRoot = true;
      rootUsed = false;
    } else if (line.IsOperand()) {
      args.push_back(line.Text());
      inputs.push_back({line.Text(), root});
      rootUsed = true;
    } else {
      line.Unknown();
    }
  }
  line.Finish("pack", Usage);
  if (args.empty()) BadUsage("no command");
  const std::string command = args[0];
  args.erase(args.begin());
  inputs.erase(inputs.begin());
  if (command != "build" && changedRoot) BadUsage("-C belongs to build");
  if (!rootUsed) BadUsage("-C DIR applies to the paths after it, and none follows");
  if (command == "build") {
    // OUT is named from the folder the command started in, as tar's archive is.
    if (!inputs.empty()) inputs[0].root = ".";
    return Build(inputs);
  }
  if (command == "list") return List(args);
  if (command == "extract") return Extract(args);
  BadUsage("unknown command \"" + Printable(command) + "\"");
}
