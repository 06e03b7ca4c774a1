// The progress-and-abort record handed to every codec and long operation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/core/event.h"

namespace kx {

// Sender, percentage 0..100.
using TProgressEvent = TEvent<void*, int>;
// Sender, job, percentage.
using TKXJobEvent = TEvent<void*, uint8_t, int>;

// What a codec or operation can say beside its abort flag: the short reason it stopped
// ("4000 x 90000 pixels is above the limit of 268435456", "arithmetic-coded JPEG is not
// supported") and the warnings of a read that went on (a truncated JPEG decoded with grey rows).
// Reasons and warnings name no file; the caller that knows the file adds it.
struct TKXDiagnostics {
  std::string Reason;
  std::vector<std::string> Warnings;
  void Clear() {
    Reason.clear();
    Warnings.clear();
  }
};

struct TProgressRec {
  TProgressEvent fOnProgress;
  void* Sender = nullptr;
  int32_t val = 0;                        // work units done, kept by the operation
  int32_t tot = 0;                        // passes of a multi-pass operation
  double per1 = 0;                        // percent per unit of work
  bool* Aborting = nullptr;               // the caller's abort flag, or null
  TKXDiagnostics* Diagnostics = nullptr;  // where reasons and warnings go, or null

  // Percent per unit for `units` units; 0 when there are none, so no division by zero.
  void SetUnits(double units) { per1 = units > 0 ? 100.0 / units : 0.0; }
  // Starts a row-by-row job of `rows` rows: Trunc(100 / (rows + 0.5) x rows done) per report.
  void StartRows(int32_t rows) {
    per1 = 100.0 / (double(rows) + 0.5);
    val = 0;
  }
  // One more row done: reports it.
  void RowDone() {
    ++val;
    Report();
  }
  // Reports Trunc(val x per1) plus `offset` to the handler, if one is assigned.
  void Report(int offset = 0) const;
  bool Aborted() const { return Aborting != nullptr && *Aborting; }
  void Abort() const {
    if (Aborting) *Aborting = true;
  }
  // Sets the abort flag and keeps the first reason given.
  void Abort(std::string_view reason) const {
    Abort();
    if (Diagnostics && Diagnostics->Reason.empty()) Diagnostics->Reason = reason;
  }
  // Records a warning (at most a few dozen are kept: a damaged file can warn on every block).
  void Warn(std::string_view warning) const {
    if (Diagnostics && Diagnostics->Warnings.size() < 32) Diagnostics->Warnings.emplace_back(warning);
  }
};

// The shared flag behind nullpr: false at start.
extern bool kxAlwaysTrueBoolean;
// The shared record with no handler; its Aborting points to kxAlwaysTrueBoolean.
extern TProgressRec nullpr;
// A copy of nullpr with its flag cleared, for a caller that reports nothing: each use starts
// clean, so one bad file never makes later ones fail.
TProgressRec NullProgress();

// Reports row y of the rows y1..y2 to the record's handler, if one is assigned: the rows
// done so far as a percentage, at most 100.
void ReportRow(const TProgressRec& progress, int32_t y, int32_t y1, int32_t y2);

}  // namespace kx
