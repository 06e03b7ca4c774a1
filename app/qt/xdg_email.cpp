// xdg-email through QProcess. Its exit codes: 0 done, 1 bad arguments, 2 a file is missing,
// 3 no program to do it (no mail program is set up), 4 the action failed.
#include "app/qt/xdg_email.h"

#include <QProcess>
#include <QStringList>

namespace quillop {

namespace {

// Most mail programs take the message and let the hand-off return at once; one that keeps it
// waiting has the message open, which is all the hand-off is for.
constexpr int kWaitMs = 15000;

}  // namespace

TMailResult TXdgEmail::Send(const std::string& file) {
  auto* process = new QProcess(fOwner);
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  process->setProcessChannelMode(QProcess::SeparateChannels);
  process->start(QString::fromStdString(fProgram), QStringList{"--attach", QString::fromStdString(file)});
  if (!process->waitForStarted()) {
    process->deleteLater();
    return {TMailOutcome::ToolMissing, {}};
  }
  if (!process->waitForFinished(kWaitMs)) return {TMailOutcome::Handed, {}};
  const std::string said = process->readAllStandardError().trimmed().toStdString();
  if (process->exitStatus() != QProcess::NormalExit) return {TMailOutcome::Failed, "xdg-email stopped: " + said};
  switch (process->exitCode()) {
    case 0:
      return {TMailOutcome::Handed, {}};
    case 3:
      return {TMailOutcome::NoMailProgram, said};
    default:
      return {TMailOutcome::Failed,
              "xdg-email ended with code " + std::to_string(process->exitCode()) + (said.empty() ? "" : ": " + said)};
  }
}

}  // namespace quillop
