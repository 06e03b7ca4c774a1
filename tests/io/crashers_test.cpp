// Replays every input that once crashed a parser through every reader: each must load or abort.
#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"
#include "tests/support/test_support.h"

using namespace kx;

TEST(Crashers, EveryReaderSurvivesEveryOldCrasher) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kxtest::SourceDir() + "/tests/crashers")) {
    if (entry.path().extension() == ".md") continue;
    std::vector<uint8_t> bytes = kxtest::ReadFile(entry.path().string());
    for (bool preview : {true, false}) {
      TMemoryStream stream(bytes);
      TBitmap bitmap;
      TIOParamsVals params;
      bool aborting = false;
      TProgressRec progress{};
      progress.Aborting = &aborting;
      ReadJPegStream(stream, bitmap, params, preview, progress);
    }
    TMemoryStream stream(bytes);
    TIOParamsVals params;
    params.LoadFromStream(stream);
    ++replayed;
  }
  RecordProperty("replayed", replayed);
}
