#include "imaging/io/tiff_directory_out.h"

#include <algorithm>

#include "imaging/io/tiff_ifd.h"

namespace kx {

void TTiffDirectoryOut::Put16(std::vector<uint8_t>& out, uint32_t v) const {
  if (fBig)
    out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)});
  else
    out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});
}

void TTiffDirectoryOut::Put32(std::vector<uint8_t>& out, uint32_t v) const {
  const size_t at = out.size();
  out.resize(at + 4);
  Set32(out.data() + at, v);
}

void TTiffDirectoryOut::Set32(uint8_t* at, uint32_t v) const {
  for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (fBig ? 24 - 8 * i : 8 * i));
}

void TTiffDirectoryOut::Raw(uint16_t tag, uint16_t type, uint32_t count, std::vector<uint8_t> data) {
  fEntries.erase(std::remove_if(fEntries.begin(), fEntries.end(), [&](const TEntry& e) { return e.Tag == tag; }),
                 fEntries.end());
  fEntries.push_back({tag, type, count, std::move(data)});
}

void TTiffDirectoryOut::Shorts(uint16_t tag, const std::vector<uint32_t>& values) {
  std::vector<uint8_t> data;
  for (uint32_t v : values) Put16(data, v);
  Raw(tag, tyShort, uint32_t(values.size()), std::move(data));
}

void TTiffDirectoryOut::Longs(uint16_t tag, const std::vector<uint32_t>& values) {
  std::vector<uint8_t> data;
  for (uint32_t v : values) Put32(data, v);
  Raw(tag, tyLong, uint32_t(values.size()), std::move(data));
}

void TTiffDirectoryOut::Rational(uint16_t tag, uint32_t numerator, uint32_t denominator) {
  std::vector<uint8_t> data;
  Put32(data, numerator);
  Put32(data, denominator);
  Raw(tag, tyRational, 1, std::move(data));
}

void TTiffDirectoryOut::Ascii(uint16_t tag, const std::string& text) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  const uint32_t count = uint32_t(data.size());
  Raw(tag, tyAscii, count, std::move(data));
}

bool TTiffDirectoryOut::Has(uint16_t tag) const {
  return std::any_of(fEntries.begin(), fEntries.end(), [&](const TEntry& e) { return e.Tag == tag; });
}

bool TTiffDirectoryOut::Write(std::vector<uint8_t>& out, uint64_t base, uint32_t next, uint32_t& offset,
                              uint64_t& nextField) const {
  std::vector<const TEntry*> sorted;
  for (const TEntry& e : fEntries) sorted.push_back(&e);
  std::stable_sort(sorted.begin(), sorted.end(), [](const TEntry* a, const TEntry* b) { return a->Tag < b->Tag; });
  std::vector<uint32_t> places(sorted.size(), 0);
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i]->Data.size() <= 4) continue;
    if ((base + out.size()) & 1) out.push_back(0);
    if (base + out.size() > UINT32_MAX) return false;
    places[i] = uint32_t(base + out.size());
    out.insert(out.end(), sorted[i]->Data.begin(), sorted[i]->Data.end());
  }
  if ((base + out.size()) & 1) out.push_back(0);
  const uint64_t at = base + out.size();
  if (at + 6 + 12 * sorted.size() > UINT32_MAX) return false;
  offset = uint32_t(at);
  Put16(out, uint32_t(sorted.size()));
  for (size_t i = 0; i < sorted.size(); ++i) {
    const TEntry& e = *sorted[i];
    Put16(out, e.Tag);
    Put16(out, e.Type);
    Put32(out, e.Count);
    if (e.Data.size() <= 4) {
      std::vector<uint8_t> field = e.Data;
      field.resize(4, 0);
      out.insert(out.end(), field.begin(), field.end());
    } else {
      Put32(out, places[i]);
    }
  }
  nextField = base + out.size();
  Put32(out, next);
  return true;
}

}  // namespace kx
