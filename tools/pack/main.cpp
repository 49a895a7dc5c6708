// pack: builds, lists and unpacks pack files. Listing and unpacking go
// through the framework's own pack reader, so what it accepts is what the
// program accepts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/pack.h"
#include "framework/system/fatal.h"
#include "platform/files.h"
#include "tools/common/command_line.h"
#include "tools/common/pack_writer.h"
#include "tools/common/tool_exit.h"
#include "tools/common/whole_file.h"

namespace fs = std::filesystem;

namespace {

const char* const Usage =
    "usage: pack build OUT.dat PATH... [-C DIR]\n"
    "       pack list PACK\n"
    "       pack extract PACK [DIR]\n"
    "       pack --help | --version\n"
    "\n"
    "build    stores files under their path relative to DIR (-C DIR or\n"
    "         --directory DIR; default: the current folder), with '/' between\n"
    "         folders; folders are walked, their files in name order. Names\n"
    "         longer than 63 bytes, two names that are the same ignoring case\n"
    "         and '\\' vs '/', and packs of 2 GiB or more are refused.\n"
    "list     prints size, offset and name of every entry, names as the reader\n"
    "         keeps them (lower case, '/').\n"
    "extract  writes every entry below DIR (default: the current folder).\n";

fs::path Absolute(const fs::path& p) {
  std::error_code ec;
  fs::path a = fs::weakly_canonical(fs::absolute(p), ec);
  if (ec) Fail("cannot resolve " + p.string() + ": " + ec.message());
  return a;
}

void AddOne(PackWriter& writer, const fs::path& file, const fs::path& root, const fs::path& out) {
  const fs::path full = Absolute(file);
  if (full == out || full == fs::path(out.string() + ".part")) return;
  const fs::path relative = full.lexically_relative(root);
  if (relative.empty() || *relative.begin() == "..") Fail(file.string() + " lies outside " + root.string());
  std::string error;
  if (!writer.AddFile(relative.generic_string(), full.string(), &error)) Fail(error);
}

int Build(const std::vector<std::string>& args, const std::string& rootDir) {
  if (args.size() < 2) BadUsage("build takes OUT.dat and at least one PATH");
  const fs::path root = Absolute(rootDir.empty() ? fs::path(".") : fs::path(rootDir));
  const fs::path out = Absolute(args[0]);
  PackWriter writer;
  for (size_t i = 1; i < args.size(); ++i) {
    fs::path p = fs::path(args[i]).is_absolute() || rootDir.empty() ? fs::path(args[i]) : root / args[i];
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<fs::path> files;
      for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::recursive_directory_iterator();
           it.increment(ec))
        if (it->is_regular_file()) files.push_back(it->path());
      if (ec) Fail("cannot walk " + p.string() + ": " + ec.message());
      std::sort(files.begin(), files.end());
      for (const fs::path& f : files) AddOne(writer, f, root, out);
    } else if (fs::is_regular_file(p, ec)) {
      AddOne(writer, p, root, out);
    } else {
      Fail("cannot open " + p.string() + ": no such file or folder");
    }
  }
  std::string error;
  if (!writer.Write(args[0], &error)) Fail(error);
  std::printf("%s: %d entries, %lld bytes\n", args[0].c_str(), writer.Count(),
              static_cast<long long>(writer.PackBytes()));
  return 0;
}

void OpenPack(const std::string& path) {
  if (!platform::FileExists(path.c_str())) Fail("cannot open " + path + ": no such file");
  OpenPackFile(path.c_str());
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) BadUsage("list takes one PACK");
  OpenPack(args[0]);
  const int count = PackEntryCount();
  for (int i = 0; i < count; ++i) {
    const sPackEntry* e = PackEntryAt(i);
    std::printf("%10d %10d  %s\n", e->size, e->offset, e->name);
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
    if (!SafeName(e->name)) Fail(std::string("entry name \"") + e->name + "\" would be written outside " + dir.string());
    if (FindPackEntry(e->name) != e) {
      std::fprintf(stderr, "pack: skipping \"%s\": an earlier entry has the same name\n", e->name);
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
    if (ec) Fail("cannot create " + target.parent_path().string() + ": " + ec.message());
    if (!WriteWholeFile(target.string(), bytes, &error)) Fail(error);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  StartTool("pack");
  std::vector<std::string> args;
  std::string root;
  sCommandLine line(argc, argv);
  while (line.Next()) {
    if (line.Is("--directory", "-C"))
      root = line.Value();
    else if (line.IsOperand())
      args.push_back(line.Text());
    else
      line.Unknown();
  }
  line.Finish("pack", Usage);
  if (args.empty()) BadUsage("no command");
  const std::string command = args[0];
  args.erase(args.begin());
  if (command != "build" && !root.empty()) BadUsage("-C belongs to build");
  if (command == "build") return Build(args, root);
  if (command == "list") return List(args);
  if (command == "extract") return Extract(args);
  BadUsage("unknown command \"" + command + "\"");
}
