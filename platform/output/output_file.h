// An output file named by a user, written so that it is whole or absent.
//
// A new file or an existing regular file (also one behind symbolic links) is
// written to a temporary file in the same folder and renamed over the name
// only when everything was written: a failed run leaves the old file as it
// was and no partial file under the name. A device, a FIFO or a socket is
// written through, and "-" is the standard output.
#pragma once
#include <cstdio>
#include <string>

namespace platform {

class OutputFile {
public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Abandon(); }

  // False with "cannot write NAME: reason".
  bool Open(const std::string& name, std::string* error);
  std::FILE* Stream() const { return stream_; }
  // Flushes and closes; a temporary file then takes the name. False with the
  // reason when any of it failed (the temporary file is then removed).
  bool Commit(std::string* error);
  // Stops without giving the name anything new (idempotent).
  void Abandon();

private:
  std::string name_;
  std::string target_;     // the name with its symbolic links followed
  std::string writePath_;
  std::FILE* stream_ = nullptr;
  bool temporary_ = false;
  bool standardOutput_ = false;
};

// Follows the symbolic links of path's last component (up to 40 of them).
// The result may not exist. False with the reason for a loop.
bool FollowLinks(const std::string& path, std::string* target, std::string* error);

}  // namespace platform
