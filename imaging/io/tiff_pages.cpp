// Page deletion: the file is rebuilt without the page, every other page copied with its
// strips or tiles, its long values and the directories it points to (EXIF, GPS, sub-IFDs), so
// that no offset of the new file leads to where the old one had its data.
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "imaging/core/stream.h"
#include "imaging/io/tiff_codec.h"
#include "imaging/io/tiff_directory_out.h"
#include "imaging/io/tiff_ifd.h"

namespace kx {
namespace {

constexpr uint32_t kMaxBlocks = 1u << 24;
// Directories inside directories deeper than this are not copied.
constexpr int kMaxDepth = 4;
constexpr uint16_t kInteropIFD = 40965;
constexpr uint16_t kJpegInterchange = 513, kJpegInterchangeLength = 514;

bool PointsToDirectories(uint16_t tag) {
  return tag == ttSubIFDs || tag == ttExifIFD || tag == ttGpsIFD || tag == kInteropIFD;
}

class TPageCopier {
 public:
  TPageCopier(TTiffInput& in, std::vector<uint8_t>& out) : fIn(in), fOut(out) {}

  // Copies the directory at `offset` with everything it refers to; its new offset and the
  // position of its next field go to `at` and `nextField`.
  bool Copy(uint32_t offset, int depth, uint32_t& at, uint64_t& nextField) {
    TTiffIfd ifd;
    if (depth > kMaxDepth || !fSeen.insert(offset).second || !fIn.ReadIfd(offset, ifd)) return false;
    TTiffDirectoryOut dir(fIn.BigEndian());
    for (const TTiffEntry& e : ifd.Entries) {
      if (e.Tag == ttStripByteCounts || e.Tag == ttTileByteCounts || e.Tag == kJpegInterchangeLength) continue;
      if (e.Tag == ttStripOffsets || e.Tag == ttTileOffsets || e.Tag == kJpegInterchange) {
        const uint16_t countTag = e.Tag == ttStripOffsets  ? uint16_t(ttStripByteCounts)
                                  : e.Tag == ttTileOffsets ? uint16_t(ttTileByteCounts)
                                                           : kJpegInterchangeLength;
        if (!CopyBlocks(ifd, e, countTag, dir)) return false;
        continue;
      }
      if (PointsToDirectories(e.Tag) && (e.Type == tyLong || e.Type == tyIfd)) {
        std::vector<uint32_t> subs;
        if (!fIn.Integers(e, subs, 64)) return false;
        for (uint32_t& s : subs) {
          uint64_t ignored;
          if (!Copy(s, depth + 1, s, ignored)) return false;
        }
        dir.Longs(e.Tag, subs);
        continue;
      }
      std::vector<uint8_t> data;
      if (TiffTypeSize(e.Type) == 0) {
        data.assign(e.Field, e.Field + 4);
      } else if (!fIn.Data(e, data)) {
        return false;
      }
      dir.Raw(e.Tag, e.Type, e.Count, std::move(data));
    }
    return dir.Write(fOut, 0, 0, at, nextField);
  }

 private:
  bool CopyBlocks(const TTiffIfd& ifd, const TTiffEntry& offsetsEntry, uint16_t countTag, TTiffDirectoryOut& dir) {
    std::vector<uint32_t> offsets, counts;
    const TTiffEntry* countsEntry = ifd.Find(countTag);
    if (!fIn.Integers(offsetsEntry, offsets, kMaxBlocks)) return false;
    if (countsEntry && !fIn.Integers(*countsEntry, counts, kMaxBlocks)) return false;
    counts.resize(offsets.size(), 0);
    std::vector<uint8_t> data;
    for (size_t i = 0; i < offsets.size(); ++i) {
      // Counts beyond the file are cut to what it holds, as the reader does.
      const uint64_t size = uint64_t(fIn.Size());
      const uint64_t offset = std::min<uint64_t>(offsets[i], size);
      const uint64_t count = std::min<uint64_t>(counts[i], size - offset);
      if (!fIn.ReadAt(offset, count, data)) return false;
      if (fOut.size() & 1) fOut.push_back(0);
      if (fOut.size() + count > UINT32_MAX) return false;
      offsets[i] = uint32_t(fOut.size());
      counts[i] = uint32_t(count);
      fOut.insert(fOut.end(), data.begin(), data.end());
    }
    dir.Longs(offsetsEntry.Tag, offsets);
    if (countsEntry || offsetsEntry.Tag != kJpegInterchange) dir.Longs(countTag, counts);
    return true;
  }

  TTiffInput& fIn;
  std::vector<uint8_t>& fOut;
  std::unordered_set<uint32_t> fSeen;
};

}  // namespace

int32_t _DeleteTIFFImStream(TStream& stream, int32_t index) {
  TTiffInput in(stream);
  if (!in.Valid()) return 0;
  const std::vector<uint32_t> pages = in.PageOffsets();
  const int32_t count = int32_t(pages.size());
  if (index < 0 || index >= count) return count;
  TTiffDirectoryOut order(in.BigEndian());
  std::vector<uint8_t> out = {uint8_t(in.BigEndian() ? 'M' : 'I'), uint8_t(in.BigEndian() ? 'M' : 'I')};
  order.Put16(out, 42);
  order.Put32(out, 0);
  uint64_t pointer = 4;
  TPageCopier copier(in, out);
  for (int32_t i = 0; i < count; ++i) {
    if (i == index) continue;
    uint32_t at = 0;
    uint64_t nextField = 0;
    // A page that cannot be copied whole leaves the file as it was.
    if (!copier.Copy(pages[size_t(i)], 0, at, nextField)) return 0;
    order.Set32(out.data() + pointer, at);
    pointer = nextField;
  }
  stream.SetPosition(in.Start());
  stream.SetSize(in.Start());
  stream.WriteBuffer(out.data(), int64_t(out.size()));
  return count;
}

}  // namespace kx
