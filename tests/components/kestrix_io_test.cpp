// The I/O component: dispatch by extension, content and type, stream headers, run-time
// formats, progress and abort, the save that never destroys the old file, and attachment to
// views, holders and bitmaps, whichever side is destroyed first.
#include "imaging/components/kestrix_io.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/view/image_holder.h"
#include "imaging/view/view.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::ReadFile;
using kxtest::TempPath;
using kxtest::WriteFile;

namespace {

constexpr TIOFileType kToyType = 90;

// A toy format: "TOY1", width and height bytes, then the pixels' green bytes, top row first.
void ToyRead(TStream& s, TBitmap& b, TIOParamsVals& p, bool preview, TProgressRec& progress) {
  uint8_t head[6];
  if (s.Read(head, 6) != 6 || std::memcmp(head, "TOY1", 4) != 0) return progress.Abort();
  p.Width = head[4];
  p.Height = head[5];
  if (preview) return;
  b.SetPixelFormat(pf24bit);
  b.SetSize(head[4], head[5]);
  for (int y = 0; y < head[5]; ++y)
    for (int x = 0; x < head[4]; ++x) {
      uint8_t g = 0;
      s.Read(&g, 1);
      b.SetPixel(x, y, CreateRGB(0, g, 0));
    }
}
void ToyWrite(TStream& s, TBitmap& b, TIOParamsVals&, TProgressRec& progress) {
  const uint8_t head[6] = {'T', 'O', 'Y', '1', uint8_t(b.Width()), uint8_t(b.Height())};
  s.WriteBuffer(head, 6);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint8_t g = b.GetPixel(x, y).g;
      s.WriteBuffer(&g, 1);
      progress.val = y;
      progress.Report();
    }
}
bool ToyTry(TStream& s) {
  uint8_t head[4];
  return s.Read(head, 4) == 4 && std::memcmp(head, "TOY1", 4) == 0;
}
void ThrowingWrite(TStream& s, TBitmap&, TIOParamsVals&, TProgressRec&) {
  s.WriteBuffer("partial", 7);
  throw EWriteError("disk full");
}

std::vector<uint8_t> JpegOf(const TBitmap& picture) {
  TBitmap copy(picture);
  TKestrixIO io;
  io.SetAttachedBitmap(&copy);
  TMemoryStream out;
  io.SaveToStreamJpeg(out);
  EXPECT_FALSE(io.Aborting());
  return out.Bytes();
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

class KestrixIO : public ::testing::Test {
 protected:
  void SetUp() override {
    picture = kxtest::MakePicture(24, 16);
    jpeg = JpegOf(picture);
    io.SetAttachedBitmap(&bitmap);
  }
  void TearDown() override {
    KXFileFormatRemove(kToyType);
    KXFileFormatRemove(kToyType + 1);
  }
  std::string Folder(const std::string& name) {
    const std::string folder = kxtest::TempDir() + "/" + name;
    std::filesystem::create_directories(folder);
    return folder;
  }
  TBitmap picture, bitmap;
  std::vector<uint8_t> jpeg;
  TKestrixIO io;
};

// Counts progress events and can abort at the first.
struct TProgressProbe {
  TKestrixIO* io = nullptr;
  void* sender = nullptr;
  int calls = 0;
  bool abort = false;
  void OnProgress(void* s, int) {
    sender = s;
    ++calls;
    if (abort) io->SetAborting(true);
  }
};

// A view whose bitmap can be replaced, as a multi-page view does.
class TSwappingView : public TKXView {
 public:
  TBitmap* GetFBitmap() override { return current; }
  void Replace(TBitmap* b) {
    current = b;
    CallBitmapChangeEvents();
  }
  TBitmap first, second;
  TBitmap* current = &first;

 protected:
  void Paint() override {}
};

}  // namespace

TEST_F(KestrixIO, LoadFromFileChoosesByTheExtensionIgnoringCase) {
  const std::string folder = Folder("by_extension");
  const std::string upper = folder + "/photo.JPG";
  WriteFile(upper, jpeg);
  io.LoadFromFile(upper);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.IOParams().FileType, ioJPEG);
  EXPECT_EQ(io.IOParams().FileName, upper);
  EXPECT_EQ(bitmap.Width(), 24);
  EXPECT_EQ(bitmap.Height(), 16);

  // A ".pix" name goes through the registry, whose Targa record has no reader: nothing is read.
  const TBitmap before(bitmap);
  const std::string pix = folder + "/photo.pix";
  WriteFile(pix, jpeg);
  io.LoadFromFile(pix);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(io.IOParams().FileType, ioUnknown);
  EXPECT_EQ(io.IOParams().FileName, "");
  EXPECT_EQ(kxtest::Compare(bitmap, before).pixels, 0);

  // ".win" is taken as Targa, which these JPEG bytes are not: the load is recorded and aborts.
  const std::string win = folder + "/photo.win";
  WriteFile(win, jpeg);
  io.LoadFromFile(win);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(io.IOParams().FileType, ioTGA);
  EXPECT_EQ(io.IOParams().FileName, win);

  EXPECT_THROW(io.LoadFromFile(folder + "/missing.jpg"), EFOpenError);
}

TEST_F(KestrixIO, SaveToFileWritesOnlyTheSaveableExtensions) {
  bitmap = picture;
  const std::string folder = Folder("save_extensions");
  const struct {
    const char* name;
    bool written;
  } cases[] = {{"a.jpg", true},  {"b.JPEG", true}, {"c.jpe", false}, {"d.tiff", true},
               {"e.dib", false}, {"f.ico", false}, {"g.xyz", false}, {"h", false}};
  for (const auto& c : cases) {
    const std::string path = folder + "/" + c.name;
    io.SaveToFile(path);
    EXPECT_EQ(io.Aborting(), !c.written) << c.name;
    EXPECT_EQ(std::filesystem::exists(path), c.written) << c.name;
  }
  EXPECT_EQ(Entries(folder), (std::set<std::string>{"a.jpg", "b.JPEG", "d.tiff"})) << "no temporary left";
  EXPECT_EQ(ReadFile(folder + "/a.jpg"), jpeg);
  EXPECT_EQ(io.IOParams().FileName, "") << "saving does not record a name";
}

TEST_F(KestrixIO, HeaderedImagesFollowOneAnotherInAStream) {
  io.SetStreamHeaders(true);
  TMemoryStream stream;
  const TBitmap pictures[] = {kxtest::MakePicture(8, 8, 1), kxtest::MakePicture(16, 4, 2),
                              kxtest::MakePicture(5, 7, 3)};
  std::vector<int64_t> starts;
  for (const TBitmap& p : pictures) {
    bitmap = p;
    starts.push_back(stream.Position());
    io.SaveToStreamJpeg(stream);
    ASSERT_FALSE(io.Aborting());
  }
  starts.push_back(stream.Size());
  const std::vector<uint8_t>& bytes = stream.Bytes();
  for (size_t i = 0; i < 3; ++i) {
    const uint8_t* h = bytes.data() + starts[i];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h), 8), std::string("JFIF\0\0\0\0", 8));
    const int64_t length = int64_t(h[8]) | int64_t(h[9]) << 8 | int64_t(h[10]) << 16 | int64_t(h[11]) << 24;
    EXPECT_EQ(length, starts[i + 1] - starts[i] - 12);
    EXPECT_EQ(h[12], 0xFF);
  }
  // A type no stream writer takes writes nothing, header included.
  const int64_t size = stream.Size();
  io.SaveToStream(stream, ioWMF);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(stream.Size(), size);

  stream.SetPosition(0);
  for (size_t i = 0; i < 3; ++i) {
    io.LoadFromStream(stream);
    EXPECT_FALSE(io.Aborting());
    EXPECT_EQ(io.IOParams().FileType, ioJPEG);
    EXPECT_EQ(bitmap.Width(), pictures[i].Width());
    EXPECT_EQ(bitmap.Height(), pictures[i].Height());
    EXPECT_EQ(stream.Position(), starts[i + 1]);
  }
  // A JFIF header is read whatever StreamHeaders says.
  io.SetStreamHeaders(false);
  stream.SetPosition(starts[1]);
  io.LoadFromStreamJpeg(stream);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(bitmap.Width(), 16);
  EXPECT_EQ(stream.Position(), starts[2]);
}

TEST_F(KestrixIO, HeaderFaultsAbort) {
  const auto header = [](const char* sig, int32_t length) {
    std::vector<uint8_t> h(12, 0);
    std::memcpy(h.data(), sig, std::strlen(sig));
    for (int i = 0; i < 4; ++i) h[8 + i] = uint8_t(uint32_t(length) >> (8 * i));
    return h;
  };
  const auto jpegLoad = [](TKestrixIO& io, TStream& s) { io.LoadFromStreamJpeg(s); };
  const auto tiffLoad = [](TKestrixIO& io, TStream& s) { io.LoadFromStreamTIFF(s); };
  const auto pcxLoad = [](TKestrixIO& io, TStream& s) { io.LoadFromStreamPCX(s); };
  std::vector<uint8_t> tooLong = header("JFIF", int32_t(jpeg.size() + 1));
  tooLong.insert(tooLong.end(), jpeg.begin(), jpeg.end());
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    void (*load)(TKestrixIO&, TStream&);
    int64_t position;  // after the failed load
  } cases[] = {
      {"JPEG header longer than the stream", tooLong, jpegLoad, 12},
      {"TIFF without its header", jpeg, tiffLoad, 12},
      {"wrong TIFF signature", header("TIFX", 0), tiffLoad, 12},
      {"TIFF header longer than the stream", header("TIFF", 1), tiffLoad, 12},
      {"PCX2 header longer than the stream", header("PCX2", 1 << 30), pcxLoad, 12},
      {"PCX2 header with a negative length", header("PCX2", -5), pcxLoad, 12},
      {"PCX without its header", jpeg, pcxLoad, 12},
  };
  io.SetStreamHeaders(true);
  for (const auto& c : cases) {
    TMemoryStream stream(c.bytes);
    c.load(io, stream);
    EXPECT_TRUE(io.Aborting()) << c.what;
    EXPECT_EQ(stream.Position(), c.position) << c.what;
  }
}

TEST_F(KestrixIO, RunTimeFormatReadsAndWritesThroughItsFunctions) {
  KXFileFormatAdd({kToyType, "Toy", "TOY;TY", &ToyRead, &ToyWrite, &ToyTry});
  bitmap.SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) bitmap.SetPixel(x, y, CreateRGB(9, uint8_t(10 * x + y), 7));
  const std::string folder = Folder("toy");
  io.SaveToFile(folder + "/a.TY");
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(ReadFile(folder + "/a.TY"), (std::vector<uint8_t>{'T', 'O', 'Y', '1', 3, 2, 0, 10, 20, 1, 11, 21}));

  TBitmap loaded;
  TKestrixIO reader;
  reader.SetAttachedBitmap(&loaded);
  reader.LoadFromFile(folder + "/a.TY");
  EXPECT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.IOParams().FileType, kToyType);
  EXPECT_EQ(reader.IOParams().FileName, folder + "/a.TY");
  EXPECT_EQ(loaded.GetPixel(2, 1), CreateRGB(0, 21, 0));

  TMemoryStream stream;
  stream.WriteBuffer("xx", 2);
  io.SaveToStream(stream, kToyType);
  ASSERT_FALSE(io.Aborting());
  stream.SetPosition(2);
  loaded.SetSize(1, 1);
  reader.LoadFromStream(stream);
  EXPECT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.IOParams().FileType, kToyType);
  EXPECT_EQ(reader.IOParams().FileName, "");
  EXPECT_EQ(loaded.Width(), 3);

  reader.ParamsFromFile(folder + "/a.TY");
  EXPECT_EQ(reader.IOParams().FileType, kToyType);
  EXPECT_EQ(reader.IOParams().Width, 3);

  KXFileFormatAdd({kToyType + 1, "Toy without functions", "TNF", nullptr, nullptr, nullptr});
  io.SaveToStream(stream, kToyType + 1);
  EXPECT_TRUE(io.Aborting());
  io.SaveToStream(stream, 99);
  EXPECT_TRUE(io.Aborting());
}

TEST_F(KestrixIO, ProgressReachesTheHandlerWhichMayAbortTheSave) {
  KXFileFormatAdd({kToyType, "Toy", "TOY", &ToyRead, &ToyWrite, &ToyTry});
  bitmap.SetSize(4, 4);
  TProgressProbe probe{&io};
  io.OnProgress = TProgressEvent::Bind<&TProgressProbe::OnProgress>(&probe);
  const std::string folder = Folder("abort");
  const std::string target = folder + "/old.toy";
  io.SaveToFile(target);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(probe.calls, 16);
  EXPECT_EQ(probe.sender, &io);

  const std::vector<uint8_t> old = ReadFile(target);
  bitmap.SetSize(9, 9);
  probe.abort = true;
  io.SaveToFile(target);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Entries(folder), std::set<std::string>{"old.toy"});

  // JPEG through the same path.
  const std::string jpg = folder + "/old.jpg";
  WriteFile(jpg, {1, 2, 3});
  bitmap = picture;
  io.SaveToFileJpeg(jpg);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(ReadFile(jpg), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(Entries(folder), (std::set<std::string>{"old.toy", "old.jpg"}));
}

TEST_F(KestrixIO, AThrowingWriterLeavesTheOldFileAndNoTemporary) {
  KXFileFormatAdd({kToyType, "Broken", "BRK", nullptr, &ThrowingWrite, nullptr});
  bitmap.SetSize(2, 2);
  const std::string folder = Folder("throwing");
  const std::string target = folder + "/keep.brk";
  WriteFile(target, {7, 7, 7});
  EXPECT_THROW(io.SaveToFile(target), EWriteError);
  EXPECT_EQ(ReadFile(target), (std::vector<uint8_t>{7, 7, 7}));
  EXPECT_EQ(Entries(folder), std::set<std::string>{"keep.brk"});
  EXPECT_THROW(io.SaveToFile(folder + "/no/such/folder/x.jpg"), EFCreateError);
}

TEST_F(KestrixIO, SavingMakesOtherDepthsTwentyFourBit) {
  const struct {
    TPixelFormat in, out;
  } cases[] = {{pf8bit, pf24bit}, {pf4bit, pf24bit}, {pf32bit, pf24bit}, {pf1bit, pf1bit}, {pf24bit, pf24bit}};
  for (const auto& c : cases) {
    bitmap = picture;
    bitmap.SetPixelFormat(c.in);
    TMemoryStream out;
    io.SaveToStreamJpeg(out);
    EXPECT_FALSE(io.Aborting());
    EXPECT_EQ(bitmap.PixelFormat(), c.out) << int(c.in);
  }
}

TEST_F(KestrixIO, ParamsReadsFillOnlyTheParameters) {
  const std::string folder = Folder("params");
  const std::string good = folder + "/p.jpg", damaged = folder + "/d.jpg", misnamed = folder + "/m.bmp";
  WriteFile(good, jpeg);
  WriteFile(misnamed, jpeg);
  WriteFile(damaged, std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 30));
  bitmap.SetSize(2, 2);
  io.SetAborting(true);
  io.ParamsFromFile(good);
  EXPECT_EQ(io.IOParams().FileType, ioJPEG);
  EXPECT_EQ(io.IOParams().Width, 24);
  EXPECT_EQ(io.IOParams().FileName, good);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_TRUE(io.Aborting()) << "left alone";
  for (const std::string* p : {&damaged, &misnamed}) {
    io.ParamsFromFile(*p);
    EXPECT_EQ(io.IOParams().FileType, ioUnknown) << *p;
    EXPECT_EQ(io.IOParams().FileName, *p);
  }
  io.ParamsFromFile(folder + "/missing.jpg");
  EXPECT_EQ(io.IOParams().FileType, ioUnknown);

  io.IOParams().FileName = "kept";
  TMemoryStream stream(jpeg);
  io.ParamsFromStream(stream);
  EXPECT_EQ(io.IOParams().FileType, ioJPEG);
  EXPECT_EQ(io.IOParams().FileName, "kept");
}

TEST_F(KestrixIO, BackgroundClearAndAssignParams) {
  io.SetBackground(0x00123456);
  bitmap.SetSize(3, 2);
  io.Clear();
  EXPECT_EQ(bitmap.GetPixel(2, 1), TColor2TRGB(0x00123456));
  TKestrixView view;
  io.SetAttachedKestrix(&view);
  view.SetBackGround(clWhite);
  EXPECT_EQ(io.Background(), clWhite);
  io.SetBackground(0x000000FF);
  EXPECT_EQ(view.Background(), 0x000000FF);
  io.SetAttachedBitmap(&bitmap);
  EXPECT_EQ(io.Background(), 0x00123456) << "the own background again";

  TKestrixIO other;
  other.IOParams().JPEG_Quality = 77;
  io.AssignParams(&other);
  EXPECT_EQ(io.IOParams().JPEG_Quality, 77);
  TIOParamsVals values;
  values.JPEG_Quality = 12;
  io.AssignParams(&values);
  EXPECT_EQ(io.IOParams().JPEG_Quality, 12);
  io.AssignParams(static_cast<const TIOParamsVals*>(nullptr));
  EXPECT_EQ(io.IOParams().JPEG_Quality, 12);
}

TEST_F(KestrixIO, LoadingIntoAViewSetsItsResolution) {
  TKestrixView view;
  io.SetAttachedKestrix(&view);
  EXPECT_EQ(io.Bitmap(), &view.Bitmap());
  int imageChanges = 0;
  view.OnImageChange = TKXViewNotify{[](void* r, TKXView*) { ++*static_cast<int*>(r); }, &imageChanges};
  bitmap = picture;
  TKestrixIO writer;
  writer.SetAttachedBitmap(&bitmap);
  writer.IOParams().DpiX = 300;
  writer.IOParams().DpiY = 150;
  TMemoryStream stream;
  writer.SaveToStreamJpeg(stream);
  stream.SetPosition(0);
  io.LoadFromStream(stream);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(view.Bitmap().Width(), 24);
  EXPECT_EQ(view.DpiX(), 300);
  EXPECT_EQ(view.DpiY(), 150);
  EXPECT_EQ(imageChanges, 1);
}

TEST(KestrixIOAttachment, NullBitmapKeepsTheViewAndItsChangesAreFollowed) {
  TSwappingView view;
  TKestrixIO io;
  io.SetAttachedKestrix(&view);
  io.SetAttachedBitmap(nullptr);
  EXPECT_EQ(io.AttachedKestrix(), &view);
  EXPECT_EQ(io.Bitmap(), &view.first);
  view.Replace(&view.second);
  EXPECT_EQ(io.Bitmap(), &view.second);

  TBitmap own;
  io.SetAttachedBitmap(&own);
  EXPECT_EQ(io.AttachedKestrix(), nullptr);
  view.Replace(&view.first);
  EXPECT_EQ(io.Bitmap(), &own) << "no longer listening";
}

TEST(KestrixIOAttachment, HolderAndViewReplaceEachOther) {
  TImage holder;
  TSwappingView view;
  TKestrixIO io;
  io.SetAttachedTImage(&holder);
  EXPECT_EQ(io.Bitmap(), &holder.Bitmap());
  io.SetAttachedKestrix(&view);
  EXPECT_EQ(io.AttachedTImage(), nullptr);
  EXPECT_EQ(io.Bitmap(), &view.first);
  io.SetAttachedTImage(&holder);
  EXPECT_EQ(io.AttachedKestrix(), nullptr);
  view.Replace(&view.second);
  EXPECT_EQ(io.Bitmap(), &holder.Bitmap());
  io.SetAttachedTImage(nullptr);
  EXPECT_EQ(io.Bitmap(), nullptr);
}

TEST(KestrixIOAttachment, WhicheverSideIsDestroyedFirst) {
  {
    TKestrixIO io;
    {
      TSwappingView view;
      io.SetAttachedKestrix(&view);
    }
    EXPECT_EQ(io.AttachedKestrix(), nullptr);
    EXPECT_EQ(io.Bitmap(), nullptr);
    io.LoadFromFile("anything.jpg");  // no bitmap: nothing happens, nothing is touched
  }
  {
    TKestrixIO io;
    {
      TImage holder;
      io.SetAttachedTImage(&holder);
    }
    EXPECT_EQ(io.AttachedTImage(), nullptr);
    EXPECT_EQ(io.Bitmap(), nullptr);
  }
  {
    TSwappingView view;
    TImage holder;
    {
      TKestrixIO first, second;
      first.SetAttachedKestrix(&view);
      second.SetAttachedKestrix(&view);
      TKestrixIO third;
      third.SetAttachedTImage(&holder);
    }
    view.Replace(&view.second);  // would reach a destroyed component if it were still listed
  }
}

TEST(KestrixIOAttachment, UpdateRepaintsTheHolder) {
  TImage holder;
  holder.SetBounds(0, 0, 4, 3);
  holder.SetColor(clWhite);
  TKestrixIO io;
  io.SetAttachedTImage(&holder);
  holder.Render();
  EXPECT_FALSE(holder.NeedsPaint());
  holder.Bitmap().SetSize(2, 1);
  io.SetBackground(0x0000FF00);
  io.Clear();
  io.Update();
  EXPECT_TRUE(holder.NeedsPaint());
  const TPixelView shown = holder.Render();
  EXPECT_EQ(shown.Top[0], 0);
  EXPECT_EQ(shown.Top[1], 0xFF);
  EXPECT_EQ(shown.Top[2 * 3 + 1], 0xFF) << "second picture pixel";
  EXPECT_EQ(shown.Top[3 * 3], 0xFF) << "background of the holder beyond the picture";
}
