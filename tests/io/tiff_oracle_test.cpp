// The TIFF codec against libtiff's tools, Pillow and ImageMagick: files they write in every
// compression, layout, byte order and depth that the reader decodes read exactly as they decode
// them; the files we write pass tiffinfo without a warning and read back exactly through
// libtiff; pages inserted into and deleted from their files leave the other pages untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tiff_codec.h"
#include "tests/io/tiff_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using namespace kxtest;

namespace {

struct TOracleCase {
  const char* Name;
  const char* Source;  // Pillow mode of the source file
  const char* Tool;    // "tiffcp <options>", "convert <options>", or "" for the source itself
  // Pillow is the oracle where libtiff's RGBA interface does more than decode (it
  // premultiplies unassociated alpha).
  bool Pillow = false;
};

const TOracleCase kReadCases[] = {
    {"rgb none", "RGB", "tiffcp -c none"},
    {"rgb packbits", "RGB", "tiffcp -c packbits"},
    {"rgb big-endian", "RGB", "tiffcp -B -c none"},
    {"rgb big-endian packbits", "RGB", "tiffcp -B -c packbits"},
    {"rgb strips of 5 rows", "RGB", "tiffcp -r 5"},
    {"rgb tiles", "RGB", "tiffcp -t -w 32 -l 16"},
    {"rgb tiles big-endian packbits", "RGB", "tiffcp -B -t -w 16 -l 16 -c packbits"},
    {"rgb separate planes", "RGB", "tiffcp -p separate"},
    {"rgb separate planes in strips", "RGB", "tiffcp -p separate -r 7 -c packbits"},
    {"rgba", "RGBA", "tiffcp -c none", true},
    {"gray", "L", ""},
    {"gray packbits", "L", "tiffcp -c packbits"},
    {"palette 8-bit", "P", ""},
    {"palette 4-bit", "RGB", "convert -colors 16 -type Palette -depth 4"},
    {"palette 1-bit", "RGB", "convert -colors 2 -type Palette -depth 1"},
    {"gray 4-bit", "L", "convert -depth 4"},
    {"gray 2-bit", "L", "convert -depth 2"},
    {"bilevel min-is-black", "1", ""},
    {"bilevel min-is-white", "1", "convert -monochrome -define quantum:polarity=min-is-white"},
    {"bilevel packbits", "1", "tiffcp -c packbits"},
    {"bilevel fill order 2", "1", "tiffcp -f lsb2msb"},
    {"modified huffman", "1", "convert -compress Fax"},
    {"g3", "1", "tiffcp -c g3"},
    {"g3 fill bits", "1", "tiffcp -c g3:fill"},
    {"g3 2d", "1", "tiffcp -c g3:2d"},
    {"g3 2d fill order 2", "1", "tiffcp -c g3:2d -f lsb2msb"},
    {"g4", "1", "tiffcp -c g4"},
    {"g4 fill order 2", "1", "tiffcp -c g4 -f lsb2msb"},
    {"g4 strips", "1", "tiffcp -c g4 -r 9"},
    {"g4 pillow", "1g4", ""},
    {"g3 pillow", "1g3", ""},
    {"g4 imagemagick min-is-white", "1", "convert -compress Group4"},
    {"g4 min-is-black", "1", "tiffcp -c g4"},
};

std::string Make(const TOracleCase& c) {
  const std::string source = PillowSource(c.Source);
  const std::string tool = c.Tool;
  if (tool.empty()) return source;
  const std::string out = TempPath(".tif");
  std::string cmd;
  if (tool.rfind("tiffcp", 0) == 0)
    cmd = kTiffcp + tool.substr(6) + " " + Quote(source) + " " + Quote(out);
  else
    cmd = kConvert + " " + Quote(source) + tool.substr(7) + " " + Quote(out);
  EXPECT_EQ(Run(cmd + " 2>/dev/null"), 0) << cmd;
  return out;
}

TEST(TiffOracle, FilesOfOtherProgramsReadAsLibtiffDecodesThem) {
  if (!HaveTiffOracles()) GTEST_SKIP() << "libtiff's tools, Pillow or ImageMagick missing";
  for (const TOracleCase& c : kReadCases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Make(c);
    TBitmap expected;
    ASSERT_TRUE(c.Pillow ? PillowDecode(path, 0, expected) : LibtiffDecode(path, expected));
    const TTiffRead r = ReadTiffFile(path);
    EXPECT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    const TDiff d = Compare(As24(r.Bitmap), expected);
    EXPECT_TRUE(d.sameSize);
    EXPECT_EQ(d.pixels, 0) << "largest difference " << d.maxDelta;
  }
}

TEST(TiffOracle, PagesOfAMultiPageFileReadOneByOne) {
  if (!HaveTiffOracles()) GTEST_SKIP() << "libtiff's tools, Pillow or ImageMagick missing";
  const std::string rgb = PillowSource("RGB"), bi = PillowSource("1"), gray = PillowSource("L");
  const std::string g4 = TempPath(".tif"), file = TempPath(".tif");
  ASSERT_EQ(kxtest::Run(kTiffcp + " -c g4 " + Quote(bi) + " " + Quote(g4)), 0);
  ASSERT_EQ(kxtest::Run(kTiffcp + " " + Quote(rgb) + " " + Quote(g4) + " " + Quote(gray) + " " + Quote(file)), 0);
  for (int page = 0; page < 3; ++page) {
    TBitmap expected;
    ASSERT_TRUE(PillowDecode(file, page, expected));
    const TTiffRead r = ReadTiffFile(file, page);
    EXPECT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Pages, 3);
    EXPECT_EQ(Compare(As24(r.Bitmap), expected).pixels, 0) << "page " << page;
  }
}

struct TRefusal {
  const char* Name;
  const char* Source;
  const char* Tool;
  const char* Reason;
};

TEST(TiffOracle, PagesTheReaderCannotDecodeAbortWithTheReason) {
  if (!HaveTiffOracles()) GTEST_SKIP() << "libtiff's tools, Pillow or ImageMagick missing";
  const TRefusal cases[] = {
      {"lzw without a decoder", "RGB", "tiffcp -c lzw", "LZW-compressed TIFF pages need an LZW decoder"},
      {"deflate", "RGB", "tiffcp -c zip", "TIFF compression 8 is not supported"},
      {"jpeg", "RGB", "convert -compress JPEG", "TIFF compression 7 is not supported"},
      {"16-bit rgb", "RGB", "convert -depth 16",
       "TIFF pages of photometric interpretation 2 with 3 x 16-bit samples are not supported"},
  };
  for (const TRefusal& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Make({c.Name, c.Source, c.Tool});
    const TTiffRead r = ReadTiffFile(path);
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(r.Diagnostics.Reason, c.Reason);
  }
}

struct TWriteCase {
  const char* Name;
  bool Bilevel;
  TIOTIFFCompression Compression;
  TIOTIFFPhotometInterpret Photometric;
  uint32_t ExpectedCompression;
  // libtiff and Pillow turn CMYK into RGB by their own formula: the pixels are compared with
  // ours, not theirs.
  bool PixelsThroughLibtiff = true;
};

const TWriteCase kWriteCases[] = {
    {"rgb none", false, ioTIFF_UNCOMPRESSED, ioTIFF_RGB, 1},
    {"rgb packbits", false, ioTIFF_PACKBITS, ioTIFF_RGB, 32773},
    {"bilevel none", true, ioTIFF_UNCOMPRESSED, ioTIFF_RGB, 1},
    {"bilevel none white-is-zero asked", true, ioTIFF_UNCOMPRESSED, ioTIFF_WHITEISZERO, 1},
    {"bilevel packbits", true, ioTIFF_PACKBITS, ioTIFF_BLACKISZERO, 32773},
    {"modified huffman", true, ioTIFF_CCITT1D, ioTIFF_RGB, 2},
    {"g3", true, ioTIFF_G3FAX1D, ioTIFF_RGB, 3},
    {"g3 2d", true, ioTIFF_G3FAX2D, ioTIFF_RGB, 3},
    {"g4", true, ioTIFF_G4FAX, ioTIFF_RGB, 4},
    {"cmyk packbits", false, ioTIFF_PACKBITS, ioTIFF_CMYK, 32773, false},
};

TEST(TiffOracle, FilesWePassTiffinfoAndReadBackThroughLibtiff) {
  if (!HaveTiffOracles()) GTEST_SKIP() << "libtiff's tools, Pillow or ImageMagick missing";
  for (const TWriteCase& c : kWriteCases) {
    SCOPED_TRACE(c.Name);
    const TBitmap picture = c.Bilevel ? TextPage(203, 97) : MakePicture(77, 45);
    TIOParamsVals params;
    params.BitsPerSample = c.Bilevel ? 1 : 8;
    params.SamplesPerPixel = c.Bilevel ? 1 : 3;
    params.TIFF_Compression = c.Compression;
    params.TIFF_Photometric = c.Photometric;
    params.TIFF_DocumentName = "doc";
    params.TIFF_PageNumber = 1;
    params.TIFF_PageCount = 2;
    params.DpiX = 300;
    params.DpiY = 200;
    const std::string path = TempPath(".tif");
    WriteFile(path, WriteTiffBytes(picture, params));
    std::string info;
    ASSERT_EQ(kxtest::Run(kTiffinfo + " -D " + Quote(path) + " 2>&1", &info), 0);
    EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
    EXPECT_EQ(info.find("rror"), std::string::npos) << info;
    EXPECT_NE(info.find("Compression Scheme:"), std::string::npos);
    EXPECT_NE(info.find("Page Number: 1-2"), std::string::npos) << info;
    EXPECT_NE(info.find("Resolution: 300, 200 pixels/inch"), std::string::npos) << info;
    const std::string plain = TempPath(".tif");
    ASSERT_EQ(kxtest::Run(kTiffcp + " -c none " + Quote(path) + " " + Quote(plain)), 0);
    const TTiffRead ours = ReadTiffFile(path);
    EXPECT_FALSE(ours.Aborted);
    EXPECT_EQ(ours.Params.TIFF_DocumentName, "doc");
    if (!c.PixelsThroughLibtiff) {
      const TTiffRead plainOurs = ReadTiffFile(plain);
      EXPECT_EQ(Compare(plainOurs.Bitmap, ours.Bitmap).pixels, 0);
      continue;
    }
    TBitmap back;
    ASSERT_TRUE(PillowDecode(plain, 0, back));
    EXPECT_EQ(Compare(back, As24(picture)).pixels, 0);
    EXPECT_EQ(Compare(As24(ours.Bitmap), As24(picture)).pixels, 0);
  }
}

// Inserts our page into a file of tiffcp's and deletes pages again: the other pages keep
// their pixels, and libtiff counts the pages we say there are.
TEST(TiffOracle, InsertingAndDeletingPagesKeepsTheOtherPages) {
  if (!HaveTiffOracles()) GTEST_SKIP() << "libtiff's tools, Pillow or ImageMagick missing";
  const std::string rgb = PillowSource("RGB"), bi = PillowSource("1"), g4 = TempPath(".tif"), file = TempPath(".tif");
  ASSERT_EQ(kxtest::Run(kTiffcp + " -c g4 " + Quote(bi) + " " + Quote(g4)), 0);
  ASSERT_EQ(kxtest::Run(kTiffcp + " " + Quote(g4) + " " + Quote(rgb) + " " + Quote(file)), 0);
  auto pageCount = [](const std::string& f) {
    std::string out;
    kxtest::Run(kPython + " -c " + Quote("import sys\nfrom PIL import Image\nprint(Image.open(sys.argv[1]).n_frames)") +
                    " " + Quote(f),
                &out);
    return std::stoi(out);
  };
  TBitmap before0, before1;
  ASSERT_TRUE(PillowDecode(file, 0, before0));
  ASSERT_TRUE(PillowDecode(file, 1, before1));

  TMemoryStream stream(ReadFile(file));
  const TBitmap page = MakePicture(31, 17);
  TIOParamsVals params;
  params.TIFF_ImageIndex = 1;
  bool aborted = false;
  TProgressRec progress;
  progress.Aborting = &aborted;
  TBitmap copy(page);
  EXPECT_EQ(TIFFWriteStream(stream, true, copy, params, progress), 3);
  ASSERT_FALSE(aborted);
  const std::string grown = TempPath(".tif");
  WriteFile(grown, stream.Bytes());
  std::string info;
  ASSERT_EQ(kxtest::Run(kTiffinfo + " " + Quote(grown) + " 2>&1", &info), 0);
  EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
  ASSERT_EQ(pageCount(grown), 3);
  TBitmap after0, inserted, after2;
  ASSERT_TRUE(PillowDecode(grown, 0, after0));
  ASSERT_TRUE(PillowDecode(grown, 1, inserted));
  ASSERT_TRUE(PillowDecode(grown, 2, after2));
  EXPECT_EQ(Compare(after0, before0).pixels, 0);
  EXPECT_EQ(Compare(inserted, page).pixels, 0);
  EXPECT_EQ(Compare(after2, before1).pixels, 0);

  stream.SetPosition(0);
  EXPECT_EQ(_DeleteTIFFImStream(stream, 0), 3);
  const std::string shrunk = TempPath(".tif");
  WriteFile(shrunk, stream.Bytes());
  ASSERT_EQ(kxtest::Run(kTiffinfo + " " + Quote(shrunk) + " 2>&1", &info), 0);
  EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
  ASSERT_EQ(pageCount(shrunk), 2);
  TBitmap left0, left1;
  ASSERT_TRUE(PillowDecode(shrunk, 0, left0));
  ASSERT_TRUE(PillowDecode(shrunk, 1, left1));
  EXPECT_EQ(Compare(left0, page).pixels, 0);
  EXPECT_EQ(Compare(left1, before1).pixels, 0);
}

}  // namespace
