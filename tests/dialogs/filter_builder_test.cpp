// The dialogs' filters come from the format registry: readable formats for opening, writable
// ones for saving, in registry order, and Qt's form of the same list.
#include "imaging/dialogs/filter_builder.h"

#include <gtest/gtest.h>

#include "imaging/io/format_registry.h"

using namespace kx;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The filter as the registry's rows give it, for the formats `listed` accepts, with the
// extensions `extensionsOf` gives: the same rule written out once more, so that the test stays
// true as codecs land.
template <typename Listed, typename Extensions>
std::string Expected(Listed listed, Extensions extensionsOf) {
  std::string all, entries;
  for (const TKXBuiltInFormat& row : KXBuiltInFormats()) {
    if (!listed(row)) continue;
    std::string patterns, upper;
    for (std::string_view e : KXSplitExtensions(extensionsOf(row))) {
      patterns += (patterns.empty() ? "*." : ";*.") + Lower(std::string(e));
      std::string u(e);
      for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
      upper += (upper.empty() ? "" : ";") + u;
    }
    all += (all.empty() ? "" : ";") + patterns;
    entries += "|" + std::string(row.FullName) + " (" + upper + ")|" + patterns;
  }
  return "All graphics|" + all + entries;
}

}  // namespace

TEST(FilterBuilder, OpenFilterListsEveryReadableFormatInRegistryOrder) {
  const std::string built = KXBuildStrFilter(ffReadable);
  EXPECT_EQ(built, Expected([](const TKXBuiltInFormat& r) { return r.Read != nullptr; },
                            [](const TKXBuiltInFormat& r) { return r.LoadExtensions; }));
  // Every built-in format but the metafiles reads.
  EXPECT_EQ(built,
            "All graphics|*.tif;*.tiff;*.gif;*.jpg;*.jpeg;*.jpe;*.pcx;*.bmp;*.dib;*.rle;*.ico;*.cur;*.png;*.tga;"
            "*.targa;*.vda;*.icb;*.vst;*.win|TIFF Bitmap (TIF;TIFF)|*.tif;*.tiff|CompuServe Bitmap (GIF)|*.gif|"
            "JPEG Bitmap (JPG;JPEG;JPE)|*.jpg;*.jpeg;*.jpe|PaintBrush (PCX)|*.pcx|Windows Bitmap (BMP;DIB;RLE)|"
            "*.bmp;*.dib;*.rle|Windows Icon (ICO)|*.ico|Windows Cursor (CUR)|*.cur|Portable Network Graphics (PNG)|"
            "*.png|Targa Bitmap (TGA;TARGA;VDA;ICB;VST;WIN)|*.tga;*.targa;*.vda;*.icb;*.vst;*.win");
}

TEST(FilterBuilder, SaveFilterListsOnlyWritableFormatsWithTheirSaveExtensions) {
  const std::string built = KXBuildStrFilter(ffWritable);
  EXPECT_EQ(built, Expected([](const TKXBuiltInFormat& r) { return r.Write != nullptr; },
                            [](const TKXBuiltInFormat& r) { return r.SaveExtensions; }));
  EXPECT_EQ(built,
            "All graphics|*.tif;*.tiff;*.gif;*.jpg;*.jpeg;*.pcx;*.bmp;*.png;*.tga|TIFF Bitmap (TIF;TIFF)|*.tif;*.tiff|"
            "CompuServe Bitmap (GIF)|*.gif|JPEG Bitmap (JPG;JPEG)|*.jpg;*.jpeg|PaintBrush (PCX)|*.pcx|"
            "Windows Bitmap (BMP)|*.bmp|Portable Network Graphics (PNG)|*.png|Targa Bitmap (TGA)|*.tga");
  EXPECT_EQ(built.find("*.ico"), std::string::npos);
}

namespace {
void NoRead(TStream&, TBitmap&, TIOParamsVals&, bool, TProgressRec&) {}
}  // namespace

TEST(FilterBuilder, FormatAddedAtRunTimeJoinsOnlyWhatItCanDo) {
  constexpr TIOFileType kType = 200;
  KXFileFormatAdd({kType, "Portable Pixmap", "PPM;PNM", &NoRead, nullptr, nullptr});
  const std::string open = KXBuildStrFilter(ffReadable);
  const std::string save = KXBuildStrFilter(ffWritable);
  KXFileFormatRemove(kType);
  EXPECT_NE(open.find(";*.ppm;*.pnm|"), std::string::npos) << open;
  EXPECT_NE(open.find("|Portable Pixmap (PPM;PNM)|*.ppm;*.pnm"), std::string::npos) << open;
  EXPECT_EQ(save.find("ppm"), std::string::npos) << save;
}

TEST(FilterBuilder, QtFormJoinsDescriptionsAndSpaceSeparatedPatterns) {
  EXPECT_EQ(KXQtNameFilters("All graphics|*.jpg;*.png|JPEG Bitmap (JPG)|*.jpg|Dangling"),
            "All graphics (*.jpg *.png);;JPEG Bitmap (JPG) (*.jpg)");
  EXPECT_EQ(KXQtNameFilters(""), "");
}

TEST(FilterBuilder, PatternsOfAnEntryByOneBasedIndex) {
  const std::string filter = "A|*.a;*.b|B|*.c";
  EXPECT_EQ(KXFilterPatterns(filter, 1), "*.a;*.b");
  EXPECT_EQ(KXFilterPatterns(filter, 2), "*.c");
  EXPECT_EQ(KXFilterPatterns(filter, 0), "");
  EXPECT_EQ(KXFilterPatterns(filter, 3), "");
}
