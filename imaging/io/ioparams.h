// TIOParamsVals: the parameters of one image file, filled by readers and used by writers,
// with its versioned binary form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/types.h"

namespace kx {

class TStream;
class TBitmap;
class TKestrixIO;

// File type codes: also the keys of the format registry.
using TIOFileType = int32_t;
constexpr TIOFileType ioUnknown = 0;
constexpr TIOFileType ioTIFF = 1;
constexpr TIOFileType ioGIF = 2;
constexpr TIOFileType ioJPEG = 3;
constexpr TIOFileType ioPCX = 4;
constexpr TIOFileType ioBMP = 5;
constexpr TIOFileType ioICO = 6;
constexpr TIOFileType ioCUR = 7;
constexpr TIOFileType ioPNG = 8;
constexpr TIOFileType ioWMF = 9;
constexpr TIOFileType ioEMF = 10;
constexpr TIOFileType ioTGA = 11;

enum TIOJPEGColorspace : uint8_t { ioJPEG_RGB, ioJPEG_GRAYLEV, ioJPEG_YCbCr, ioJPEG_CMYK, ioJPEG_YCbCrK };
enum TIOJPEGDctMethod : uint8_t { ioJPEG_ISLOW, ioJPEG_IFAST, ioJPEG_FLOAT };
enum TIOJPEGScale : uint8_t { ioJPEG_AUTOCALC, ioJPEG_FULLSIZE, ioJPEG_HALF, ioJPEG_QUARTER, ioJPEG_EIGHTH };
enum TIOTIFFCompression : uint8_t {
  ioTIFF_UNCOMPRESSED,
  ioTIFF_CCITT1D,
  ioTIFF_G3FAX1D,
  ioTIFF_G3FAX2D,
  ioTIFF_G4FAX,
  ioTIFF_LZW,
  ioTIFF_OLDJPEG,
  ioTIFF_JPEG,
  ioTIFF_PACKBITS
};
enum TIOTIFFPhotometInterpret : uint8_t {
  ioTIFF_WHITEISZERO,
  ioTIFF_BLACKISZERO,
  ioTIFF_RGB,
  ioTIFF_RGBPALETTE,
  ioTIFF_TRANSPMASK,
  ioTIFF_CMYK,
  ioTIFF_YCBCR,
  ioTIFF_CIELAB
};
enum TIOPNGFilter : uint8_t { ioPNG_FILTER_NONE, ioPNG_FILTER_SUB, ioPNG_FILTER_PAETH };
enum TIOBMPVersion : uint8_t { ioBMP_BM, ioBMP_BM3, ioBMP_BMOS2V1, ioBMP_BMOS2V2 };
enum TIOBMPCompression : uint8_t { ioBMP_UNCOMPRESSED, ioBMP_RLE };
enum TIOPCXCompression : uint8_t { ioPCX_UNCOMPRESSED, ioPCX_RLE };

// LZW coder hooks of the GIF and TIFF codecs. The library installs none, so all four defaults
// start null; an application installs coders before it creates parameter records.
//
// GIF decoder: called with the stream on the image's minimum-code-size byte; consumes the data
// sub-blocks up to and including the empty one and fills `indices` (width x height bytes, rows
// from the top in display order, de-interlaced when `interlaced`). Returns false when the data
// ended early or held an invalid code: the rows decoded so far are in place, the rest keep what
// the caller put there. Leaving the stream where it was also counts as failure.
using TGIFLZWDecompFunc = bool (*)(TStream& stream, int32_t height, int32_t width, bool interlaced, uint8_t* indices);
// GIF encoder: writes the minimum code size, the data sub-blocks and the empty sub-block for
// the width x height indices (display order; emitted in interlaced order when `interlaced`);
// `bitsPerPixel` (1..8) is the bit count of the colour table the indices refer to.
using TGIFLZWCompFunc = void (*)(TStream& stream, int32_t height, int32_t width, bool interlaced,
                                 const uint8_t* indices, int32_t bitsPerPixel);
// TIFF decoder: called once per row with the strip's compressed bytes and the row size; the
// context is 0 at the start of each strip and holds the decoder's state. Returns `rowSize`
// decoded bytes (valid until the next call), or null on failure. After the strip's last row it
// is called with (null, 0, 0, context) to release its state. The strip's byte count is passed
// so that a damaged strip can never make the decoder read past it.
using TTIFFLZWDecompFunc = const uint8_t* (*)(const uint8_t* strip, int64_t stripSize, int32_t rowSize,
                                              intptr_t& context);
// TIFF encoder: called once per row with the prepared row bytes, writes compressed bytes to the
// stream; the context is 0 at the start of the image. A final call with (null, 0) ends the code
// stream and releases the state.
using TTIFFLZWCompFunc = void (*)(const uint8_t* row, int32_t size, TStream& stream, intptr_t& context);
extern TGIFLZWDecompFunc DefGIF_LZWDECOMPFUNC;
extern TGIFLZWCompFunc DefGIF_LZWCOMPFUNC;
extern TTIFFLZWDecompFunc DefTIFF_LZWDECOMPFUNC;
extern TTIFFLZWCompFunc DefTIFF_LZWCOMPFUNC;

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// The size and resolution source of a record: the component that owns it. Implemented by the
// I/O component; null for a free-standing record.
class TIOParamsOwner {
 public:
  virtual ~TIOParamsOwner() = default;
  // The owner's bitmap, or null.
  virtual const TBitmap* ParamsBitmap() const = 0;
  // The DPI of the owner's attached view; false when there is no view.
  virtual bool ParamsViewDpi(int32_t& dpiX, int32_t& dpiY) const = 0;
};

class TIOParamsVals {
 public:
  explicit TIOParamsVals(TIOParamsOwner* owner = nullptr);

  // Resets every field to its default (the owner supplies size and resolution).
  void SetDefaultParams();
  // Copies every field except the owner.
  void Assign(const TIOParamsVals& source);

  // Writes the version-3 form.
  void SaveToStream(TStream& stream) const;
  // Reads versions 0 to 3. Returns false, leaving the record unchanged, when the stream is
  // short, malformed, or of a later version.
  bool LoadFromStream(TStream& stream);
  void SaveToFile(const std::string& fileName) const;
  bool LoadFromFile(const std::string& fileName);

  // The registered name and first extension of FileType with its main option, for example
  // "JPEG Bitmap (JPG) YCbCr".
  std::string GetFileTypeStr() const;

  // Replaces the palette (ColorMapCount follows it).
  void SetColorMap(std::vector<TRGB> palette);
  void FreeColorMap();

 private:
  // A record holding the member initializers only: the defaults that need no owner or clock.
  struct TBare {};
  explicit TIOParamsVals(TBare) {}

 public:
  TIOParamsOwner* owner = nullptr;
  int32_t BitsPerSample = 8;
  int32_t SamplesPerPixel = 3;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  TIOFileType FileType = ioUnknown;
  TIOTIFFCompression TIFF_Compression = ioTIFF_UNCOMPRESSED;
  int32_t TIFF_ImageIndex = 0;
  TIOTIFFPhotometInterpret TIFF_Photometric = ioTIFF_RGB;
  int32_t TIFF_PlanarConfig = 1;
  int32_t TIFF_HorizPosition = 0;
  int32_t TIFF_VertPosition = 0;
  std::string TIFF_DocumentName;
  std::string TIFF_ImageDescription;
  std::string TIFF_PageName;
  int32_t TIFF_PageNumber = 0;
  int32_t TIFF_PageCount = 0;
  TTIFFLZWDecompFunc TIFF_LZWDecompress = nullptr;
  TTIFFLZWCompFunc TIFF_LZWCompress = nullptr;
  std::string GIF_Version = "GIF89a";
  int32_t GIF_ImageIndex = 0;
  int32_t GIF_HorizPosition = 0;
  int32_t GIF_VertPosition = 0;
  int32_t GIF_DelayTime = 0;
  bool GIF_Transparent = false;
  TRGB GIF_TransparentColor{};
  bool GIF_Interlaced = false;
  int32_t GIF_ScreenWidth = 0;
  int32_t GIF_ScreenHeight = 0;
  TRGB GIF_Background{};
  int32_t GIF_AspectRatio = 0;
  TGIFLZWDecompFunc GIF_LZWDecompress = nullptr;
  TGIFLZWCompFunc GIF_LZWCompress = nullptr;
  TIOJPEGColorspace JPEG_ColorSpace = ioJPEG_YCbCr;
  int32_t JPEG_Quality = 50;
  TIOJPEGDctMethod JPEG_DCTMethod = ioJPEG_ISLOW;
  bool JPEG_OptimalHuffman = false;
  int32_t JPEG_Smoothing = 0;
  bool JPEG_Progressive = false;
  TIOJPEGScale JPEG_Scale = ioJPEG_FULLSIZE;
  // The EXIF orientation a reader found (1..8: how the stored picture must be turned or
  // mirrored to stand upright), 0 when the file has none. A fact of the file read last, so it
  // is not part of the stored parameter stream.
  int32_t EXIF_Orientation = 0;
  int32_t PCX_Version = 5;
  TIOPCXCompression PCX_Compression = ioPCX_RLE;
  TIOBMPVersion BMP_Version = ioBMP_BM3;
  TIOBMPCompression BMP_Compression = ioBMP_UNCOMPRESSED;
  int32_t ICO_ImageIndex = 0;
  TRGB ICO_Background{255, 255, 255};
  int32_t CUR_ImageIndex = 0;
  int32_t CUR_HotSpotX = 0;
  int32_t CUR_HotSpotY = 0;
  TRGB CUR_Background{255, 255, 255};
  bool PNG_Interlaced = false;
  TRGB PNG_Background{};
  TIOPNGFilter PNG_Filter = ioPNG_FILTER_NONE;
  int32_t PNG_Compression = 5;
  int32_t TGA_XOrigin = 0;
  int32_t TGA_YOrigin = 0;
  bool TGA_Compressed = true;
  std::string TGA_Description;
  std::string TGA_Author;
  TDateTime TGA_Date = 0;
  std::string TGA_Name;
  TRGB TGA_Background{};
  double TGA_AspectRatio = 1.0;
  double TGA_Gamma = 2.2;
  bool TGA_GrayLevel = false;
  std::string FileName;
  // The palette of the last image read, or the palette written; ColorMapCount entries.
  std::vector<TRGB> ColorMap;
  int32_t ColorMapCount = 0;
};

// Today's date as a TDateTime with time 0:00, in local time.
TDateTime KXToday();

}  // namespace kx
