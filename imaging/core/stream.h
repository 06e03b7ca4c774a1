// Byte streams that every codec reads and writes through, and the file errors they raise.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kx {

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A file could not be opened for reading.
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// A file could not be created.
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// ReadBuffer met the end of the stream or a failed read.
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// WriteBuffer could not write every byte.
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns how many arrived (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to `count` bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position. A negative result position is clamped to 0.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  // Bytes between the position and the end (0 when the position is past the end).
  int64_t Remaining();
  // Read or write exactly `count` bytes, or throw EReadError / EWriteError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from `source` (all of it from its start when count is 0; nothing when
  // negative).
  int64_t CopyFrom(TStream& source, int64_t count);

 protected:
  // Message of the EReadError that ReadBuffer throws when fewer bytes arrived.
  virtual std::string ReadFailure() const { return "Stream read error"; }
};

enum TFileMode : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFF00,  // create, or truncate an existing file; read and write (low bits ignored)
};

// A buffered file stream. Errors name the file and the reason; a write the file refuses throws
// EWriteError from Write itself (buffered bytes of earlier writes may be lost with it). On a
// descriptor that cannot seek (a pipe, a FIFO, a terminal) bytes go out in order; writing
// anywhere but after the last byte written throws EWriteError ("Illegal seek").
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, uint16_t mode);
  // Takes over an open descriptor, which the destructor closes; errors name `fileName`.
  TFileStream(int fd, const std::string& fileName);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return fFileName; }
  // Writes buffered bytes to the file; throws EWriteError when the file refuses them.
  void Flush();

 protected:
  std::string ReadFailure() const override;

 private:
  void FlushWrite();
  void WriteAt(const uint8_t* data, size_t count);
  void DropReadAhead();
  void NoteSeekability();

  std::string fFileName;
  int fFd = -1;
  int64_t fFilePos = 0;      // the descriptor's offset
  bool fSequential = false;  // the descriptor cannot seek: writes append at fSequentialEnd
  int64_t fSequentialEnd = 0;
  std::vector<uint8_t> fBuf;
  size_t fBufPos = 0;     // next byte in fBuf
  size_t fBufLen = 0;     // valid bytes in fBuf (read-ahead)
  bool fWriting = false;  // fBuf holds bytes not yet written
  int fReadErrno = 0;     // reason of the last failed read, 0 for the end of the file
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : fData(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return int64_t(fData.size()); }
  void SetSize(int64_t size) override;

  uint8_t* Memory() { return fData.data(); }
  const std::vector<uint8_t>& Bytes() const { return fData; }
  void Clear();
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

 private:
  std::vector<uint8_t> fData;
  int64_t fPos = 0;
};

}  // namespace kx
