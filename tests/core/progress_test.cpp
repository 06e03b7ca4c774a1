// The progress record: the reporting rule Trunc(val x per1), handlers bound to a receiver, the
// shared record and its flag.
#include "imaging/core/progress.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kx;

namespace {

struct TListener {
  std::vector<int> reports;
  void* lastSender = nullptr;
  void OnProgress(void* sender, int per) {
    lastSender = sender;
    reports.push_back(per);
  }
};

TProgressRec RecordFor(TListener& listener, void* sender) {
  TProgressRec rec = NullProgress();
  rec.fOnProgress = TProgressEvent::Bind<&TListener::OnProgress>(&listener);
  rec.Sender = sender;
  return rec;
}

// The loop of an operation: per1 from the divisor, one report after each unit.
void RunUnits(TProgressRec& rec, int units, double divisor) {
  rec.val = 0;
  rec.per1 = 100.0 / divisor;
  for (int i = 0; i < units; ++i) {
    ++rec.val;
    rec.Report();
  }
}

}  // namespace

TEST(Progress, ReportsTruncatedPercentages) {
  struct Case {
    int units;
    double divisor;
    int first, last;
  };
  // A format conversion over 100 rows stays below 100; a row routine over 10 rows overshoots.
  for (Case c : {Case{100, 100.5, 0, 99}, Case{10, 9.5, 10, 105}, Case{4, 4, 25, 100}, Case{3, 3, 33, 100}}) {
    TListener listener;
    int sender = 0;
    TProgressRec rec = RecordFor(listener, &sender);
    RunUnits(rec, c.units, c.divisor);
    ASSERT_EQ(listener.reports.size(), size_t(c.units));
    EXPECT_EQ(listener.reports.front(), c.first) << c.units;
    EXPECT_EQ(listener.reports.back(), c.last) << c.units;
    EXPECT_EQ(listener.lastSender, &sender);
    for (size_t i = 1; i < listener.reports.size(); ++i) EXPECT_LE(listener.reports[i - 1], listener.reports[i]);
  }
}

TEST(Progress, HundredRowsReportEveryPercentFrom0To99) {
  TListener listener;
  TProgressRec rec = RecordFor(listener, nullptr);
  RunUnits(rec, 100, 100.5);
  std::vector<int> expected;
  for (int per = 0; per < 100; ++per) expected.push_back(per);
  EXPECT_EQ(listener.reports, expected);
}

TEST(Progress, PassOffsetIsAddedAfterTruncation) {
  TListener listener;
  TProgressRec rec = RecordFor(listener, nullptr);
  rec.val = 1;
  rec.per1 = 100.0 / 3 / 3;  // one third of a pass of three
  rec.Report(33);
  EXPECT_EQ(listener.reports, std::vector<int>{44});
}

TEST(Progress, WithoutAHandlerNothingIsCalled) {
  TProgressRec rec = NullProgress();
  EXPECT_FALSE(rec.fOnProgress.Assigned());
  RunUnits(rec, 10, 10);
  EXPECT_EQ(rec.val, 10);
}

TEST(Progress, NoUnitsAndRunawayFactorsStayDefined) {
  TListener listener;
  TProgressRec rec = RecordFor(listener, nullptr);
  rec.SetUnits(0);
  EXPECT_EQ(rec.per1, 0.0);
  rec.val = 5;
  rec.Report();
  rec.per1 = 1e300;
  rec.Report(100);
  EXPECT_EQ(listener.reports, (std::vector<int>{0, INT32_MAX}));
}

TEST(Progress, SharedRecordAndItsFlag) {
  EXPECT_FALSE(nullpr.fOnProgress.Assigned());
  EXPECT_EQ(nullpr.Sender, nullptr);
  EXPECT_EQ(nullpr.Aborting, &kxAlwaysTrueBoolean);
  // A codec that met a bad file through the shared record leaves the flag set; a fresh copy
  // starts clean.
  nullpr.Abort();
  EXPECT_TRUE(kxAlwaysTrueBoolean);
  EXPECT_TRUE(nullpr.Aborted());
  TProgressRec rec = NullProgress();
  EXPECT_FALSE(kxAlwaysTrueBoolean);
  EXPECT_FALSE(rec.Aborted());
  EXPECT_EQ(rec.Aborting, &kxAlwaysTrueBoolean);
  EXPECT_EQ(rec.val, 0);
}

TEST(Progress, RecordWithoutAFlagNeverAborts) {
  TProgressRec rec;
  rec.Abort();
  EXPECT_FALSE(rec.Aborted());
  bool flag = false;
  rec.Aborting = &flag;
  rec.Abort();
  EXPECT_TRUE(flag);
  EXPECT_TRUE(rec.Aborted());
}

TEST(Events, HandlersCompareByCodeAndReceiver) {
  TListener a, b;
  auto ea = TProgressEvent::Bind<&TListener::OnProgress>(&a);
  auto eb = TProgressEvent::Bind<&TListener::OnProgress>(&b);
  EXPECT_TRUE(ea.Assigned());
  EXPECT_NE(ea, eb);
  EXPECT_EQ(ea, TProgressEvent::Bind<&TListener::OnProgress>(&a));
  eb(nullptr, 7);
  EXPECT_TRUE(a.reports.empty());
  EXPECT_EQ(b.reports, std::vector<int>{7});
}
