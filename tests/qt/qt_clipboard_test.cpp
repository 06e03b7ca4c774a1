// The system clipboard on Qt, read and written through QClipboard as another program would: a
// DIB is offered as a BMP file, a PNG and Qt's image; whatever picture is there comes back as a
// DIB of the library's export layout; an emptied session clears the clipboard.
#include "platform/qt/qt_clipboard.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

using namespace kx;

namespace {

using TBytes = std::vector<uint8_t>;

void Append32(TBytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A DIB with a 40-byte header of the given fields (planes 1, the rest 0), then `rest`: the
// colour table, the rows and the trailing zeros, as written out by each test.
TBytes Dib(int32_t width, int32_t height, uint16_t bits, const TBytes& rest, uint32_t compression = 0,
           uint32_t used = 0) {
  TBytes b;
  Append32(b, 40);
  Append32(b, uint32_t(width));
  Append32(b, uint32_t(height));
  b.insert(b.end(), {1, 0, uint8_t(bits), uint8_t(bits >> 8)});
  Append32(b, compression);
  for (int i = 0; i < 3; ++i) Append32(b, 0);
  Append32(b, used);
  Append32(b, 0);
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

TBytes Concat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

QByteArray ToBytes(const TBytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); }

TBytes FromBytes(const QByteArray& a) { return TBytes(a.begin(), a.end()); }

// 3 x 2, top row red, green, blue; bottom row (10, 20, 30), (40, 50, 60), white.
const TBytes kDib24 = Dib(3, 2, 24, {0x1E, 0x14, 0x0A, 0x3C, 0x32, 0x28, 0xFF, 0xFF, 0xFF, 0, 0, 0,  // bottom row
                                     0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,  // top row
                                     0,    0,    0,    0});
const std::vector<QRgb> kPixels24 = {qRgb(255, 0, 0),  qRgb(0, 255, 0),  qRgb(0, 0, 255),
                                     qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(255, 255, 255)};
// 5 x 2 at 1 bit, black then white: top row 1 0 1 1 0, bottom row 0 1 0 0 1.
const TBytes kDib1 = Dib(5, 2, 1, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x48, 0, 0, 0, 0xB0, 0, 0, 0, 0, 0, 0, 0});
const QRgb kW = qRgb(255, 255, 255);
const QRgb kK = qRgb(0, 0, 0);
const std::vector<QRgb> kPixels1 = {kW, kK, kW, kW, kK, kK, kW, kK, kK, kW};

// The pixels of `image` row by row from the top, opaque.
std::vector<QRgb> PixelsOf(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  std::vector<QRgb> pixels;
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) pixels.push_back(rgb.pixel(x, y));
  return pixels;
}

void PutOne(const std::string& format, const TBytes& block) {
  TQtClipboard clipboard;
  TClipboardSession session(clipboard);
  ASSERT_TRUE(session.IsOpen());
  clipboard.Empty();
  clipboard.Put(format, block);
}

// Offers `mime` on the clipboard as another program would.
void Offer(QMimeData* mime) { QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard); }

std::optional<TBytes> Paste() {
  TQtClipboard clipboard;
  TClipboardSession session(clipboard);
  return clipboard.Get(kClipboardDIB);
}

}  // namespace

TEST(QtClipboard, PutOffersBmpPngAndQtImage) {
  const struct {
    const char* Name;
    TBytes Dib;
    TBytes FileHeader;
    QSize Size;
    std::vector<QRgb> Pixels;
  } kCases[] = {
      {"24 bits", kDib24, {'B', 'M', 82, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0}, QSize(3, 2), kPixels24},
      {"1 bit", kDib1, {'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0}, QSize(5, 2), kPixels1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.Name);
    PutOne(kClipboardDIB, c.Dib);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(FromBytes(mime->data("image/bmp")), Concat(c.FileHeader, c.Dib));
    const QImage png = QImage::fromData(mime->data("image/png"), "PNG");
    EXPECT_EQ(png.size(), c.Size);
    EXPECT_EQ(PixelsOf(png), c.Pixels);
    ASSERT_TRUE(mime->hasImage());
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    EXPECT_EQ(image.size(), c.Size);
    EXPECT_EQ(PixelsOf(image), c.Pixels);
  }
}

TEST(QtClipboard, BmpPixelOffsetFollowsTheDibsHeader) {
  const TBytes pixels(16, 0);
  const struct {
    const char* Name;
    TBytes Dib;
    uint8_t Offset;
  } kCases[] = {
      {"24 bits, no table", Dib(1, 1, 24, pixels), 54},
      {"24 bits with a table of 2", Dib(1, 1, 24, pixels, 0, 2), 62},
      {"8 bits with a table of 3", Dib(1, 1, 8, pixels, 0, 3), 66},
      {"4 bits, the whole table", Dib(1, 1, 4, Concat(TBytes(64, 0), pixels)), 118},
      {"16 bits, bit fields", Dib(1, 1, 16, pixels, 3), 66},
      {"32 bits, alpha bit fields", Dib(1, 1, 32, pixels, 6), 70},
      {"core header, 1 bit", {12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 32},
      {"table past the block", Dib(1, 1, 8, pixels, 0, 1000), 14 + 56},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.Name);
    PutOne(kClipboardDIB, c.Dib);
    const QByteArray bmp = QGuiApplication::clipboard()->mimeData()->data("image/bmp");
    ASSERT_EQ(bmp.size(), qsizetype(14 + c.Dib.size()));
    EXPECT_EQ(uint8_t(bmp[10]), c.Offset);
    EXPECT_EQ(bmp.mid(11, 3), QByteArray(3, '\0'));
  }
}

TEST(QtClipboard, UnreadablePictureIsOfferedOnlyAsBmp) {
  const TBytes dib = Dib(3, 2, 24, TBytes(28, 0), 99);  // a compression nobody knows
  PutOne(kClipboardDIB, dib);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  EXPECT_EQ(mime->formats(), QStringList{"image/bmp"});
  EXPECT_EQ(FromBytes(mime->data("image/bmp")).size(), 14 + dib.size());
}

TEST(QtClipboard, OtherFormatsTravelRawUnderTheirName) {
  const TBytes block = {0, 1, 2, 0xFF};
  {
    TQtClipboard clipboard;
    TClipboardSession session(clipboard);
    clipboard.Empty();
    clipboard.Put("application/x-kestrix-test", block);
    clipboard.Put(kClipboardDIB, kDib24);
  }
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  EXPECT_EQ(FromBytes(mime->data("application/x-kestrix-test")), block);
  TQtClipboard clipboard;
  TClipboardSession session(clipboard);
  EXPECT_TRUE(clipboard.Has("application/x-kestrix-test"));
  EXPECT_EQ(clipboard.Get("application/x-kestrix-test"), block);
  EXPECT_FALSE(clipboard.Has("application/x-other"));
  EXPECT_EQ(clipboard.Get("application/x-other"), std::nullopt);
  EXPECT_TRUE(clipboard.Has(kClipboardDIB));
  EXPECT_EQ(clipboard.Get(kClipboardDIB), kDib24) << "our own DIB comes back through the BMP as it was";
}

TEST(QtClipboard, PastedImagesBecomeExportLayoutDibs) {
  QImage rgb(2, 2, QImage::Format_RGB32);
  rgb.setPixel(0, 0, qRgb(1, 2, 3));
  rgb.setPixel(1, 0, qRgb(4, 5, 6));
  rgb.setPixel(0, 1, qRgb(7, 8, 9));
  rgb.setPixel(1, 1, qRgb(250, 251, 252));
  const TBytes rgbDib = Dib(2, 2, 24, {9, 8, 7, 252, 251, 250, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0, 0, 0, 0, 0});
  // Transparent, half and fully opaque pixels land over white.
  QImage argb(3, 1, QImage::Format_ARGB32);
  argb.setPixel(0, 0, qRgba(255, 0, 0, 0));
  argb.setPixel(1, 0, qRgba(3, 100, 200, 128));
  argb.setPixel(2, 0, qRgba(200, 100, 0, 255));
  const TBytes argbDib = Dib(3, 1, 24, {255, 255, 255, 227, 177, 129, 0, 100, 200, 0, 0, 0, 0, 0, 0, 0});
  QByteArray png;
  QBuffer buffer(&png);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && rgb.save(&buffer, "PNG"));
  const QByteArray goodBmp = ToBytes(Concat({'B', 'M', 82, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0}, kDib24));
  QByteArray wrongMagic = goodBmp;
  wrongMagic[0] = 'X';

  const struct {
    const char* Name;
    QByteArray Bmp;  // offered as image/bmp when not empty
    QImage Image;    // offered as Qt's image when not null
    QByteArray Png;  // offered as image/png when not empty
    std::optional<TBytes> Expected;
  } kCases[] = {
      {"RGB32 image", {}, rgb, {}, rgbDib},
      {"ARGB32 image over white", {}, argb, {}, argbDib},
      {"PNG only", {}, {}, png, rgbDib},
      {"PNG before the image", {}, argb, png, rgbDib},
      {"BMP before everything", goodBmp, argb, png, kDib24},
      {"wrong magic falls back to the image", wrongMagic, argb, {}, argbDib},
      {"too short falls back to the PNG", goodBmp.left(25), {}, png, rgbDib},
      {"too short and nothing else", goodBmp.left(25), {}, {}, std::nullopt},
      {"wrong magic and nothing else", wrongMagic, {}, {}, std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.Name);
    auto* mime = new QMimeData;
    if (!c.Bmp.isEmpty()) mime->setData("image/bmp", c.Bmp);
    if (!c.Image.isNull()) mime->setImageData(c.Image);
    if (!c.Png.isEmpty()) mime->setData("image/png", c.Png);
    Offer(mime);
    EXPECT_EQ(Paste(), c.Expected);
  }
}

TEST(QtClipboard, TextIsNoPicture) {
  auto* mime = new QMimeData;
  mime->setText("a picture of a cat");
  Offer(mime);
  TQtClipboard clipboard;
  TClipboardSession session(clipboard);
  EXPECT_FALSE(clipboard.Has(kClipboardDIB));
  EXPECT_EQ(clipboard.Get(kClipboardDIB), std::nullopt);
}

TEST(QtClipboard, PictureAboveThePixelLimitIsAbsent) {
  QImage huge(16385, 16384, QImage::Format_Mono);  // 2^28 + 16384 pixels in 32 MiB
  ASSERT_FALSE(huge.isNull());
  huge.fill(0);
  auto* mime = new QMimeData;
  mime->setImageData(huge);
  Offer(mime);
  EXPECT_EQ(Paste(), std::nullopt);
}

TEST(QtClipboard, EmptyClearsAtCloseEvenWithNothingPut) {
  QClipboard* system = QGuiApplication::clipboard();
  system->setText("left by another program");
  TQtClipboard clipboard;
  {
    TClipboardSession session(clipboard);
    EXPECT_TRUE(clipboard.Has("text/plain"));
  }
  EXPECT_EQ(system->text(), "left by another program") << "a session that only reads changes nothing";
  {
    TClipboardSession session(clipboard);
    clipboard.Empty();
    EXPECT_EQ(system->text(), "left by another program") << "nothing changes before Close";
  }
  const QMimeData* mime = system->mimeData();
  EXPECT_TRUE(!mime || mime->formats().isEmpty());
  {
    TClipboardSession session(clipboard);
    EXPECT_FALSE(clipboard.Has(kClipboardDIB));
    EXPECT_FALSE(clipboard.Has("text/plain"));
  }
  system->setText("left by another program");
  {
    TClipboardSession session(clipboard);
    clipboard.Put("application/x-kestrix-test", {7});
    clipboard.Empty();
    clipboard.Put(kClipboardDIB, kDib1);
  }
  EXPECT_EQ(system->mimeData()->formats(), (QStringList{"image/bmp", "image/png", "application/x-qt-image"}))
      << "an emptied session offers only what was put after Empty";
}
