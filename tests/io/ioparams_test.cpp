// TIOParamsVals: defaults, Assign, the binary form of versions 0 to 3 with its refusals, and
// the text form of the printable-field table.
#include "imaging/io/ioparams.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams_fields.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

bool FakeGifDecoder(TStream&, int32_t, int32_t, bool, uint8_t*) { return false; }
void FakeTiffEncoder(const uint8_t*, int32_t, TStream&, intptr_t&) {}
void FakeGifEncoder(TStream&, int32_t, int32_t, bool, const uint8_t*, int32_t) {}
const uint8_t* FakeTiffDecoder(const uint8_t*, int64_t, int32_t, intptr_t&) { return nullptr; }

// Every printable field as Name=Value lines.
std::string Listing(const TIOParamsVals& p) {
  std::string s;
  for (const TIOParamField& f : IOParamFields()) s += std::string(f.Name) + "=" + f.Get(p) + "\n";
  return s;
}

std::vector<uint8_t> Saved(const TIOParamsVals& p) {
  TMemoryStream s;
  p.SaveToStream(s);
  return s.Bytes();
}

bool Load(TIOParamsVals& p, const std::vector<uint8_t>& bytes) {
  TMemoryStream s(bytes);
  return p.LoadFromStream(s);
}

// Little-endian byte builder for hand-made streams.
struct TBytes {
  std::vector<uint8_t> b;
  TBytes& U8(uint8_t v) { return b.push_back(v), *this; }
  TBytes& I32(int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
    return *this;
  }
  TBytes& F64(double v) {
    uint64_t u = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) b.push_back(uint8_t(u >> (8 * i)));
    return *this;
  }
  TBytes& Str(const std::string& s) {
    I32(int32_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  TBytes& RGB(uint8_t blue, uint8_t green, uint8_t red) { return U8(blue).U8(green).U8(red); }
};

// Rows 1 to 28 with distinct values; FileType is 1 byte before version 2 and JPEG_Scale
// exists from version 1.
TBytes CommonRows(int32_t version) {
  TBytes t;
  t.I32(version).Str("pic.tga");
  if (version <= 1) {
    t.U8(ioTGA);
  } else {
    t.I32(ioTGA);
  }
  t.I32(4).I32(1).I32(640).I32(480).I32(300).I32(200);
  t.I32(2).RGB(1, 2, 3).RGB(4, 5, 6);
  t.U8(ioTIFF_LZW).I32(3).U8(ioTIFF_CMYK).I32(2).I32(11).I32(12).Str("doc").Str("desc").Str("page").I32(4).I32(9);
  t.Str("GIF87a").I32(1).I32(21).I32(22).I32(23).U8(1).RGB(7, 8, 9).U8(1).I32(800).I32(600).RGB(10, 11, 12).I32(49);
  t.U8(ioJPEG_CMYK).I32(77).U8(ioJPEG_FLOAT).U8(1).I32(30).U8(1);
  if (version >= 1) t.U8(ioJPEG_EIGHTH);
  t.I32(3).U8(ioPCX_UNCOMPRESSED).U8(ioBMP_BMOS2V2).U8(ioBMP_RLE);
  return t;
}

void ExpectCommonRows(const TIOParamsVals& p) {
  EXPECT_EQ(p.FileName, "pic.tga");
  EXPECT_EQ(p.FileType, ioTGA);
  EXPECT_EQ(p.BitsPerSample, 4);
  EXPECT_EQ(p.Height, 480);
  EXPECT_EQ(p.DpiY, 200);
  ASSERT_EQ(p.ColorMapCount, 2);
  ASSERT_EQ(p.ColorMap.size(), 2u);
  EXPECT_EQ(p.ColorMap[1], CreateRGB(6, 5, 4));
  EXPECT_EQ(p.TIFF_Photometric, ioTIFF_CMYK);
  EXPECT_EQ(p.TIFF_PageName, "page");
  EXPECT_EQ(p.TIFF_PageCount, 9);
  EXPECT_EQ(p.GIF_Version, "GIF87a");
  EXPECT_EQ(p.GIF_TransparentColor, CreateRGB(9, 8, 7));
  EXPECT_EQ(p.GIF_AspectRatio, 49);
  EXPECT_EQ(p.JPEG_Quality, 77);
  EXPECT_TRUE(p.JPEG_Progressive);
  EXPECT_EQ(p.BMP_Compression, ioBMP_RLE);
}

// A record whose every printable field differs from its default.
TIOParamsVals Distinct() {
  TIOParamsVals p;
  int i = 0;
  for (const TIOParamField& f : IOParamFields()) {
    ++i;
    std::string v;
    switch (f.Kind) {
      case TIOFieldKind::Int32:
        v = std::to_string(1000 + i);
        break;
      case TIOFieldKind::Bool:
        v = f.Get(p) == "true" ? "false" : "true";
        break;
      case TIOFieldKind::Enumeration:
      case TIOFieldKind::FileType:
        v = std::string(f.ValueNames.back());
        break;
      case TIOFieldKind::RGB:
        v = std::to_string(i) + "," + std::to_string(i + 1) + "," + std::to_string(i + 2);
        break;
      case TIOFieldKind::Double:
        v = std::to_string(i) + ".125";
        break;
      case TIOFieldKind::Date:
        v = "2021-03-04";
        break;
      case TIOFieldKind::String:
        v = "text of " + std::string(f.Name);
        break;
      case TIOFieldKind::Count:
        continue;
    }
    EXPECT_TRUE(f.Set(p, v)) << f.Name << "=" << v;
  }
  p.TGA_Date += 0.75;  // a time of day, which the text form does not show
  p.SetColorMap({CreateRGB(1, 2, 3), CreateRGB(250, 251, 252), CreateRGB(0, 128, 255)});
  return p;
}

class TFakeOwner : public TIOParamsOwner {
 public:
  const TBitmap* ParamsBitmap() const override { return bitmap; }
  bool ParamsViewDpi(int32_t& x, int32_t& y) const override {
    if (!view) return false;
    x = 150;
    y = 120;
    return true;
  }
  const TBitmap* bitmap = nullptr;
  bool view = false;
};

}  // namespace

TEST(IOParams, FreshRecordHasTheDefaults) {
  TIOParamsVals p;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char today[16];
  std::strftime(today, sizeof today, "%Y-%m-%d", &local);
  EXPECT_EQ(Listing(p),
            "BitsPerSample=8\nSamplesPerPixel=3\nWidth=0\nHeight=0\nDpiX=0\nDpiY=0\nFileType=ioUnknown\n"
            "TIFF_Compression=ioTIFF_UNCOMPRESSED\nTIFF_ImageIndex=0\nTIFF_Photometric=ioTIFF_RGB\n"
            "TIFF_PlanarConfig=1\nTIFF_HorizPosition=0\nTIFF_VertPosition=0\nTIFF_DocumentName=\n"
            "TIFF_ImageDescription=\nTIFF_PageName=\nTIFF_PageNumber=0\nTIFF_PageCount=0\nGIF_Version=GIF89a\n"
            "GIF_ImageIndex=0\nGIF_HorizPosition=0\nGIF_VertPosition=0\nGIF_DelayTime=0\nGIF_Transparent=false\n"
            "GIF_TransparentColor=0,0,0\nGIF_Interlaced=false\nGIF_ScreenWidth=0\nGIF_ScreenHeight=0\n"
            "GIF_Background=0,0,0\nGIF_AspectRatio=0\nJPEG_ColorSpace=ioJPEG_YCbCr\nJPEG_Quality=50\n"
            "JPEG_DCTMethod=ioJPEG_ISLOW\nJPEG_OptimalHuffman=false\nJPEG_Smoothing=0\nJPEG_Progressive=false\n"
            "JPEG_Scale=ioJPEG_FULLSIZE\nEXIF_Orientation=0\nPCX_Version=5\nPCX_Compression=ioPCX_RLE\nBMP_Version="
            "ioBMP_BM3\n"
            "BMP_Compression=ioBMP_UNCOMPRESSED\nICO_ImageIndex=0\nICO_Background=255,255,255\nCUR_ImageIndex=0\n"
            "CUR_HotSpotX=0\nCUR_HotSpotY=0\nCUR_Background=255,255,255\nPNG_Interlaced=false\n"
            "PNG_Background=0,0,0\nPNG_Filter=ioPNG_FILTER_NONE\nPNG_Compression=5\nTGA_XOrigin=0\nTGA_YOrigin=0\n"
            "TGA_Compressed=true\nTGA_Description=\nTGA_Author=\nTGA_Date=" +
                std::string(today) +
                "\nTGA_Name=\nTGA_Background=0,0,0\nTGA_AspectRatio=1\nTGA_Gamma=2.2\nTGA_GrayLevel=false\n"
                "FileName=\nColorMapCount=0\n");
  EXPECT_EQ(p.TGA_Date, std::floor(p.TGA_Date));
  EXPECT_EQ(p.TGA_Date, KXToday());
  EXPECT_TRUE(p.ColorMap.empty());
  EXPECT_EQ(p.owner, nullptr);
}

TEST(IOParams, ResetTakesSizeAndResolutionFromTheOwnerAndCodersFromTheGlobals) {
  TFakeOwner owner;
  TIOParamsVals bare(&owner);
  bare.Width = 7;
  bare.DpiX = 9;
  bare.SetDefaultParams();
  EXPECT_EQ(bare.Width, 7) << "no bitmap: the size stays";
  EXPECT_EQ(bare.DpiX, 9) << "no view: the resolution stays";

  TBitmap bitmap(40, 30);
  owner.bitmap = &bitmap;
  owner.view = true;
  DefGIF_LZWDECOMPFUNC = &FakeGifDecoder;
  DefTIFF_LZWCOMPFUNC = &FakeTiffEncoder;
  TIOParamsVals p(&owner);
  DefGIF_LZWDECOMPFUNC = nullptr;
  DefTIFF_LZWCOMPFUNC = nullptr;
  EXPECT_EQ(p.owner, &owner);
  EXPECT_EQ(p.Width, 40);
  EXPECT_EQ(p.Height, 30);
  EXPECT_EQ(p.DpiX, 150);
  EXPECT_EQ(p.DpiY, 120);
  EXPECT_EQ(p.GIF_LZWDecompress, &FakeGifDecoder);
  EXPECT_EQ(p.TIFF_LZWCompress, &FakeTiffEncoder);
  EXPECT_EQ(p.GIF_LZWCompress, nullptr);
  EXPECT_EQ(p.TIFF_LZWDecompress, nullptr);
}

TEST(IOParams, SetDefaultParamsClearsWhatAReaderLeft) {
  TIOParamsVals p;
  p.CUR_HotSpotX = 7;
  p.CUR_HotSpotY = 9;
  p.FileName = "x.cur";
  p.FileType = ioCUR;
  p.JPEG_Scale = ioJPEG_HALF;
  p.SetColorMap(std::vector<TRGB>(16));
  p.SetDefaultParams();
  EXPECT_EQ(p.CUR_HotSpotX, 0);
  EXPECT_EQ(p.CUR_HotSpotY, 0);
  EXPECT_EQ(Listing(p), Listing(TIOParamsVals()));
  EXPECT_TRUE(p.ColorMap.empty());
}

TEST(IOParams, AssignCopiesAllButTheOwnerAndThePaletteIsIndependent) {
  TFakeOwner ownerA, ownerB;
  TIOParamsVals source = Distinct();
  source.owner = &ownerA;
  source.GIF_LZWCompress = &FakeGifEncoder;
  std::vector<TRGB> sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(CreateRGB(uint8_t(i), uint8_t(2 * i), uint8_t(3 * i)));
  source.SetColorMap(sixteen);
  TIOParamsVals copy(&ownerB);
  copy.Assign(source);
  EXPECT_EQ(copy.owner, &ownerB);
  EXPECT_EQ(Listing(copy), Listing(source));
  EXPECT_EQ(copy.TGA_Date, source.TGA_Date);
  EXPECT_EQ(copy.GIF_LZWCompress, &FakeGifEncoder);

  source.ColorMap[3] = CreateRGB(99, 99, 99);
  source.FreeColorMap();
  EXPECT_EQ(source.ColorMapCount, 0);
  EXPECT_EQ(copy.ColorMap, sixteen);
  EXPECT_EQ(copy.ColorMapCount, 16);
}

TEST(IOParams, StreamRoundTripReproducesEveryStreamedField) {
  TIOParamsVals source = Distinct();
  source.EXIF_Orientation = 0;  // a fact of the file read last, not streamed
  TIOParamsVals target;
  target.TIFF_LZWDecompress = &FakeTiffDecoder;
  target.GIF_LZWCompress = &FakeGifEncoder;
  ASSERT_TRUE(Load(target, Saved(source)));
  EXPECT_EQ(Listing(target), Listing(source));
  EXPECT_NE(Listing(target), Listing(TIOParamsVals()));
  EXPECT_EQ(target.JPEG_Scale, ioJPEG_EIGHTH);
  EXPECT_EQ(target.CUR_HotSpotX, source.CUR_HotSpotX);
  EXPECT_EQ(target.CUR_HotSpotY, source.CUR_HotSpotY);
  EXPECT_EQ(target.TGA_Date, source.TGA_Date);
  EXPECT_EQ(target.ColorMap, source.ColorMap);
  EXPECT_EQ(target.ColorMapCount, 3);
  EXPECT_EQ(target.TIFF_LZWDecompress, &FakeTiffDecoder);
  EXPECT_EQ(target.GIF_LZWCompress, &FakeGifEncoder);
  EXPECT_EQ(target.TIFF_LZWCompress, nullptr);

  const std::string path = kxtest::TempPath(".kxp");
  source.SaveToFile(path);
  TIOParamsVals fromFile;
  ASSERT_TRUE(fromFile.LoadFromFile(path));
  EXPECT_EQ(Saved(fromFile), Saved(source));
  EXPECT_THROW(fromFile.LoadFromFile(kxtest::TempPath(".missing")), EFOpenError);
}

TEST(IOParams, VersionThreeBytesFollowTheRowTable) {
  TIOParamsVals p;
  p.FileName = "ab";
  p.FileType = ioPNG;
  p.Width = 0x01020304;
  p.TGA_Date = 45000.5;
  p.TGA_Gamma = 1.8;
  p.CUR_HotSpotY = -2;
  const std::vector<uint8_t> none = Saved(p);
  // version, "ab", FileType, then the six sizes from offset 14 and the count at 38.
  EXPECT_EQ(std::vector<uint8_t>(none.begin(), none.begin() + 14),
            (std::vector<uint8_t>{3, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', ioPNG, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(none.begin() + 22, none.begin() + 26), (std::vector<uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(std::vector<uint8_t>(none.begin() + 38, none.begin() + 43), (std::vector<uint8_t>{0, 0, 0, 0, 0}))
      << "count 0, then TIFF_Compression with no palette bytes between";

  std::vector<TRGB> palette(256);
  for (int i = 0; i < 256; ++i) palette[size_t(i)] = CreateRGB(uint8_t(i), uint8_t(255 - i), 7);
  p.SetColorMap(palette);
  const std::vector<uint8_t> full = Saved(p);
  ASSERT_EQ(full.size(), none.size() + 768);
  EXPECT_EQ(std::vector<uint8_t>(full.begin() + 38, full.begin() + 42), (std::vector<uint8_t>{0, 1, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(full.begin() + 42, full.begin() + 48), (std::vector<uint8_t>{7, 255, 0, 7, 254, 1}));
  EXPECT_EQ(std::vector<uint8_t>(full.begin() + 810, full.end()), std::vector<uint8_t>(none.begin() + 42, none.end()));

  // The whole default record, row by row.
  TBytes t;
  t.I32(3).Str("ab").I32(ioPNG).I32(8).I32(3).I32(0x01020304).I32(0).I32(0).I32(0).I32(0);
  t.U8(0).I32(0).U8(ioTIFF_RGB).I32(1).I32(0).I32(0).Str("").Str("").Str("").I32(0).I32(0);
  t.Str("GIF89a").I32(0).I32(0).I32(0).I32(0).U8(0).RGB(0, 0, 0).U8(0).I32(0).I32(0).RGB(0, 0, 0).I32(0);
  t.U8(ioJPEG_YCbCr).I32(50).U8(ioJPEG_ISLOW).U8(0).I32(0).U8(0).U8(ioJPEG_FULLSIZE);
  t.I32(5).U8(ioPCX_RLE).U8(ioBMP_BM3).U8(ioBMP_UNCOMPRESSED);
  t.I32(0).RGB(255, 255, 255).I32(0).I32(0).I32(-2).RGB(255, 255, 255);
  t.U8(0).RGB(0, 0, 0).U8(ioPNG_FILTER_NONE).I32(5);
  t.I32(0).I32(0).U8(1).Str("").Str("").F64(45000.5).Str("").RGB(0, 0, 0).F64(1.0).F64(1.8).U8(0);
  EXPECT_EQ(none, t.b);
}

TEST(IOParams, VersionTwoStreamLeavesBackgroundsAndTargaFields) {
  TIOParamsVals p = Distinct();
  const std::string before = Listing(p);
  TBytes t = CommonRows(2);
  t.I32(6).I32(5).I32(7).I32(9);  // ICO_ImageIndex, CUR_ImageIndex, hot spot
  t.U8(1).RGB(20, 21, 22).U8(ioPNG_FILTER_SUB).I32(8);
  ASSERT_TRUE(Load(p, t.b));
  ExpectCommonRows(p);
  EXPECT_EQ(p.JPEG_Scale, ioJPEG_EIGHTH);
  EXPECT_EQ(p.ICO_ImageIndex, 6);
  EXPECT_EQ(p.CUR_ImageIndex, 5);
  EXPECT_EQ(p.CUR_HotSpotX, 7);
  EXPECT_EQ(p.CUR_HotSpotY, 9);
  EXPECT_EQ(p.PNG_Background, CreateRGB(22, 21, 20));
  EXPECT_EQ(p.PNG_Compression, 8);
  const TIOParamsVals distinct = Distinct();
  EXPECT_EQ(p.ICO_Background, distinct.ICO_Background);
  EXPECT_EQ(p.CUR_Background, distinct.CUR_Background);
  for (const TIOParamField& f : IOParamFields()) {
    if (std::string_view(f.Name).starts_with("TGA_")) {
      EXPECT_EQ(f.Get(p), f.Get(distinct)) << f.Name;
    }
  }
  EXPECT_EQ(p.TGA_Date, distinct.TGA_Date);
  EXPECT_NE(Listing(p), before);
}

TEST(IOParams, VersionZeroStreamZeroesIconAndCursorNumbersAndKeepsTheScale) {
  TIOParamsVals p;
  p.JPEG_Scale = ioJPEG_QUARTER;
  p.ICO_ImageIndex = 3;
  p.CUR_ImageIndex = 4;
  p.CUR_HotSpotX = 7;
  p.CUR_HotSpotY = 9;
  TBytes t = CommonRows(0);
  t.I32(61).I32(62).I32(63).I32(64);  // the four retired numbers
  t.U8(1).RGB(20, 21, 22).U8(ioPNG_FILTER_PAETH).I32(8);
  ASSERT_TRUE(Load(p, t.b));
  ExpectCommonRows(p);
  EXPECT_EQ(p.JPEG_Scale, ioJPEG_QUARTER);
  EXPECT_EQ(p.ICO_ImageIndex, 0);
  EXPECT_EQ(p.CUR_ImageIndex, 0);
  EXPECT_EQ(p.CUR_HotSpotX, 0);
  EXPECT_EQ(p.CUR_HotSpotY, 0);
  EXPECT_TRUE(p.PNG_Interlaced);
  EXPECT_EQ(p.PNG_Filter, ioPNG_FILTER_PAETH);
  EXPECT_EQ(p.PNG_Compression, 8);
}

TEST(IOParams, RefusedStreamsLeaveTheRecordUnchanged) {
  TIOParamsVals good = Distinct();
  good.SetColorMap({CreateRGB(1, 2, 3), CreateRGB(4, 5, 6)});
  const std::vector<uint8_t> valid = Saved(good);
  const int32_t nameLen = int32_t(good.FileName.size());
  const size_t countAt = 12 + size_t(nameLen) + 24;
  const size_t tiffCompressionAt = countAt + 4 + 6;
  const size_t gifTransparentAt =
      tiffCompressionAt + 1 + 4 + 1 + 12 +
      (12 + good.TIFF_DocumentName.size() + good.TIFF_ImageDescription.size() + good.TIFF_PageName.size()) + 8 + 4 +
      good.GIF_Version.size() + 16;
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> s = valid;
    std::copy(bytes.begin(), bytes.end(), s.begin() + std::ptrdiff_t(at));
    return s;
  };
  ASSERT_EQ(valid[gifTransparentAt], 1) << "offset of GIF_Transparent";
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"version 4", patched(0, {4, 0, 0, 0})},
      {"negative version", patched(0, {0xFF, 0xFF, 0xFF, 0xFF})},
      {"palette count beyond the data", patched(countAt, {0x00, 0x10, 0, 0})},
      {"palette count negative", patched(countAt, {0xFF, 0xFF, 0xFF, 0xFF})},
      {"palette count huge", patched(countAt, {0xFF, 0xFF, 0xFF, 0x7F})},
      {"string length beyond the data", patched(4, {0x00, 0x00, 0x10, 0})},
      {"string length negative", patched(4, {0xFE, 0xFF, 0xFF, 0xFF})},
      {"enumeration out of range", patched(tiffCompressionAt, {ioTIFF_PACKBITS + 1})},
      {"boolean neither 0 nor 1", patched(gifTransparentAt, {2})},
  };
  for (const auto& c : cases) {
    TIOParamsVals p = good;
    EXPECT_FALSE(Load(p, c.bytes)) << c.what;
    EXPECT_EQ(Saved(p), valid) << c.what;
  }
  for (size_t n = 0; n < valid.size(); ++n) {
    TIOParamsVals p = good;
    ASSERT_FALSE(Load(p, std::vector<uint8_t>(valid.begin(), valid.begin() + std::ptrdiff_t(n)))) << n << " bytes";
    ASSERT_EQ(Saved(p), valid) << n << " bytes";
  }
  TIOParamsVals p;
  EXPECT_TRUE(Load(p, valid)) << "the unpatched stream loads";
}

TEST(IOParamFields, TextFormsParseAndRefuse) {
  const struct {
    const char* field;
    const char* text;
    const char* shown;  // null: refused
  } cases[] = {
      {"JPEG_Scale", "ioJPEG_HALF", "ioJPEG_HALF"},
      {"JPEG_Scale", "4", "ioJPEG_EIGHTH"},
      {"JPEG_Scale", "5", nullptr},
      {"JPEG_Scale", "ioJPEG_half", nullptr},
      {"FileType", "ioTGA", "ioTGA"},
      {"FileType", "3", "ioJPEG"},
      {"FileType", "12", nullptr},
      {"JPEG_Progressive", "1", "true"},
      {"JPEG_Progressive", "false", "false"},
      {"JPEG_Progressive", "yes", nullptr},
      {"JPEG_Quality", "-5", "-5"},
      {"JPEG_Quality", "5x", nullptr},
      {"JPEG_Quality", "2147483648", nullptr},
      {"JPEG_Quality", "", nullptr},
      {"PNG_Background", "1,2,255", "1,2,255"},
      {"PNG_Background", "1,2", nullptr},
      {"PNG_Background", "1,2,256", nullptr},
      {"PNG_Background", "1,2,3,4", nullptr},
      {"TGA_Gamma", "0.1", "0.1"},
      {"TGA_Gamma", "nan", nullptr},
      {"TGA_Date", "2024-02-29", "2024-02-29"},
      {"TGA_Date", "1899-12-30", "1899-12-30"},
      {"TGA_Date", "2023-02-29", nullptr},
      {"TGA_Date", "2023-13-01", nullptr},
      {"GIF_Version", "a=b c", "a=b c"},
      {"ColorMapCount", "3", nullptr},
  };
  for (const auto& c : cases) {
    const TIOParamField* f = FindIOParamField(c.field);
    ASSERT_NE(f, nullptr) << c.field;
    TIOParamsVals p;
    const std::string before = f->Get(p);
    EXPECT_EQ(f->Set(p, c.text), c.shown != nullptr) << c.field << "=" << c.text;
    EXPECT_EQ(f->Get(p), c.shown ? c.shown : before) << c.field << "=" << c.text;
  }
  TIOParamsVals p;
  ASSERT_TRUE(FindIOParamField("PNG_Background")->Set(p, "10,20,30"));
  EXPECT_EQ(p.PNG_Background, CreateRGB(10, 20, 30));
  ASSERT_TRUE(FindIOParamField("TGA_Date")->Set(p, "1900-03-01"));
  EXPECT_EQ(p.TGA_Date, 61.0);
  p.TGA_Date = -1.25;
  EXPECT_EQ(FindIOParamField("TGA_Date")->Get(p), "1899-12-29")
      << "the fraction of a negative date-time is still the time of day";
  EXPECT_EQ(FindIOParamField("BogusField"), nullptr);
  EXPECT_EQ(IOFileTypeName(42), "42");
}
