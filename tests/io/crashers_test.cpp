// The corpus reference tables: every fixture, fuzz seed and old crasher goes through the readers
// and must give exactly its line of tests/corpus/<table>.txt, and every file must have a line.
// A format's table covers tests/fixtures/<format>/, fuzz/corpus/<format>_reader/ and the
// crashers named <format>_reader-*; streams.txt covers the stream-header seeds and crashers,
// read by content image after image with stream headers. With KX_CORPUS_UPDATE=1 set
// (scripts/corpus) the tables are rewritten instead, to be reviewed by diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"
#include "imaging/io/ioparams.h"
#include "tests/io/gif_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
namespace fs = std::filesystem;

namespace {

struct TRead {
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborting = false;
  TProgressRec progress{};
  TRead() { progress.Aborting = &aborting; }
};

std::string TypeName(TIOFileType type) {
  const TKXBuiltInFormat* row = KXBuiltInFormat(type);
  return row ? std::string(row->ShortName) : "unknown";
}

// Size, bit count and a 64-bit FNV-1a hash of the pixels (the bits of each row that belong to
// the picture, and the colour table), e.g. "97x61x24:0123456789abcdef".
std::string PixelsText(const TBitmap& b) {
  uint64_t h = 0xcbf29ce484222325u;
  auto add = [&h](uint8_t byte) { h = (h ^ byte) * 0x100000001b3u; };
  const int64_t bits = int64_t(b.Width()) * b.BitCount();
  for (int32_t y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.ScanLine(y);
    for (int64_t i = 0; i < bits / 8; ++i) add(row[i]);
    if (bits % 8) add(uint8_t(row[bits / 8] & (0xFF00 >> (bits % 8))));
  }
  for (const TRGB& c : b.Palette()) add(c.r), add(c.g), add(c.b);
  char text[64];
  std::snprintf(text, sizeof text, "%dx%dx%d:%016llx", b.Width(), b.Height(), b.BitCount(),
                static_cast<unsigned long long>(h));
  return text;
}

// A format table's line after the name and size: the detected type, the full read's result
// and pixels, and the size a parameter-only read gives ("refused" when it aborts).
std::string ReadAsFormat(const TKXBuiltInFormat& row, const std::vector<uint8_t>& bytes) {
  TMemoryStream probe(bytes);
  std::string line = TypeName(FindStreamFormat(probe));
  TRead full;
  TMemoryStream stream(bytes);
  KXReadStreamImage(row, stream, full.bitmap, full.params, false, full.progress);
  line += std::string(full.aborting ? " aborted " : " ok ") + PixelsText(full.bitmap);
  TRead params;
  TMemoryStream again(bytes);
  params.params.FileType = row.FileType;
  KXReadParams(row.FileType, again, again.Size(), params.bitmap, params.params);
  line += params.params.FileType == ioUnknown
              ? " refused"
              : " " + std::to_string(params.params.Width) + "x" + std::to_string(params.params.Height);
  return line;
}

// A stream table's line after the name and size: the types, results and pixels of the images
// read one after another by content with stream headers, as LoadFromStream would.
std::string ReadAsStream(const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes);
  std::string types, results, pixels;
  for (int i = 0; i < 8 && stream.Position() < stream.Size(); ++i) {
    const int64_t before = stream.Position();
    const TKXFormatChoice choice = KXLoadChoiceForStream(stream);
    TRead read;
    KXReadChoice(choice, stream, read.bitmap, read.params, true, read.progress);
    const char* sep = i ? "+" : "";
    types += sep + (choice.Row ? std::string(choice.Row->ShortName) : "unknown");
    results += sep + std::string(read.aborting ? "aborted" : "ok");
    pixels += sep + PixelsText(read.bitmap);
    if (read.aborting || stream.Position() <= before) break;
  }
  return types + " " + results + " " + pixels;
}

struct TTable {
  std::string Name;
  const TKXBuiltInFormat* Row = nullptr;  // null for the stream table
  std::vector<fs::path> Files;
};

void AddFolder(std::vector<fs::path>& files, const fs::path& folder) {
  if (!fs::is_directory(folder)) return;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(entry.path());
}

// Every table with the files it covers; `orphans` gets the crashers that no table covers.
std::vector<TTable> Tables(const fs::path& root, std::vector<fs::path>& orphans) {
  std::vector<TTable> tables;
  std::map<std::string, size_t> byCrasherPrefix;
  for (const TKXBuiltInFormat& row : KXBuiltInFormats()) {
    TTable t{std::string(row.ShortName), &row, {}};
    AddFolder(t.Files, root / "tests/fixtures" / t.Name);
    AddFolder(t.Files, root / "fuzz/corpus" / (t.Name + "_reader"));
    byCrasherPrefix[t.Name + "_reader-"] = tables.size();
    tables.push_back(std::move(t));
  }
  TTable streams{"streams", nullptr, {}};
  AddFolder(streams.Files, root / "fuzz/corpus/stream_headers");
  byCrasherPrefix["stream_headers-"] = tables.size();
  tables.push_back(std::move(streams));
  std::vector<fs::path> crashers;
  AddFolder(crashers, root / "tests/crashers");
  for (const fs::path& file : crashers) {
    if (file.filename() == "README.md") continue;
    const std::string name = file.filename().string();
    auto it = std::find_if(byCrasherPrefix.begin(), byCrasherPrefix.end(),
                           [&](const auto& p) { return name.rfind(p.first, 0) == 0; });
    if (it == byCrasherPrefix.end())
      orphans.push_back(file);
    else
      tables[it->second].Files.push_back(file);
  }
  return tables;
}

// Name (relative to the repository) to the rest of the line.
using TLines = std::map<std::string, std::string>;

TLines Compute(const TTable& table, const fs::path& root) {
  TLines lines;
  for (const fs::path& file : table.Files) {
    const std::vector<uint8_t> bytes = kxtest::ReadFile(file.string());
    lines[fs::relative(file, root).generic_string()] =
        std::to_string(bytes.size()) + " " + (table.Row ? ReadAsFormat(*table.Row, bytes) : ReadAsStream(bytes));
  }
  return lines;
}

constexpr const char* kTableHead = "# name size types results pixels";
constexpr const char* kFormatTableHead = "# name size type result pixels params";

TLines ReadTable(const fs::path& path) {
  TLines lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t space = line.find(' ');
    lines[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
  }
  return lines;
}

void WriteTable(const fs::path& path, const TTable& table, const TLines& lines) {
  std::ofstream out(path);
  out << (table.Row ? kFormatTableHead : kTableHead) << "\n";
  for (const auto& [name, rest] : lines) out << name << " " << rest << "\n";
}

}  // namespace

TEST(CorpusTables, EveryFileGivesItsLineAndEveryFileHasOne) {
  // The fuzzers' pixel limit, so that every seed decodes here as it does there, and quickly.
  const kxtest::TPixelLimitScope limit(int64_t(1) << 22);
  // The LZW coders, as the programs install them, so that GIFs are read as they are there.
  const kxtest::TLZWCodersScope coders;
  const fs::path root = kxtest::SourceDir();
  const bool update = std::getenv("KX_CORPUS_UPDATE") != nullptr;
  std::vector<fs::path> orphans;
  int files = 0;
  for (const TTable& table : Tables(root, orphans)) {
    const fs::path path = root / "tests/corpus" / (table.Name + ".txt");
    const TLines computed = Compute(table, root);
    files += int(computed.size());
    if (update) {
      if (computed.empty())
        fs::remove(path);
      else
        WriteTable(path, table, computed);
      continue;
    }
    const TLines expected = ReadTable(path);
    for (const auto& [name, rest] : computed) {
      const auto it = expected.find(name);
      if (it == expected.end())
        ADD_FAILURE() << name << " has no line in " << table.Name << ".txt; it gives: " << rest;
      else
        EXPECT_EQ(rest, it->second) << name << " in " << table.Name << ".txt";
    }
    for (const auto& [name, rest] : expected)
      if (!computed.count(name)) ADD_FAILURE() << table.Name << ".txt names " << name << ", which is not there";
  }
  for (const fs::path& file : orphans)
    ADD_FAILURE() << file.filename() << " names no reader: call it <format>_reader-... or stream_headers-...";
  EXPECT_GT(files, 0);
  RecordProperty("files", files);
}
