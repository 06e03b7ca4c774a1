// Streams: the buffered file stream against a memory stream as the model, file errors and
// their messages, and the memory stream's own positioning.
#include "imaging/core/stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

using namespace kx;
using kxtest::MessageOf;

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(seed + i * 7 + (i >> 8));
  return v;
}

}  // namespace

TEST(FileStream, RoundTripThroughAFile) {
  std::string path = kxtest::TempPath(".bin");
  std::vector<uint8_t> data = Pattern(200000, 3);
  {
    TFileStream out(path, fmCreate);
    out.WriteBuffer(data.data(), 10);
    out.WriteBuffer(data.data() + 10, int64_t(data.size()) - 10);
    EXPECT_EQ(out.Size(), int64_t(data.size()));
  }
  EXPECT_EQ(kxtest::ReadFile(path), data);
  TFileStream in(path, fmOpenRead);
  EXPECT_EQ(in.Size(), int64_t(data.size()));
  std::vector<uint8_t> back(data.size());
  in.ReadBuffer(back.data(), 5);
  in.ReadBuffer(back.data() + 5, int64_t(back.size()) - 5);
  EXPECT_EQ(back, data);
  EXPECT_EQ(in.Read(back.data(), 1), 0);
  EXPECT_EQ(in.Position(), int64_t(data.size()));
}

// Every operation is done on a file stream and on a memory stream; the two must agree on
// every result, and the file must end up holding the model's bytes. Sizes and jumps are
// chosen around the 64 KiB buffer so that reads, writes and seeks meet it half-used.
TEST(FileStream, MixedReadsWritesAndSeeksAgreeWithAMemoryStream) {
  std::string path = kxtest::TempPath(".bin");
  TFileStream file(path, fmCreate);
  TMemoryStream model;
  std::mt19937 rng(12345);
  const int64_t sizes[] = {1, 3, 100, 4096, 65535, 65536, 65537, 70000, 140000};
  for (int op = 0; op < 400; ++op) {
    int64_t n = sizes[rng() % std::size(sizes)];
    SCOPED_TRACE("operation " + std::to_string(op));
    switch (rng() % 7) {
      case 0:
      case 1: {
        std::vector<uint8_t> bytes = Pattern(size_t(n), uint8_t(op));
        ASSERT_EQ(file.Write(bytes.data(), n), model.Write(bytes.data(), n));
        break;
      }
      case 2:
      case 3: {
        std::vector<uint8_t> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
        int64_t got = file.Read(a.data(), n);
        ASSERT_EQ(got, model.Read(b.data(), n));
        a.resize(size_t(got));
        b.resize(size_t(got));
        ASSERT_EQ(a, b);
        break;
      }
      case 4: {
        int64_t size = model.Size();
        int64_t target = int64_t(rng() % uint64_t(size + 70000));
        ASSERT_EQ(file.Seek(target, soBeginning), model.Seek(target, soBeginning));
        break;
      }
      case 5: {
        int64_t offset = int64_t(rng() % 140000) - 70000;
        TSeekOrigin origin = rng() % 2 ? soCurrent : soEnd;
        ASSERT_EQ(file.Seek(offset, origin), model.Seek(offset, origin));
        break;
      }
      default: {
        int64_t size = int64_t(rng() % uint64_t(model.Size() + 100000));
        file.SetSize(size);
        model.SetSize(size);
        break;
      }
    }
    ASSERT_EQ(file.Size(), model.Size());
    ASSERT_EQ(file.Position(), model.Position());
  }
  file.Flush();
  EXPECT_EQ(kxtest::ReadFile(path), model.Bytes());
}

TEST(FileStream, SizeCountsBytesStillInTheBuffer) {
  std::string path = kxtest::TempPath(".bin");
  TFileStream f(path, fmCreate);
  std::vector<uint8_t> data = Pattern(1000, 1);
  f.WriteBuffer(data.data(), 1000);
  f.Seek(200, soBeginning);
  f.WriteBuffer(data.data(), 10);
  EXPECT_EQ(f.Size(), 1000);
  EXPECT_EQ(f.Seek(0, soEnd), 1000);
  f.WriteBuffer(data.data(), 24);
  EXPECT_EQ(f.Size(), 1024);
  f.SetSize(500);
  EXPECT_EQ(f.Size(), 500);
  EXPECT_EQ(f.Position(), 500);
  f.Flush();
  std::vector<uint8_t> expected(data.begin(), data.begin() + 500);
  std::copy(data.begin(), data.begin() + 10, expected.begin() + 200);
  EXPECT_EQ(kxtest::ReadFile(path), expected);
}

TEST(FileStream, ReadingPastTheEndThrowsNamingTheFile) {
  std::string path = kxtest::TempPath(".bin");
  kxtest::WriteFile(path, Pattern(10, 0));
  TFileStream f(path, fmOpenRead);
  uint8_t buf[16];
  f.ReadBuffer(buf, 8);
  std::string message = MessageOf<EReadError>([&] { f.ReadBuffer(buf, 3); });
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_EQ(f.Position(), 10);
}

TEST(FileStream, OpenAndCreateFailuresNameTheFileAndTheReason) {
  std::string missing = kxtest::TempDir() + "/missing.bin";
  std::string message = MessageOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead); });
  EXPECT_NE(message.find(missing), std::string::npos) << message;
  EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;

  std::string inMissingFolder = kxtest::TempDir() + "/no-folder/out.bin";
  message = MessageOf<EFCreateError>([&] { TFileStream f(inMissingFolder, fmCreate); });
  EXPECT_NE(message.find(inMissingFolder), std::string::npos) << message;
  EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;

  message = MessageOf<EFOpenError>([&] { TFileStream f(kxtest::TempDir(), fmOpenRead); });
  EXPECT_NE(message.find("Is a directory"), std::string::npos) << message;
}

TEST(FileStream, RefusedWritesThrowNamingTheFile) {
  std::string path = kxtest::TempPath(".bin");
  kxtest::WriteFile(path, Pattern(10, 0));
  {
    TFileStream readOnly(path, fmOpenRead);
    uint8_t byte = 1;
    readOnly.WriteBuffer(&byte, 1);  // buffered: the refusal comes with the flush
    std::string message = MessageOf<EWriteError>([&] { readOnly.Flush(); });
    EXPECT_NE(message.find(path), std::string::npos) << message;
  }
  EXPECT_EQ(kxtest::ReadFile(path), Pattern(10, 0));
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no full device";
  TFileStream full("/dev/full", fmOpenWrite);
  std::vector<uint8_t> big(100000);
  std::string message = MessageOf<EWriteError>([&] { full.WriteBuffer(big.data(), int64_t(big.size())); });
  EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
}

TEST(MemoryStream, SeekingSizingAndReading) {
  TMemoryStream m;
  std::vector<uint8_t> data = Pattern(10, 5);
  m.WriteBuffer(data.data(), 10);
  EXPECT_EQ(m.Size(), 10);
  EXPECT_EQ(m.Seek(-3, soEnd), 7);
  EXPECT_EQ(m.Remaining(), 3);
  EXPECT_EQ(m.Seek(-100, soCurrent), 0);
  EXPECT_EQ(m.Seek(INT64_MAX, soCurrent), INT64_MAX);
  EXPECT_EQ(m.Seek(INT64_MAX, soCurrent), INT64_MAX);
  EXPECT_EQ(m.Write(data.data(), 1), 0);
  EXPECT_EQ(m.Remaining(), 0);
  // Writing past the end fills the gap with zeros.
  m.Seek(14, soBeginning);
  m.WriteBuffer(data.data(), 2);
  std::vector<uint8_t> expected = data;
  expected.insert(expected.end(), {0, 0, 0, 0, data[0], data[1]});
  EXPECT_EQ(m.Bytes(), expected);
  m.SetSize(4);
  EXPECT_EQ(m.Position(), 4);
  uint8_t buf[8];
  EXPECT_EQ(m.Read(buf, 8), 0);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  m.SetPosition(1);
  m.ReadBuffer(buf, 3);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 3), std::vector<uint8_t>(data.begin() + 1, data.begin() + 4));
}

TEST(MemoryStream, CopyFromAndFiles) {
  TMemoryStream source(Pattern(100000, 9));
  source.Seek(500, soBeginning);
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(source, 0), 100000);  // 0: everything, from the start
  EXPECT_EQ(copy.Bytes(), source.Bytes());
  source.SetPosition(10);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(source, 20), 20);
  EXPECT_EQ(part.Bytes(), std::vector<uint8_t>(source.Bytes().begin() + 10, source.Bytes().begin() + 30));
  EXPECT_EQ(part.CopyFrom(source, -1), 0);
  EXPECT_THROW(part.CopyFrom(source, 200000), EReadError);

  std::string path = kxtest::TempPath(".bin");
  source.SaveToFile(path);
  TMemoryStream loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Bytes(), source.Bytes());
  EXPECT_EQ(loaded.Position(), 0);
  EXPECT_THROW(loaded.LoadFromFile(path + ".missing"), EFOpenError);
}
