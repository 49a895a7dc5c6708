#include "app/show_setup.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "vo/show/builtin.h"
#include "vo/show/showfile.h"

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

int Fail(std::string* error, const std::string& text, int status) {
  *error = text;
  return status;
}

void BuildFromFile(sTimeline* timeline, void* user) { BuildShow(static_cast<ShowSetup*>(user)->show, timeline); }

}  // namespace

int SetUpShow(const Options& options, const std::string& workingDirectory, const std::string& executableDirectory,
              ShowSetup* setup, std::string* error) {
  setup->fromFile = !options.show.empty();
  std::string pack = "v01.dat";
  setup->soundtrack = "vo.mp3";
  if (setup->fromFile) {
    setup->showPath = Absolute(options.show);
    if (!ReadShowFile(options.show, &setup->show, error)) return ShowBadData;
    pack = setup->show.Pack;
    setup->soundtrack = setup->show.Soundtrack;
    setup->needs = ShowNeeds(setup->show);
  } else {
    setup->needs = BuiltInNeeds();
  }

  std::string packPath, folder;
  if (!options.data.empty()) {
    std::error_code ec;
    if (IsFile(options.data))
      packPath = Absolute(options.data);
    else if (fs::is_directory(options.data, ec))
      folder = Absolute(options.data);
    else
      return Fail(error, "--data " + options.data + ": no such file or folder", ShowBadData);
    if (!folder.empty() && ::access(folder.c_str(), R_OK | X_OK) != 0)
      return Fail(error, "--data " + options.data + ": " + std::strerror(errno), ShowBadData);
    // A folder holding the show's pack gives its pictures from the pack.
    if (!folder.empty() && !pack.empty() && IsFile(fs::path(folder) / pack)) packPath = (fs::path(folder) / pack).string();
  } else if (pack.empty()) {
    folder = fs::path(setup->showPath).parent_path().string();
  } else {
    // The show's own folder first; the built-in show looks where it always did.
    std::vector<std::string> places;
    if (setup->fromFile) places.push_back(fs::path(setup->showPath).parent_path().string());
    for (const std::string& place : DataSearchPath(workingDirectory, executableDirectory)) places.push_back(place);
    std::string tried;
    for (const std::string& place : places) {
      if (IsFile(fs::path(place) / pack)) {
        packPath = Absolute((fs::path(place) / pack).string());
        break;
      }
      if (tried.find(place) == std::string::npos) tried += (tried.empty() ? "" : ", ") + place;
    }
    if (packPath.empty())
      return Fail(error, pack + ": not found in " + tried + (setup->fromFile ? " (the show names it as its pack)" : ""),
                  ShowBadData);
  }
  if (!packPath.empty()) {
    if (!setup->data.OpenPack(packPath, error)) return ShowBadData;
  } else {
    setup->data.OpenFolder(folder);
  }
  return 0;
}

std::string CheckReport(const ShowSetup& setup, bool* complete) {
  std::string report = (setup.fromFile ? setup.showPath : std::string("the built-in show")) + ": " +
                       std::to_string(setup.needs.size()) + " files from " + setup.data.Where() + "\n";
  char line[512];
  std::snprintf(line, sizeof line, "%-20s %-42s %-20s %s\n", "name", "needed", "found", "state");
  report += line;
  int bad = 0;
  for (const sNeed& n : setup.needs) {
    const sNeedState s = CheckNeed(setup.data, n);
    const std::string needed = DescribeNeed(n);
    std::snprintf(line, sizeof line, "%-20s %-42s %-20s %s\n", n.Name.c_str(), needed.c_str(),
                  s.Present ? s.Found.c_str() : "-", s.Problem.empty() ? "ok" : s.Problem.c_str());
    report += line;
    if (!s.Problem.empty()) report += "    for " + n.Layer + "\n";
    bad += !s.Problem.empty();
  }
  if (!setup.soundtrack.empty()) {
    const fs::path sound = fs::path(setup.data.Folder()) / setup.soundtrack;
    std::error_code ec;
    const bool there = IsFile(sound);
    const std::string size = there ? std::to_string(fs::file_size(sound, ec)) + " bytes" : "-";
    std::snprintf(line, sizeof line, "%-20s %-42s %-20s %s\n", setup.soundtrack.c_str(), "MP3 soundtrack", size.c_str(),
                  there ? "ok" : "missing (the show runs silent)");
    report += line;
  }
  *complete = bad == 0;
  report += bad == 0 ? "all " + std::to_string(setup.needs.size()) + " files are there and usable\n"
                     : std::to_string(bad) + " of " + std::to_string(setup.needs.size()) +
                           " files are missing or unusable\n";
  return report;
}

sShowSource SourceOf(const ShowSetup& setup) {
  sShowSource source;
  source.Pack = setup.data.IsPack() ? setup.data.Path().c_str() : nullptr;
  source.Soundtrack = setup.soundtrack.empty() ? nullptr : setup.soundtrack.c_str();
  if (setup.fromFile) {
    source.Build = BuildFromFile;
    source.User = const_cast<ShowSetup*>(&setup);
  }
  return source;
}
