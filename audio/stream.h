// sStream: the byte stream every audio stream derives from, with optional
// buffering, bit access, status flags and the Control command protocol.
#pragma once
#include <cstdint>

// Mode flags (GetFlags).
enum {
  StreamOpen = 1,
  StreamReadable = 2,
  StreamWritable = 4,
  StreamSeekable = 8,
  StreamUpdate = 16,  // read/write access to an existing file: output is never at its end
};

// Deriving: override DoClose (call Finish first), the primitives the stream
// supports, and Control (handle your own codes, pass the rest on to
// sStream::Control). Control's argument a can carry a pointer, hence intptr_t.
// Add `using sStream::Control;` to keep the one-argument shorthand visible.
class sStream {
public:
  sStream();

  // Virtual slots, in this order.
  virtual int DoClose();
  virtual int DoRead(void* buffer, int count);
  virtual int DoPeek(void* buffer, int count);
  virtual int DoWrite(const void* buffer, int count);
  virtual int DoSeek(int position);
  virtual int Control(int command, intptr_t a, int b);
  // Only the base part's closing work can run here: owners Close first.
  virtual ~sStream();

  int Close();
  int Finish();
  int Read(void* buffer, int count);  // a null buffer skips count bytes
  int Peek(void* buffer, int count);
  int Write(const void* buffer, int count);
  int Seek(int position);
  int SeekRelative(int delta);
  int SeekFromEnd(int delta);
  int GetFlags();
  int ReadAll(void* buffer, int count);
  int WriteAll(const void* buffer, int count);
  int ReadByte();
  int PeekByte();
  int WriteByte(int value);
  int SetBufferSize(int size);
  int SetOutputBufferSize(int size);
  int Attach(sStream* inner, int owns, int clearFlags, int position, int bytesWritten, int length);

  int Control(int command) { return Control(command, 0, 0); }
  int AtEndOfInput() { return Control(2); }
  int GetLength() { return Control(4); }

  // Bit access (bits.cpp).
  int ReadBit();
  int PeekBit();
  uint32_t ReadBits(int n);
  uint32_t PeekBits(int n);
  void SkipBits(int n);
  void AlignToByte();
  int WriteBit(int bit);
  int WriteBits(uint32_t value, int n);
  int FlushBits();
  int GetReadBitPosition();
  int GetWriteBitPosition();

protected:
  // Called by derived opens once their resource is open.
  void SetOpenState(int flags, int position, int length);

  uint8_t InlineBuffer[8];
  uint8_t* Buffer;
  int BufferSize;
  int Fill;
  int Index;
  int BufferStart;
  int Dirty;
  uint8_t InlineOutput[8];
  uint8_t* Output;
  int OutputSize;
  int Pending;
  bool ReadBitOrder;  // 1: most significant bit first
  int ReadBitPos;
  int CurrentReadByte;
  bool WriteBitOrder;
  int WriteBitCount;
  uint32_t WriteBitAccum;
  int PadBits;   // 0 or -1
  int FillByte;  // -1: none
  int ReadShort;
  int WriteShort;
  int Position;
  int BytesWritten;
  int Length;
  sStream* Inner;
  bool OwnsInner;
  sStream* Echo;
  int Flags;

private:
  int ReadDirect(uint8_t* buffer, int count);
  int FlushMain(int mode);
  int FlushOutput(int mode);
};
