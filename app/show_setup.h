// Which show runs and where its files are, settled and checked before the
// window opens: a malformed show file or a wrong picture ends the program
// with one line naming it, not with an assertion inside a layer.
#pragma once
#include <string>
#include <vector>

#include "app/options.h"
#include "vo/main.h"
#include "vo/show/showcheck.h"

struct ShowSetup {
  bool fromFile = false;  // a show file, or the built-in show
  std::string showPath;   // the show file, absolute
  sShow show;             // when fromFile
  sShowData data;         // the pack or folder the pictures come from
  std::vector<sNeed> needs;
  std::string soundtrack;  // the MP3 file's name in data.Folder(), "" for none
};

// Exit statuses of SetUpShow's failures.
enum { ShowBadData = 1, ShowBadUsage = 2 };

// Reads the show file (if any) and finds its data: --data when given (a pack
// file, or a folder holding the show's pack or its pictures as files); else
// the first of the show's folder (for a show file) and DataSearchPath that
// holds the pack; for a show naming no pack, the show's folder. Returns 0, or an exit
// status with a one-line message.
int SetUpShow(const Options& options, const std::string& workingDirectory, const std::string& executableDirectory,
              ShowSetup* setup, std::string* error);

// The --check report: one line per file with its name, what the layer needs,
// what the data has and whether it is usable; then the soundtrack and a
// summary. `complete` is false when any picture or raw file is missing or unusable.
std::string CheckReport(const ShowSetup& setup, bool* complete);

// The show source DemoMain and the studio run; valid while `setup` lives.
sShowSource SourceOf(const ShowSetup& setup);
