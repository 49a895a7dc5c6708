// sFileStream: an sStream over a file on disk through the C runtime's
// descriptor calls.
#pragma once
#include "audio/stream.h"

// Open modes: access in bits 0-1, creation in bits 2-3.
enum {
  FileRead = 0,          // sequential read
  FileAppend = 1,        // write after the file's end
  FileReadSeek = 2,      // random-access read
  FileUpdate = 3,        // random-access read and write
  FileCreate = 4,        // create if missing
  FileCreateTrunc = 8,   // create if missing, else truncate
  FileCreateNew = 12,    // create; fail if it exists
};

class sFileStream : public sStream {
public:
  sFileStream();
  // Releases the descriptor the base destructor cannot reach.
  ~sFileStream() override;

  // 0 on success, -1 when the file cannot be opened. An open stream is closed first.
  int Open(const char* path, int mode);

  int DoClose() override;
  int DoRead(void* buffer, int count) override;
  int DoPeek(void* buffer, int count) override;
  int DoWrite(const void* buffer, int count) override;
  int DoSeek(int position) override;
  int Control(int command, intptr_t a, int b) override;
  using sStream::Control;

protected:
  int Descriptor;
  int UpdateSwitch;
};
