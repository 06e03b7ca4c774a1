// The main window's place in the settings store: kept, absent, damaged and not writable.
#include "app/window_placement.h"

#include <gtest/gtest.h>

#include "platform/memory_settings_store.h"

using namespace quillop;
using kx::TMemorySettingsStore;
using kx::TSettingsValueType;

TEST(WindowPlacement, WhatIsWrittenIsReadBack) {
  TMemorySettingsStore store;
  TWindowPlacement placement;
  EXPECT_FALSE(ReadPlacement(store, placement));
  for (const TWindowPlacement written : {TWindowPlacement{-20, 35, false}, TWindowPlacement{300, 0, true}}) {
    ASSERT_TRUE(WritePlacement(store, written));
    TWindowPlacement read;
    EXPECT_TRUE(ReadPlacement(store, read));
    EXPECT_EQ(read, written);
  }
}

TEST(WindowPlacement, ADamagedEntryLeavesThePlacementAlone) {
  struct TCase {
    const char* name;
    TMemorySettingsStore::TValue value;
  };
  const TCase cases[] = {
      {"Left", {TSettingsValueType::String, "12px"}},
      {"Top", {TSettingsValueType::String, ""}},
      {"State", {TSettingsValueType::String, "maximised"}},
      {"Left", {TSettingsValueType::Integer, "12"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.value.Text);
    TMemorySettingsStore store;
    ASSERT_TRUE(WritePlacement(store, {5, 6, false}));
    store.Plant(kPlacementKey, c.name, c.value);
    TWindowPlacement placement{1, 2, true};
    EXPECT_FALSE(ReadPlacement(store, placement));
    EXPECT_EQ(placement, (TWindowPlacement{1, 2, true}));
  }
}

TEST(WindowPlacement, AFailedWriteCommitsNothing) {
  TMemorySettingsStore store;
  store.FailWrite(2);
  EXPECT_FALSE(WritePlacement(store, {5, 6, false}));
  TWindowPlacement placement;
  EXPECT_FALSE(ReadPlacement(store, placement));
}
