// The busy cursor on Qt: shown for a scope, nested scopes restore what each set, and a scope left
// by an exception still takes it away.
#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <stdexcept>

#include "platform/qt/qt_busy_cursor.h"

using namespace kx;

TEST(QtBusyCursor, ScopesNestAndAlwaysRestore) {
  TQtBusyCursor cursor;
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  {
    TBusyCursorScope outer(&cursor);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    try {
      TBusyCursorScope inner(&cursor);
      throw std::runtime_error("the command failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr) << "the outer scope still shows it";
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
