// The system clipboard on Qt: the forms a DIB is offered in, and how a picture another program
// put there becomes a DIB.
#include "platform/qt/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace kx {

namespace {

const QString kBmpMime = QStringLiteral("image/bmp");
const QString kPngMime = QStringLiteral("image/png");

constexpr size_t kFileHeaderSize = 14;  // "BM", file size, two reserved words, pixel offset
constexpr size_t kCoreHeaderSize = 12;  // the smallest DIB header
constexpr size_t kInfoHeaderSize = 40;  // the header of the DIBs we make
constexpr size_t kTrailerSize = 4;      // the zero bytes our DIBs end with
constexpr uint32_t kBitFields = 3;      // compressions whose colour masks follow a 40-byte header
constexpr uint32_t kAlphaBitFields = 6;
// Larger pictures are not taken from the clipboard: as the library's default pixel limit.
constexpr int64_t kMaxPastedPixels = int64_t(1) << 28;

// Little-endian fields of a DIB; 0 beyond its end.
uint32_t Read16(const std::vector<uint8_t>& b, size_t at) {
  return at + 2 <= b.size() ? uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 : 0;
}

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
  return at + 4 <= b.size() ? Read16(b, at) | Read16(b, at + 2) << 16 : 0;
}

void Write16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void Write32(uint8_t* p, uint32_t v) {
  Write16(p, v);
  Write16(p + 2, v >> 16);
}

// Where the pixels of `dib` start: after its header, the colour masks a 40-byte header with
// bit-field compression is followed by, and the colour table the header announces (the whole
// table of the depth when it names no count). Never past the end of the block, so a malformed
// header cannot make the file point outside itself.
uint64_t PixelStart(const std::vector<uint8_t>& dib) {
  const uint64_t headerSize = Read32(dib, 0);
  uint64_t start;
  if (headerSize == kCoreHeaderSize) {
    const uint32_t bits = Read16(dib, 10);
    start = headerSize + (bits >= 1 && bits <= 8 ? 3 * (uint64_t(1) << bits) : 0);  // 3-byte entries
  } else {
    const uint32_t bits = Read16(dib, 14);
    const uint32_t compression = Read32(dib, 16);
    const uint64_t used = Read32(dib, 32);
    uint64_t masks = 0;
    if (headerSize == kInfoHeaderSize) masks = compression == kBitFields ? 12 : compression == kAlphaBitFields ? 16 : 0;
    const uint64_t entries = used ? used : bits >= 1 && bits <= 8 ? uint64_t(1) << bits : 0;
    start = headerSize + masks + 4 * entries;
  }
  return std::min<uint64_t>(start, dib.size());
}

// The BMP file of `dib`: its file header, then the DIB unchanged. Empty when the file would be
// too large for the header's 32-bit size.
QByteArray BmpFile(const std::vector<uint8_t>& dib) {
  const uint64_t fileSize = kFileHeaderSize + dib.size();
  if (fileSize > std::numeric_limits<uint32_t>::max()) return {};
  QByteArray bmp(qsizetype(fileSize), Qt::Uninitialized);
  auto* p = reinterpret_cast<uint8_t*>(bmp.data());
  p[0] = 'B';
  p[1] = 'M';
  Write32(p + 2, uint32_t(fileSize));
  Write32(p + 6, 0);
  Write32(p + 10, uint32_t(kFileHeaderSize + PixelStart(dib)));
  if (!dib.empty()) std::memcpy(p + kFileHeaderSize, dib.data(), dib.size());
  return bmp;
}

// A DIB for every program that may paste it: the BMP file, and when Qt can read that, a PNG
// (what most programs on a Linux desktop ask for) and Qt's own image for Qt programs.
void OfferDib(QMimeData& mime, const std::vector<uint8_t>& dib) {
  const QByteArray bmp = BmpFile(dib);
  if (bmp.isEmpty()) return;
  mime.setData(kBmpMime, bmp);
  QImage image;
  if (!image.loadFromData(bmp, "BMP")) return;
  QByteArray png;
  QBuffer buffer(&png);
  if (buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG")) mime.setData(kPngMime, png);
  mime.setImageData(image);
}

// The DIB inside a BMP file, or nothing when the file is not one or ends within the headers.
std::optional<std::vector<uint8_t>> DibOfBmp(const QByteArray& bmp) {
  if (bmp.size() < qsizetype(kFileHeaderSize + kCoreHeaderSize) || !bmp.startsWith("BM")) return std::nullopt;
  const auto* p = reinterpret_cast<const uint8_t*>(bmp.constData());
  return std::vector<uint8_t>(p + kFileHeaderSize, p + bmp.size());
}

// Composites a picture with transparency over white, so that a pasted screenshot or cut-out
// looks as it would on a page instead of showing the colours its transparent pixels hide.
QImage OverWhite(const QImage& image) {
  if (!image.hasAlphaChannel()) return image;
  QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      const int a = qAlpha(row[x]);
      const auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
      row[x] = qRgb(over(qRed(row[x])), over(qGreen(row[x])), over(qBlue(row[x])));
    }
  }
  return argb;
}

// `image` in the layout the library exports: a 40-byte header (width, positive height, 1 plane,
// 24 bits, every other field 0), the rows bottom first in blue-green-red padded with zeros to
// 4 bytes, then four zero bytes. Nothing when the picture is too large or its DIB cannot be had.
std::optional<std::vector<uint8_t>> DibOfImage(const QImage& image) {
  if (image.isNull()) return std::nullopt;
  const int64_t width = image.width();
  const int64_t height = image.height();
  if (width * height > kMaxPastedPixels) return std::nullopt;
  const QImage bgr = OverWhite(image).convertToFormat(QImage::Format_BGR888);
  if (bgr.isNull()) return std::nullopt;  // Qt could not allocate the conversion
  const uint64_t rowBytes = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
  const uint64_t size = kInfoHeaderSize + rowBytes * uint64_t(height) + kTrailerSize;
  std::vector<uint8_t> dib;
  if (size > dib.max_size()) return std::nullopt;
  try {
    dib.resize(size);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  uint8_t* p = dib.data();
  Write32(p, kInfoHeaderSize);
  Write32(p + 4, uint32_t(width));
  Write32(p + 8, uint32_t(height));
  Write16(p + 12, 1);
  Write16(p + 14, 24);
  for (int64_t y = 0; y < height; ++y)
    std::memcpy(p + kInfoHeaderSize + y * rowBytes, bgr.constScanLine(int(height - 1 - y)), size_t(width) * 3);
  return dib;
}

// Whether `format` is a picture type Qt has a reader for, other than the two asked for by name.
bool IsOtherReadableImage(const QString& format) {
  return format.startsWith(QLatin1String("image/")) && format != kBmpMime && format != kPngMime &&
         QImageReader::supportedMimeTypes().contains(format.toLatin1());
}

// What the clipboard holds now; null when it holds nothing. The formats are those its owner
// offers, not those Qt could convert to.
const QMimeData* Offered() { return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard); }

bool Offers(const QMimeData& mime, const QString& format) { return mime.formats().contains(format); }

QByteArray ToBytes(const std::vector<uint8_t>& block) {
  return QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
}

std::vector<uint8_t> FromBytes(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
  return std::vector<uint8_t>(p, p + bytes.size());
}

bool OffersPicture(const QMimeData& mime) {
  if (Offers(mime, kBmpMime) || Offers(mime, kPngMime) || mime.hasImage()) return true;
  const QStringList formats = mime.formats();
  return std::any_of(formats.begin(), formats.end(), IsOtherReadableImage);
}

// A BMP is taken as it is; any other picture goes through Qt's readers, PNG first.
std::optional<std::vector<uint8_t>> PastedDib(const QMimeData& mime) {
  if (Offers(mime, kBmpMime))
    if (auto dib = DibOfBmp(mime.data(kBmpMime))) return dib;
  if (Offers(mime, kPngMime))
    if (auto dib = DibOfImage(QImage::fromData(mime.data(kPngMime), "PNG"))) return dib;
  if (mime.hasImage())
    if (auto dib = DibOfImage(qvariant_cast<QImage>(mime.imageData()))) return dib;
  for (const QString& format : mime.formats())
    if (IsOtherReadableImage(format))
      if (auto dib = DibOfImage(QImage::fromData(mime.data(format)))) return dib;
  return std::nullopt;
}

}  // namespace

bool TQtClipboard::Open() {
  fPending.clear();
  fEmptied = false;
  return true;
}

void TQtClipboard::Close() {
  if (fPending.empty() && !fEmptied) return;  // the session only read
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (fPending.empty()) {
    clipboard->clear(QClipboard::Clipboard);
  } else {
    auto mime = std::make_unique<QMimeData>();
    for (const auto& [format, block] : fPending) {
      if (format == kClipboardDIB)
        OfferDib(*mime, block);
      else
        mime->setData(QString::fromStdString(format), ToBytes(block));
    }
    clipboard->setMimeData(mime.release(), QClipboard::Clipboard);
  }
  fPending.clear();
  fEmptied = false;
}

void TQtClipboard::Empty() {
  fPending.clear();
  fEmptied = true;
}

void TQtClipboard::Put(const std::string& format, std::vector<uint8_t> block) { fPending[format] = std::move(block); }

bool TQtClipboard::Has(const std::string& format) {
  const QMimeData* mime = Offered();
  if (!mime) return false;
  if (format == kClipboardDIB) return OffersPicture(*mime);
  return Offers(*mime, QString::fromStdString(format));
}

std::optional<std::vector<uint8_t>> TQtClipboard::Get(const std::string& format) {
  const QMimeData* mime = Offered();
  if (!mime) return std::nullopt;
  if (format == kClipboardDIB) return PastedDib(*mime);
  const QString name = QString::fromStdString(format);
  if (!Offers(*mime, name)) return std::nullopt;
  return FromBytes(mime->data(name));
}

}  // namespace kx
