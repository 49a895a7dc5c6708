#include "audio/stream.h"

#include <algorithm>
#include <cstring>

namespace {
// A primitive's error result (-1 from the C runtime) moves no bytes.
int Moved(int got) { return got < 0 ? 0 : got; }
}  // namespace

sStream::sStream()
    : Buffer(nullptr), BufferSize(0), Fill(0), Index(0), BufferStart(0), Dirty(0), Output(nullptr),
      OutputSize(0), Pending(0), ReadBitOrder(false), ReadBitPos(0), CurrentReadByte(0), WriteBitOrder(false),
      WriteBitCount(0), WriteBitAccum(0), PadBits(0), FillByte(-1), ReadShort(0), WriteShort(0), Position(0),
      BytesWritten(0), Length(0), Inner(nullptr), OwnsInner(false), Echo(nullptr), Flags(0) {
  std::memset(InlineBuffer, 0, sizeof InlineBuffer);
  std::memset(InlineOutput, 0, sizeof InlineOutput);
}

sStream::~sStream() { Close(); }

int sStream::DoClose() { return Finish(); }
int sStream::DoRead(void*, int) { return 0; }
int sStream::DoPeek(void*, int) { return 0; }
int sStream::DoWrite(const void*, int) { return 0; }
int sStream::DoSeek(int) { return 0; }

void sStream::SetOpenState(int flags, int position, int length) {
  if (Buffer && BufferSize > 8) delete[] Buffer;
  if (Output && OutputSize > 8) delete[] Output;
  Position = position;
  Length = length;
  Flags = flags | StreamOpen;
  BytesWritten = 0;
  Buffer = nullptr;
  BufferSize = Fill = Index = BufferStart = Dirty = 0;
  Output = nullptr;
  OutputSize = Pending = 0;
  ReadBitOrder = WriteBitOrder = false;
  ReadBitPos = CurrentReadByte = WriteBitCount = 0;
  WriteBitAccum = 0;
  PadBits = 0;
  FillByte = -1;
  ReadShort = WriteShort = 0;
  Inner = nullptr;
  OwnsInner = false;
  Echo = nullptr;
}

int sStream::Close() {
  if (Inner) {
    int result = Inner->Close();
    if (result < 0) return result;
    if (OwnsInner) delete Inner;
    Inner = nullptr;
    OwnsInner = false;
    return 0;
  }
  if (!Flags) return 0;
  int result = DoClose();
  if (result >= 0) {
    Flags = 0;
    Position = 0;
    Length = 0;
    Inner = nullptr;
  }
  return result;
}

int sStream::Finish() {
  FlushBits();
  FlushMain(1);
  Fill = 0;
  SetBufferSize(0);
  if (!(Flags & StreamSeekable)) {
    FlushOutput(1);
    return SetOutputBufferSize(0);
  }
  return DoSeek(Position);
}

// Steps 3 of Read: the unbuffered primitive or the main buffer.
int sStream::ReadDirect(uint8_t* dst, int count) {
  if (!Buffer) {
    int got = Moved(DoRead(dst, count));
    Position += got;
    if (got != count) {
      ReadShort = 1;
      if (FillByte != -1 && got < count) std::memset(dst + got, FillByte, count - got);
    }
    return got;
  }

  if (Fill - Index < count && Fill < BufferSize) {
    if (Dirty) DoSeek(BufferStart + Fill);
    Fill += Moved(DoRead(Buffer + Fill, BufferSize - Fill));
  }
  int n = std::min(count, Fill - Index);
  std::memcpy(dst, Buffer + Index, n);
  Index += n;
  Position += n;
  if (n == count) return n;

  FlushMain(0);
  int rest = count - n, got = 0;
  if (Index == 0 && rest < BufferSize) {
    Fill += Moved(DoRead(Buffer + Fill, BufferSize - Fill));
    got = std::min(rest, Fill);
    std::memcpy(dst + n, Buffer, got);
    Index = got;
  } else if (Index == 0) {
    got = Moved(DoRead(dst + n, rest));
    BufferStart += got;
  }
  if (got < rest) {
    ReadShort = 1;
    if (FillByte != -1) std::memset(dst + n + got, FillByte, rest - got);
  }
  Position += got;
  return n + got;
}

int sStream::Read(void* buffer, int count) {
  if (Inner) return Inner->Read(buffer, count);
  if (!(Flags & StreamReadable) || count <= 0) return 0;
  if (!buffer) {
    uint8_t area[256];
    int total = 0;
    while (total < count) {
      int got = ReadDirect(area, std::min(256, count - total));
      if (Echo && got > 0) Echo->Write(area, got);
      total += got;
      if (got < 256) break;
    }
    return total;
  }
  int got = ReadDirect(static_cast<uint8_t*>(buffer), count);
  if (Echo && got > 0) Echo->Write(buffer, got);
  return got;
}

int sStream::Peek(void* buffer, int count) {
  if (Inner) return Inner->Peek(buffer, count);
  if (!(Flags & StreamReadable) || count <= 0) return 0;
  uint8_t* dst = static_cast<uint8_t*>(buffer);
  if (Flags & StreamSeekable) {
    sStream* echo = Echo;
    Echo = nullptr;
    int got = Read(buffer, count);
    Echo = echo;
    SeekRelative(-got);
    return got;
  }
  if (!Buffer) {
    int got = Moved(DoPeek(buffer, count));
    if (FillByte != -1 && dst && got < count) std::memset(dst + got, FillByte, count - got);
    if (got != count) ReadShort = 1;
    return got;
  }
  if (Fill - Index < count) {
    std::memmove(Buffer, Buffer + Index, Fill - Index);
    Fill -= Index;
    Index = 0;
    Fill += Moved(DoRead(Buffer + Fill, BufferSize - Fill));
  }
  if (Fill - Index < count) {
    ReadShort = 1;
    if (FillByte != -1 && dst) std::memset(dst + (Fill - Index), FillByte, count - (Fill - Index));
    count = Fill - Index;
  }
  if (dst) std::memcpy(dst, Buffer + Index, count);
  return count;
}

int sStream::Write(const void* buffer, int count) {
  if (Inner) return Inner->Write(buffer, count);
  if (!(Flags & StreamWritable) || count <= 0) return 0;
  const uint8_t* src = static_cast<const uint8_t*>(buffer);
  bool seekable = (Flags & StreamSeekable) != 0;

  if ((seekable && !Buffer) || (!seekable && !Output)) {
    int got = Moved(DoWrite(buffer, count));
    if (got != count) WriteShort = 1;
    if (seekable) {
      Position += got;
      Length = std::max(Length, Position);
    } else {
      BytesWritten += got;
    }
    return got;
  }

  if (!seekable) {
    int taken = std::min(count, OutputSize - Pending);
    std::memcpy(Output + Pending, src, taken);
    Pending += taken;
    BytesWritten += taken;
    if (taken < count) {
      FlushOutput(0);
      int rest = count - taken, more;
      if (Pending == 0 && rest > OutputSize) {
        more = Moved(DoWrite(src + taken, rest));
      } else {
        more = std::min(rest, OutputSize - Pending);
        std::memcpy(Output + Pending, src + taken, more);
        Pending += more;
      }
      BytesWritten += more;
      taken += more;
    }
    if (taken < count) WriteShort = 1;
    return taken;
  }

  int n = 0;
  if (count < BufferSize) {
    n = count;
    if (n > BufferSize - Index) {
      if (Dirty)
        n = BufferSize - Index;
      else
        FlushMain(0);
    }
  }
  std::memcpy(Buffer + Index, src, n);
  Index += n;
  Fill = std::max(Fill, Index);
  if (n) Dirty = 1;
  Position += n;
  Length = std::max(Length, Position);
  int taken = n;
  if (n < count) {
    FlushMain(0);
    int rest = count - n, more;
    if (Index == 0 && rest >= BufferSize) {
      more = Moved(DoWrite(src + n, rest));
      BufferStart += more;
    } else {
      // After a failed flush the buffer may lack room: take what fits.
      more = std::min(rest, BufferSize - Index);
      std::memcpy(Buffer + Index, src + n, more);
      Index += more;
      Fill = std::max(Fill, Index);
      if (more) Dirty = 1;
    }
    Position += more;
    Length = std::max(Length, Position);
    taken += more;
  }
  if (taken < count) WriteShort = 1;
  return taken;
}

int sStream::Seek(int target) {
  if (Inner) return Inner->Seek(target);
  if (!(Flags & StreamSeekable) || target == Position) return Position;
  if (target < 0) target = 0;
  if (!Buffer) {
    Position = DoSeek(target);
  } else if (target >= BufferStart && target < BufferStart + Fill) {
    Index = target - BufferStart;
    Position = target;
  } else {
    FlushMain(1);
    target = std::min(target, Length);
    Position = DoSeek(target);
    BufferStart = Position;
  }
  if (Echo) Echo->Seek(Position);
  return Position;
}

int sStream::SeekRelative(int delta) {
  if (Inner) return Inner->SeekRelative(delta);
  return Seek(Position + delta);
}

int sStream::SeekFromEnd(int delta) {
  if (Inner) return Inner->SeekFromEnd(delta);
  return Seek(Length + delta);
}

int sStream::GetFlags() {
  if (Inner) return Inner->GetFlags();
  return Flags;
}

int sStream::ReadAll(void* buffer, int count) {
  if (Inner) return Inner->ReadAll(buffer, count);
  return Read(buffer, count) == count ? 1 : 0;
}

int sStream::WriteAll(const void* buffer, int count) {
  if (Inner) return Inner->WriteAll(buffer, count);
  return Write(buffer, count) == count ? 1 : 0;
}

int sStream::ReadByte() {
  if (Inner) return Inner->ReadByte();
  uint8_t value = 0;
  Read(&value, 1);
  return value;
}

int sStream::PeekByte() {
  if (Inner) return Inner->PeekByte();
  uint8_t value = 0;
  Peek(&value, 1);
  return value;
}

int sStream::WriteByte(int value) {
  if (Inner) return Inner->WriteByte(value);
  uint8_t byte = static_cast<uint8_t>(value);
  return WriteAll(&byte, 1);
}

// Mode 0 keeps unwritten bytes, 1 drops them, 2 also discards read-ahead.
int sStream::FlushMain(int mode) {
  int result = 1;
  // Where the primitive's own position is once the buffer is written out.
  int primitive = BufferStart + Fill;
  if (Dirty) {
    DoSeek(BufferStart);
    int written = Moved(DoWrite(Buffer, Fill));
    primitive = BufferStart + written;
    if (written < Fill) {
      if (mode == 0) {
        // Rewriting the written head again is harmless; moving it past
        // the read index would leave the index before the buffer.
        if (written <= Index) {
          std::memmove(Buffer, Buffer + written, Fill - written);
          Fill -= written;
          Index -= written;
          BufferStart += written;
        }
        return 0;
      }
      WriteShort = 1;
      result = 0;
      if (BufferStart + Fill == Length) {
        Length = BufferStart + written;
        Position = std::min(Position, Length);
      }
    }
    Dirty = 0;
  }
  if (!(Flags & StreamSeekable)) {
    if (Index == Fill) Index = Fill = 0;  // all consumed: the buffer can refill
    result = Fill == 0 ? 1 : 0;
    if (mode != 2) return result;
  }
  BufferStart = Position;
  Index = 0;
  Fill = 0;
  // Read-ahead or a partial write left the primitive elsewhere.
  if (Buffer && (Flags & StreamSeekable) && primitive != Position) DoSeek(Position);
  return result;
}

int sStream::FlushOutput(int mode) {
  if (Flags & StreamSeekable) return FlushMain(mode);
  if (Pending == 0) return 1;
  if (mode == 2) {
    Pending = 0;
    return 0;
  }
  int written = Moved(DoWrite(Output, Pending));
  int result = written >= Pending ? 1 : 0;
  if (mode == 1) {
    Pending = 0;
  } else if (written < Pending) {
    std::memmove(Output, Output + written, Pending - written);
    Pending -= written;
  } else {
    Pending = 0;
  }
  return result;
}

int sStream::SetBufferSize(int size) {
  if (Inner) return Inner->SetBufferSize(size);
  FlushMain(0);
  if (Fill != 0) return 0;
  if (Buffer && BufferSize > 8) delete[] Buffer;
  Buffer = nullptr;
  BufferSize = 0;
  Index = 0;
  if (size > 8) {
    Buffer = new uint8_t[size];
    BufferSize = size;
  } else if (size > 0) {
    Buffer = InlineBuffer;
    BufferSize = size;
  }
  return 1;
}

int sStream::SetOutputBufferSize(int size) {
  if (Inner) return Inner->SetOutputBufferSize(size);
  FlushOutput(0);
  if (Pending != 0) return 0;
  if (Output && OutputSize > 8) delete[] Output;
  Output = nullptr;
  OutputSize = 0;
  if (size > 8) {
    Output = new uint8_t[size];
    OutputSize = size;
  } else if (size > 0) {
    Output = InlineOutput;
    OutputSize = size;
  }
  return 1;
}

int sStream::Attach(sStream* inner, int owns, int clearFlags, int position, int bytesWritten, int length) {
  if (Inner) return Inner->Attach(inner, owns, clearFlags, position, bytesWritten, length);
  Inner = inner;
  OwnsInner = owns != 0;
  if (!inner) return 0;
  if (position != -1) inner->Position = position;
  if (bytesWritten != -1) inner->BytesWritten = bytesWritten;
  if (length != -1) inner->Length = length;
  inner->Flags &= ~clearFlags;
  return inner->Flags;
}

int sStream::Control(int command, intptr_t a, int b) {
  if (Inner) return Inner->Control(command, a, b);
  bool seekable = (Flags & StreamSeekable) != 0;
  int old;
  switch (command) {
    case 0: return Position;
    case 1: return seekable ? Position : BytesWritten;
    case 2:
      if (!(Flags & StreamReadable)) return 1;
      if (Control(17, 0, 0) != 0) return 0;
      return Control(49, 0, 0);
    case 3:
      if (!(Flags & StreamWritable)) return 1;
      if (!seekable) return Control(50, 0, 0);
      return Position == Length && !(Flags & StreamUpdate) ? 1 : 0;
    case 4: return Length;
    case 9: return ReadShort;
    case 10: old = ReadShort; ReadShort = 0; return old;
    case 11: return WriteShort;
    case 12: old = WriteShort; WriteShort = 0; return old;
    case 13:
    case 14: return Length - Position;
    case 15: return SetBufferSize(b);
    case 16: return BufferSize;
    case 17: return Fill - Index;
    case 18: return seekable ? SetBufferSize(b) : SetOutputBufferSize(b);
    case 19: return seekable ? BufferSize : OutputSize;
    case 20: return Index;
    case 21: old = FillByte; FillByte = b; return old;
    case 22: return FillByte;
    case 23: old = ReadBitOrder; ReadBitOrder = b != 0; return old;
    case 24: return ReadBitOrder;
    case 25:
      if (seekable) {
        old = ReadBitOrder;
        ReadBitOrder = b != 0;
      } else {
        old = WriteBitOrder;
        WriteBitOrder = b != 0;
      }
      return old;
    case 26: return seekable ? ReadBitOrder : WriteBitOrder;
    case 27: old = PadBits; PadBits = b != 0 ? -1 : 0; return old;
    case 28: return PadBits;
    case 29: return FlushMain(0);
    case 30: return FlushMain(1);
    case 31: return FlushMain(2);
    case 32: return FlushOutput(0);
    case 33: return FlushOutput(1);
    case 34: return FlushOutput(2);
    case 42:
      if (Flags & StreamReadable) {
        AlignToByte();
        if (Control(31, 0, 0) == 0) return 0;
        if (!seekable) Flags &= ~StreamReadable;
      }
      return 1;
    case 43:
      if (Flags & StreamWritable) {
        if (FlushBits() == 0 || Control(32, 0, 0) == 0) return 0;
        Flags &= ~StreamWritable;
      }
      return 1;
    case 44:
      if (Flags & StreamWritable) {
        FlushBits();
        Control(33, 0, 0);
      }
      return 1;
    case 49: return Position == Length ? 1 : 0;
    case 50: return 0;
    case 51: Echo = reinterpret_cast<sStream*>(a); return 0;
    default: return 0;
  }
}
