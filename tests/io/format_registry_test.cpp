// The format registry and content detection: the built-in entries, look-ups by type and
// extension, run-time entries, the detection rules with their size limits measured from the
// stream's position, and the type descriptions of the parameter set.
#include "imaging/io/format_registry.h"

#include <gtest/gtest.h>

#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"
#include "imaging/io/ioparams.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

std::vector<uint8_t> Starting(std::initializer_list<uint8_t> head, size_t size) {
  std::vector<uint8_t> bytes(size, 0x20);
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}
std::vector<uint8_t> Starting(const std::string& head, size_t size) {
  std::vector<uint8_t> bytes(size, 0x20);
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}

// Removes the run-time entries a test adds, also when it fails.
class Registry : public ::testing::Test {
 protected:
  void TearDown() override {
    while (kxgFileFormats().size() > 11) KXFileFormatRemove(kxgFileFormats().back()->FileType);
  }
};

bool ThrowingTry(TStream& stream) {
  uint8_t b;
  stream.Read(&b, 1);
  throw EReadError("unreadable");
}
void NoRead(TStream&, TBitmap&, TIOParamsVals&, bool, TProgressRec&) {}
void NoWrite(TStream&, TBitmap&, TIOParamsVals&, TProgressRec&) {}
bool AlwaysTry(TStream& stream) {
  uint8_t b[4];
  stream.Read(b, 4);
  return true;
}

}  // namespace

TEST_F(Registry, BuiltInEntriesInOrderWithoutFunctions) {
  const struct {
    TIOFileType type;
    const char* name;
    const char* extensions;
  } expected[] = {
      {1, "TIFF Bitmap", "TIF;TIFF"},
      {2, "CompuServe Bitmap", "GIF"},
      {3, "JPEG Bitmap", "JPG;JPEG;JPE"},
      {4, "PaintBrush", "PCX"},
      {5, "Windows Bitmap", "BMP;DIB;RLE"},
      {6, "Windows Icon", "ICO"},
      {7, "Windows Cursor", "CUR"},
      {8, "Portable Network Graphics", "PNG"},
      {9, "Windows Metafile", "WMF"},
      {10, "Enhanced Windows Metafile", "EMF"},
      {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX"},
  };
  ASSERT_EQ(kxgFileFormats().size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const TKXFileFormatInfo& r = *kxgFileFormats()[i];
    EXPECT_EQ(r.FileType, expected[i].type);
    EXPECT_EQ(r.FullName, expected[i].name);
    EXPECT_EQ(r.Extensions, expected[i].extensions);
    EXPECT_FALSE(r.ReadFunction || r.WriteFunction || r.TryFunction) << r.FullName;
  }
}

TEST_F(Registry, LooksUpByTypeAndByExtensionIgnoringCase) {
  EXPECT_EQ(KXFileFormatGetInfo(ioJPEG)->FullName, "JPEG Bitmap");
  EXPECT_EQ(KXFileFormatGetInfo(12), nullptr);
  const struct {
    const char* ext;
    TIOFileType type;
  } cases[] = {{"jpe", ioJPEG},    {"Jpeg", ioJPEG}, {"PIX", ioTGA},    {"rle", ioBMP},     {"tiff", ioTIFF},
               {"win", ioUnknown}, {"", ioUnknown},  {"JP", ioUnknown}, {"jpg;", ioUnknown}};
  for (const auto& c : cases) {
    const PKXFileFormatInfo r = KXFileFormatGetInfo2(c.ext);
    EXPECT_EQ(r ? r->FileType : ioUnknown, c.type) << c.ext;
  }
  EXPECT_EQ(KXFileFormatGetExtCount(ioTGA), 6);
  EXPECT_EQ(KXFileFormatGetExtCount(12), 0);
  EXPECT_EQ(KXFileFormatGetExt(ioTGA, 0), "TGA");
  EXPECT_EQ(KXFileFormatGetExt(ioTGA, 5), "PIX");
  EXPECT_EQ(KXFileFormatGetExt(ioTGA, 6), "");
  EXPECT_EQ(KXFileFormatGetExt(ioTGA, -1), "");
  EXPECT_EQ(KXFileFormatGetExt(12, 0), "");
}

TEST_F(Registry, RunTimeEntriesAreCopiedCutAndRemovedFirstOfType) {
  TKXFileFormatInfo info{40, std::string(100, 'N'), "JPG;XYZ", nullptr, nullptr, nullptr};
  KXFileFormatAdd(info);
  info.FullName = "second";
  KXFileFormatAdd(info);
  ASSERT_EQ(kxgFileFormats().size(), 13u);
  EXPECT_EQ(KXFileFormatGetInfo(40)->FullName, std::string(80, 'N'));
  EXPECT_EQ(KXFileFormatGetInfo2("jpg")->FileType, ioJPEG) << "list order decides";
  EXPECT_EQ(KXFileFormatGetInfo2("xyz")->FileType, 40);
  KXFileFormatRemove(40);
  EXPECT_EQ(KXFileFormatGetInfo(40)->FullName, "second");
  KXFileFormatRemove(40);
  KXFileFormatRemove(40);
  EXPECT_EQ(kxgFileFormats().size(), 11u);
}

TEST_F(Registry, DetectionRulesCountTheBytesAfterThePosition) {
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0};
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    TIOFileType type;
  } cases[] = {
      {"PCX rule, 100 bytes", Starting({0x0A, 0x05}, 100), ioUnknown},
      {"PCX rule, 129 bytes", Starting({0x0A, 0x05}, 129), ioPCX},
      {"PCX rule, 200 bytes", Starting({0x0A, 0x05}, 200), ioPCX},
      {"PCX rule, version 6", Starting({0x0A, 0x06}, 200), ioUnknown},
      {"PCX rule, 128 bytes", Starting({0x0A, 0x00}, 128), ioUnknown},
      {"JPEG marker", Starting({0xFF, 0xD8, 0xFF}, 3), ioJPEG},
      {"JFIF header", Starting(std::string("JFIF\0", 5), 13), ioJPEG},
      {"JFIF header, 12 bytes", Starting(std::string("JFIF\0", 5), 12), ioUnknown},
      {"GIF, 14 bytes", Starting("GIF89a", 14), ioGIF},
      {"GIF, 13 bytes", Starting("GIF89a", 13), ioUnknown},
      {"PCX2 header", Starting(std::string("PCX2\0", 5), 13), ioPCX},
      {"old PCX header", Starting(std::string("PCX\0", 4), 5), ioPCX},
      {"old PCX header, 4 bytes", Starting(std::string("PCX\0", 4), 4), ioUnknown},
      {"BM, 15 bytes", Starting("BM", 15), ioBMP},
      {"BM, 14 bytes", Starting("BM", 14), ioUnknown},
      {"TIFF header", Starting(std::string("TIFF\0", 5), 13), ioTIFF},
      {"II, 9 bytes", Starting("II*", 9), ioTIFF},
      {"MM, 8 bytes", Starting("MM", 8), ioUnknown},
      {"PNG signature", png, ioPNG},
      {"PNG signature, 8 bytes", std::vector<uint8_t>(png.begin(), png.end() - 1), ioUnknown},
      {"nothing", Starting("plain text here", 300), ioUnknown},
      {"empty", {}, ioUnknown},
  };
  for (const size_t offset : {size_t(0), size_t(300)}) {
    for (const auto& c : cases) {
      std::vector<uint8_t> bytes(offset, 0x0A);
      bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
      TMemoryStream stream(bytes);
      stream.SetPosition(int64_t(offset));
      EXPECT_EQ(FindStreamFormat(stream), c.type) << c.what << " at " << offset;
      EXPECT_EQ(stream.Position(), int64_t(offset)) << c.what;
    }
  }
}

TEST_F(Registry, RegisteredTestsComeFirstAndAThrowingOneEndsDetection) {
  TMemoryStream jpeg(Starting({0xFF, 0xD8, 0xFF}, 20));
  KXFileFormatAdd({50, "Everything", "EVR", nullptr, nullptr, &AlwaysTry});
  EXPECT_EQ(FindStreamFormat(jpeg), 50);
  EXPECT_EQ(jpeg.Position(), 0);
  KXFileFormatRemove(50);
  KXFileFormatAdd({51, "Broken", "BRK", nullptr, nullptr, &ThrowingTry});
  jpeg.SetPosition(2);
  EXPECT_EQ(FindStreamFormat(jpeg), ioUnknown);
  EXPECT_EQ(jpeg.Position(), 2);
}

TEST_F(Registry, FindFileFormatVerifiesTheExtensionOnRequest) {
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0};
  const std::string asBmp = kxtest::TempPath(".bmp"), asPng = kxtest::TempPath(".PNG"), bare = kxtest::TempPath("");
  for (const std::string* p : {&asBmp, &asPng, &bare}) kxtest::WriteFile(*p, png);
  EXPECT_EQ(FindFileFormat(asBmp, true), ioUnknown);
  EXPECT_EQ(FindFileFormat(asBmp, false), ioPNG);
  EXPECT_EQ(FindFileFormat(asPng, true), ioPNG);
  EXPECT_EQ(FindFileFormat(bare, true), ioUnknown);
  EXPECT_EQ(FindFileFormat(bare, false), ioPNG);
  EXPECT_EQ(FindFileFormat(kxtest::TempPath(".png"), false), ioUnknown) << "a missing file";
}

TEST_F(Registry, FileTypeTextNamesTheFormatAndItsMainOption) {
  TIOParamsVals p;
  const struct {
    void (*set)(TIOParamsVals&);
    const char* text;
  } cases[] = {
      {[](TIOParamsVals& p) { p.FileType = ioJPEG; }, "JPEG Bitmap (JPG) YCbCr"},
      {[](TIOParamsVals& p) { p.FileType = ioJPEG, p.JPEG_ColorSpace = ioJPEG_RGB; }, "JPEG Bitmap (JPG)"},
      {[](TIOParamsVals& p) { p.FileType = ioJPEG, p.JPEG_ColorSpace = ioJPEG_GRAYLEV; },
       "JPEG Bitmap (JPG) Gray level"},
      {[](TIOParamsVals& p) { p.FileType = ioTIFF, p.TIFF_Compression = ioTIFF_PACKBITS; },
       "TIFF Bitmap (TIF) PackBits RLE"},
      {[](TIOParamsVals& p) { p.FileType = ioTIFF, p.TIFF_Compression = ioTIFF_G3FAX2D; },
       "TIFF Bitmap (TIF) Group 3 Fax 2D"},
      {[](TIOParamsVals& p) { p.FileType = ioGIF, p.GIF_Interlaced = true; }, "CompuServe Bitmap (GIF) Interlaced"},
      {[](TIOParamsVals& p) { p.FileType = ioGIF; }, "CompuServe Bitmap (GIF)"},
      {[](TIOParamsVals& p) { p.FileType = ioPCX, p.PCX_Compression = ioPCX_UNCOMPRESSED; },
       "PaintBrush (PCX) Uncompressed"},
      {[](TIOParamsVals& p) { p.FileType = ioPCX; }, "PaintBrush (PCX)"},
      {[](TIOParamsVals& p) { p.FileType = ioBMP, p.BMP_Version = ioBMP_BMOS2V1; }, "Windows Bitmap (BMP) OS/2 v.1"},
      {[](TIOParamsVals& p) { p.FileType = ioPNG, p.PNG_Interlaced = true; },
       "Portable Network Graphics (PNG) Interlaced"},
      {[](TIOParamsVals& p) { p.FileType = ioTGA; }, "Targa Bitmap (TGA) Compressed"},
      {[](TIOParamsVals& p) { p.FileType = ioTGA, p.TGA_Compressed = false; }, "Targa Bitmap (TGA) Uncompressed"},
      {[](TIOParamsVals& p) { p.FileType = ioICO; }, "Windows Icon (ICO)"},
      {[](TIOParamsVals& p) { p.FileType = 77, p.JPEG_ColorSpace = ioJPEG_CMYK; }, ""},
      {[](TIOParamsVals& p) { p.FileType = ioUnknown; }, ""},
  };
  for (const auto& c : cases) {
    TIOParamsVals params;
    c.set(params);
    EXPECT_EQ(params.GetFileTypeStr(), c.text);
  }
  KXFileFormatAdd({60, "Lower", "abc;def", nullptr, nullptr, nullptr});
  p.FileType = 60;
  EXPECT_EQ(p.GetFileTypeStr(), "Lower (ABC)");
}

TEST_F(Registry, OneQuerySaysWhetherATypeReadsAndWrites) {
  KXFileFormatAdd({40, "Reads", "RDS", &NoRead, nullptr, nullptr});
  KXFileFormatAdd({41, "Writes", "WRS", nullptr, &NoWrite, nullptr});
  // A built-in type answers by its row even when the registry gives a record of it functions.
  KXFileFormatAdd({ioTIFF, "Other TIFF", "TIF", &NoRead, &NoWrite, nullptr});
  const struct {
    TIOFileType type;
    bool reads, writes;
  } cases[] = {{ioJPEG, true, true}, {ioTIFF, true, true}, {ioICO, true, false},     {40, true, false},
               {41, false, true},    {12, false, false},   {ioUnknown, false, false}};
  for (const auto& c : cases) {
    const TKXFormatAbilities a = KXFileFormatAbilities(c.type);
    EXPECT_EQ(a.Reads, c.reads) << c.type;
    EXPECT_EQ(a.Writes, c.writes) << c.type;
  }
}

TEST_F(Registry, LoadAndSaveChoicesTakeTheRowsFirstThenTheRegistry) {
  KXFileFormatAdd({40, "Extra", "XTR;PIX", &NoRead, &NoWrite, nullptr});
  const struct {
    const char* name;
    TIOFileType loadRow, loadRecord, saveRow, saveRecord;
  } cases[] = {
      {"a.JPE", ioJPEG, ioUnknown, ioUnknown, ioJPEG},    {"a.jpeg", ioJPEG, ioUnknown, ioJPEG, ioUnknown},
      {"a.win", ioTGA, ioUnknown, ioUnknown, ioUnknown},  {"a.pix", ioUnknown, ioTGA, ioUnknown, ioTGA},
      {"a.wmf", ioWMF, ioUnknown, ioUnknown, ioWMF},      {"a.ico", ioICO, ioUnknown, ioUnknown, ioICO},
      {"a.rle", ioBMP, ioUnknown, ioUnknown, ioBMP},      {"a.xtr", ioUnknown, 40, ioUnknown, 40},
      {"a.tiff", ioTIFF, ioUnknown, ioTIFF, ioUnknown},   {"jpg", ioUnknown, ioUnknown, ioUnknown, ioUnknown},
      {"a.", ioUnknown, ioUnknown, ioUnknown, ioUnknown},
  };
  auto rowType = [](const TKXFormatChoice& c) { return c.Row ? c.Row->FileType : ioUnknown; };
  auto recordType = [](const TKXFormatChoice& c) { return c.Record ? c.Record->FileType : ioUnknown; };
  for (const auto& c : cases) {
    const TKXFormatChoice load = KXLoadChoiceForFile(c.name), save = KXSaveChoiceForFile(c.name);
    EXPECT_EQ(rowType(load), c.loadRow) << c.name;
    EXPECT_EQ(recordType(load), c.loadRecord) << c.name;
    EXPECT_EQ(rowType(save), c.saveRow) << c.name;
    EXPECT_EQ(recordType(save), c.saveRecord) << c.name;
  }
  // By type: the formats without a stream save method go to the registry.
  for (TIOFileType t = 1; t <= 12; ++t) {
    const TKXFormatChoice save = KXSaveChoiceForType(t);
    const bool streamSave = t != ioICO && t != ioCUR && t != ioWMF && t != ioEMF && t != 12;
    EXPECT_EQ(rowType(save), streamSave ? t : ioUnknown) << t;
    EXPECT_EQ(recordType(save), streamSave || t == 12 ? ioUnknown : t) << t;
  }
  // By content, with the position kept; unknown bytes have no reader at all.
  TMemoryStream jpeg(Starting({0xFF, 0xD8, 0xFF}, 20));
  jpeg.SetPosition(0);
  EXPECT_EQ(rowType(KXLoadChoiceForStream(jpeg)), ioJPEG);
  EXPECT_EQ(jpeg.Position(), 0);
  TMemoryStream text(Starting("plain text", 40));
  text.SetPosition(3);
  const TKXFormatChoice none = KXLoadChoiceForStream(text);
  EXPECT_TRUE(!none.Row && !none.Record);
  EXPECT_EQ(text.Position(), 3);
}
