// The mail hand-off on a Linux desktop: xdg-email opens a new message in the user's mail program
// with the file attached. It is run with an argument list, never through a shell, so no file
// name is ever read as a command.
#pragma once

#include <QObject>
#include <string>

#include "app/shell_ports.h"

namespace quillop {

class TXdgEmail : public TMailHandoff {
 public:
  // `program` is the hand-off program, looked up on PATH when it has no '/'.
  explicit TXdgEmail(QObject* owner, std::string program = "xdg-email") : fOwner(owner), fProgram(std::move(program)) {}

  TMailResult Send(const std::string& file) override;

 private:
  QObject* fOwner;  // keeps a hand-off that is still running when Send returns
  std::string fProgram;
};

}  // namespace quillop
