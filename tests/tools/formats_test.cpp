// `kestrix formats` and the registry's part in choosing the tool's formats: the listing, and
// formats that are registered but cannot be read or written yet.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

TEST(KestrixFormats, ListsTheRegistryWithTheToolsEntries) {
  TToolResult r = RunTool("formats");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "   1  TIFF Bitmap                 TIF;TIFF                    read write\n"
            "   2  CompuServe Bitmap           GIF                         read write\n"
            "   3  JPEG Bitmap                 JPG;JPEG;JPE                read write\n"
            "   4  PaintBrush                  PCX                         read write\n"
            "   5  Windows Bitmap              BMP;DIB;RLE                 read write\n"
            "   6  Windows Icon                ICO                         read\n"
            "   7  Windows Cursor              CUR                         read\n"
            "   8  Portable Network Graphics   PNG                         read write\n"
            "   9  Windows Metafile            WMF                         -\n"
            "  10  Enhanced Windows Metafile   EMF                         -\n"
            "  11  Targa Bitmap                TGA;TARGA;VDA;ICB;VST;PIX   read write\n"
            " 100  Netpbm                      PPM;PNM                     read write\n"
            " 101  Netpbm Graymap              PGM                         read write\n"
            " 102  Netpbm Bitmap               PBM                         read write\n");
  EXPECT_EQ(RunTool("formats extra").status, 2);
  EXPECT_NE(RunTool("--help").out.find("kestrix formats"), std::string::npos);
}

TEST(KestrixFormats, RegisteredFormatsWithoutACodecFailCleanly) {
  const std::string folder = TempDir() + "/no_codec";
  std::filesystem::create_directory(folder);
  const std::string ppm = folder + "/in.ppm";
  WriteFile(ppm, Bytes("P6\n1 1\n255\n\x01\x02\x03"));
  const std::string gif = folder + "/in.gif";
  WriteFile(gif, Bytes("GIF89a and some more bytes"));
  const struct {
    std::string args;
    int status;
    std::string named;
    std::string reason;
  } cases[] = {
      // An output no writer takes is a usage error that lists what can be written.
      {"convert " + Quote(ppm) + " " + Quote(folder + "/out.wmf"), 2, ".wmf",
       "writable: tif tiff gif jpg jpeg pcx bmp png tga ppm pnm pgm pbm"},
      {"convert " + Quote(ppm) + " " + Quote(folder + "/out.ico"), 2, ".ico", "writable: tif"},
      // ".jpe" is read as JPEG but no writer takes it, as the component's SaveToFile does not.
      {"convert " + Quote(ppm) + " " + Quote(folder + "/out.jpe"), 2, ".jpe", "writable: tif"},
      {"convert " + Quote(ppm) + " " + Quote(folder + "/out"), 2, "has no extension", "--format"},
      {"convert " + Quote(ppm) + " " + Quote(folder + "/out.jpg") + " --format wmf", 2, "\"wmf\"", "writable: tif"},
      // A GIF that holds no image.
      {"convert " + Quote(gif) + " " + Quote(folder + "/out.ppm"), 1, gif, "holds no image"},
      {"info " + Quote(gif), 1, gif, "CompuServe Bitmap"},
  };
  for (const auto& c : cases) {
    TToolResult r = RunTool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 2)
      << "nothing written";
  // --format names the format whatever the name says.
  const std::string named = folder + "/out.data";
  ASSERT_EQ(RunTool("convert " + Quote(ppm) + " " + Quote(named) + " --format JPG").status, 0);
  const std::vector<uint8_t> written = ReadFile(named);
  ASSERT_GE(written.size(), 3u);
  EXPECT_EQ(written[0], 0xFF);
  EXPECT_EQ(written[1], 0xD8);
}
