// Stream base operations, the buffered file stream and the memory stream.
#include "imaging/core/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kx {

namespace {
constexpr size_t kFileBuffer = 64 * 1024;

std::string Reason() { return std::strerror(errno); }
}  // namespace

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

int64_t TStream::Remaining() {
  int64_t rest = Size() - Position();
  return rest > 0 ? rest : 0;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError(ReadFailure());
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) return 0;
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> buf(size_t(std::min<int64_t>(count, int64_t(kFileBuffer))));
  int64_t done = 0;
  while (done < count) {
    int64_t n = std::min<int64_t>(count - done, int64_t(buf.size()));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    done += n;
  }
  return done;
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fFileName(fileName) {
  if ((mode & fmCreate) == fmCreate) {
    fFd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fFd < 0) throw EFCreateError("Cannot create file \"" + fileName + "\". " + Reason());
  } else {
    int flags = (mode & 3) == fmOpenWrite ? O_WRONLY : (mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    fFd = ::open(fileName.c_str(), flags | O_CLOEXEC);
    if (fFd < 0) throw EFOpenError("Cannot open file \"" + fileName + "\". " + Reason());
    struct stat st;
    if (fstat(fFd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fFd);
      fFd = -1;
      errno = EISDIR;
      throw EFOpenError("Cannot open file \"" + fileName + "\". " + Reason());
    }
  }
  NoteSeekability();
  fBuf.resize(kFileBuffer);
}

TFileStream::TFileStream(int fd, const std::string& fileName) : fFileName(fileName), fFd(fd) {
  NoteSeekability();
  fBuf.resize(kFileBuffer);
}

void TFileStream::NoteSeekability() { fSequential = ::lseek(fFd, 0, SEEK_CUR) < 0 && errno == ESPIPE; }

TFileStream::~TFileStream() {
  if (fFd < 0) return;
  try {
    FlushWrite();
  } catch (const EStreamError&) {
    // A destructor cannot report; callers that need certainty call Flush first.
  }
  ::close(fFd);
}

void TFileStream::Flush() { FlushWrite(); }

std::string TFileStream::ReadFailure() const {
  return "Cannot read file \"" + fFileName + "\". " +
         (fReadErrno ? std::strerror(fReadErrno) : "Unexpected end of file");
}

void TFileStream::FlushWrite() {
  if (!fWriting) return;
  fWriting = false;
  size_t pending = fBufPos;
  fBufPos = 0;
  WriteAt(fBuf.data(), pending);
}

void TFileStream::WriteAt(const uint8_t* data, size_t count) {
  // The file may take fewer bytes than offered; the rest goes in further calls.
  if (fSequential && fFilePos != fSequentialEnd) {
    errno = ESPIPE;
    throw EWriteError("Cannot write file \"" + fFileName + "\". " + Reason());
  }
  size_t done = 0;
  while (done < count) {
    ssize_t n =
        fSequential ? ::write(fFd, data + done, count - done) : ::pwrite(fFd, data + done, count - done, fFilePos);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      throw EWriteError("Cannot write file \"" + fFileName + "\". " + Reason());
    }
    done += size_t(n);
    fFilePos += n;
    if (fSequential) fSequentialEnd = fFilePos;
  }
}

void TFileStream::DropReadAhead() {
  // The logical position is fFilePos - (fBufLen - fBufPos); make the descriptor agree.
  fFilePos -= int64_t(fBufLen - fBufPos);
  fBufLen = fBufPos = 0;
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  FlushWrite();
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t total = 0;
  while (total < count) {
    if (fBufPos < fBufLen) {
      size_t n = std::min<size_t>(fBufLen - fBufPos, size_t(count - total));
      std::memcpy(out + total, fBuf.data() + fBufPos, n);
      fBufPos += n;
      total += int64_t(n);
      continue;
    }
    fBufPos = fBufLen = 0;
    if (count - total >= int64_t(fBuf.size())) {
      ssize_t n = ::pread(fFd, out + total, size_t(count - total), fFilePos);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        fReadErrno = n < 0 ? errno : 0;
        break;
      }
      fFilePos += n;
      total += n;
      continue;
    }
    ssize_t n = ::pread(fFd, fBuf.data(), fBuf.size(), fFilePos);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      fReadErrno = n < 0 ? errno : 0;
      break;
    }
    fFilePos += n;
    fBufLen = size_t(n);
  }
  return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (!fWriting) DropReadAhead();
  fWriting = true;
  auto* in = static_cast<const uint8_t*>(buffer);
  int64_t total = 0;
  while (total < count) {
    if (count - total >= int64_t(fBuf.size())) {
      // Large writes skip the buffer once what it holds is out. fWriting stays set with nothing
      // pending, which is harmless.
      FlushWrite();
      fWriting = true;
      WriteAt(in + total, size_t(count - total));
      return count;
    }
    size_t n = std::min<size_t>(fBuf.size() - fBufPos, size_t(count - total));
    std::memcpy(fBuf.data() + fBufPos, in + total, n);
    fBufPos += n;
    total += int64_t(n);
    if (fBufPos == fBuf.size()) {
      FlushWrite();
      fWriting = true;
    }
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t current = fWriting ? fFilePos + int64_t(fBufPos) : fFilePos - int64_t(fBufLen - fBufPos);
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? current : Size();
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : INT64_MAX;
  if (target < 0) target = 0;
  if (target == current) return current;
  if (!fWriting && target >= fFilePos - int64_t(fBufLen) && target <= fFilePos) {
    fBufPos = size_t(target - (fFilePos - int64_t(fBufLen)));
    return target;
  }
  FlushWrite();
  fBufLen = fBufPos = 0;
  fFilePos = target;
  return target;
}

int64_t TFileStream::Size() {
  struct stat st;
  if (fstat(fFd, &st) != 0) return 0;
  int64_t size = int64_t(st.st_size);
  if (fWriting) size = std::max(size, fFilePos + int64_t(fBufPos));
  return size;
}

void TFileStream::SetSize(int64_t size) {
  FlushWrite();
  int64_t pos = fFilePos - int64_t(fBufLen - fBufPos);
  fBufLen = fBufPos = 0;
  fFilePos = pos;
  if (::ftruncate(fFd, size < 0 ? 0 : size) != 0)
    throw EWriteError("Cannot resize file \"" + fFileName + "\". " + Reason());
  if (fFilePos > size) fFilePos = size;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t avail = int64_t(fData.size()) - fPos;
  int64_t n = std::min(count, avail);
  if (n <= 0) return 0;
  std::memcpy(buffer, fData.data() + fPos, size_t(n));
  fPos += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || fPos > INT64_MAX - count) return 0;
  if (fPos + count > int64_t(fData.size())) fData.resize(size_t(fPos + count));
  std::memcpy(fData.data() + fPos, buffer, size_t(count));
  fPos += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? fPos : int64_t(fData.size());
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : INT64_MAX;
  fPos = target < 0 ? 0 : target;
  return fPos;
}

void TMemoryStream::SetSize(int64_t size) {
  fData.resize(size_t(size < 0 ? 0 : size));
  if (fPos > int64_t(fData.size())) fPos = int64_t(fData.size());
}

void TMemoryStream::Clear() {
  fData.clear();
  fPos = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead);
  int64_t size = f.Size();
  std::vector<uint8_t> data(static_cast<size_t>(size));
  f.ReadBuffer(data.data(), size);
  fData = std::move(data);
  fPos = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream f(fileName, fmCreate);
  f.WriteBuffer(fData.data(), int64_t(fData.size()));
  f.Flush();
}

}  // namespace kx
