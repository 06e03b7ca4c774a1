// The mail hand-off through stand-ins for xdg-email: the argument list as given, and each exit
// code (and a missing program) told apart.
#include "app/qt/xdg_email.h"

#include <gtest/gtest.h>

#include <QObject>
#include <filesystem>

#include "tests/support/test_support.h"

using namespace quillop;

namespace {

// A stand-in that writes its arguments, one a line, beside itself and exits with `code`.
std::string StandIn(const std::string& folder, int code, const char* said = "") {
  const std::string path = folder + "/xdg-email-" + std::to_string(code);
  const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + folder + "/args\"\necho '" + said +
                             "' >&2\nexit " + std::to_string(code) + "\n";
  kxtest::WriteFile(path, std::vector<uint8_t>(script.begin(), script.end()));
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path;
}

}  // namespace

TEST(XdgEmail, TheFileGoesAsOneArgumentAndTheExitCodeIsTold) {
  const std::string folder = kxtest::TempPath(".mail");
  std::filesystem::create_directory(folder);
  const std::string attachment = folder + "/it's \"Image attached\".jpg";
  struct TCase {
    int code;
    TMailOutcome outcome;
    std::string detail;
  };
  const TCase cases[] = {
      {0, TMailOutcome::Handed, ""},
      {3, TMailOutcome::NoMailProgram, "no mail client"},
      {4, TMailOutcome::Failed, "xdg-email ended with code 4: no mail client"},
  };
  QObject owner;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.code);
    TXdgEmail mail(&owner, StandIn(folder, c.code, c.code ? "no mail client" : ""));
    const TMailResult result = mail.Send(attachment);
    EXPECT_EQ(result.Outcome, c.outcome);
    EXPECT_EQ(result.Detail, c.detail);
    const std::vector<uint8_t> args = kxtest::ReadFile(folder + "/args");
    EXPECT_EQ(std::string(args.begin(), args.end()), "--attach\n" + attachment + "\n");
  }
  TXdgEmail missing(&owner, folder + "/no-such-program");
  EXPECT_EQ(missing.Send(attachment).Outcome, TMailOutcome::ToolMissing);
}
