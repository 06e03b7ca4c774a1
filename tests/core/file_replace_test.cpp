// The save that never harms what it replaces: new files, kept permissions and owners, refused
// read-only files, symbolic and hard links, devices, FIFOs and standard output written in place,
// failed writes, and temporaries removed when a signal ends the program. Every case also lists
// the folder: no temporary may be left.
#include "imaging/core/file_replace.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::MessageOf;

namespace {

const std::vector<uint8_t> kOld = {'o', 'l', 'd'};

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 13 + (i >> 9));
  return v;
}

std::function<bool(TStream&)> Writes(const std::vector<uint8_t>& bytes) {
  return [bytes](TStream& stream) {
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return true;
  };
}

std::string Folder(const std::string& name) {
  const std::string folder = kxtest::TempPath("-" + name);
  std::filesystem::create_directories(folder);
  return folder;
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

struct stat Lstat(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info;
}

bool IsRoot() { return geteuid() == 0; }

// Runs `body` in a child process and returns its wait status. With `asUser` and root, the child
// first becomes the unprivileged user "nobody"; `folder` becomes its current folder, so that it
// reaches it by relative names whatever the folders above allow.
int InChild(const std::function<int()>& body, const std::string& folder = ".", bool asUser = false) {
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(100);
    if (asUser && IsRoot()) {
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(101);
      prctl(PR_SET_DUMPABLE, 1);  // keeps /proc/self/fd, behind /dev/stdout, the child's own
    }
    int code = 102;
    try {
      code = body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child: %s\n", e.what());
    }
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// A device to write: as root a private node made beside the test's files, so that a save gone
// wrong cannot touch the system's; as a user the system's own, which a user cannot replace.
std::string Device(const std::string& folder, const std::string& name, unsigned minor) {
  if (!IsRoot()) return "/dev/" + name;
  const std::string path = folder + "/" + name;
  EXPECT_EQ(mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)), 0) << std::strerror(errno);
  return path;
}

// The reading end of a FIFO, open at once, so that a save that wrongly replaced the FIFO leaves
// the reader waiting for a writer that never comes rather than blocked in open.
int OpenReadEnd(const std::string& fifo) { return open(fifo.c_str(), O_RDONLY | O_NONBLOCK); }

// Reads until the writer closes its end; gives up after ten seconds without a byte.
void ReadUntilClosed(int fd, std::vector<uint8_t>& out) {
  uint8_t buffer[4096];
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 10000) <= 0) break;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
      out.insert(out.end(), buffer, buffer + n);
    else if (n == 0 || errno != EAGAIN)
      break;
  }
  close(fd);
}

class TUmaskScope {
 public:
  explicit TUmaskScope(mode_t mask) : fSaved(umask(mask)) {}
  ~TUmaskScope() { umask(fSaved); }
  TUmaskScope(const TUmaskScope&) = delete;
  TUmaskScope& operator=(const TUmaskScope&) = delete;

 private:
  mode_t fSaved;
};

}  // namespace

TEST(FileReplace, ANewFileIsWrittenUnderAMarkedTemporaryAndGetsThePlainCreatePermissions) {
  const TUmaskScope mask(027);
  const std::string folder = Folder("new");
  const std::string target = folder + "/picture.jpg";
  const std::vector<uint8_t> bytes = Pattern(100000);
  std::set<std::string> during;
  std::string streamName;
  ASSERT_TRUE(KXReplaceFile(target, [&](TStream& stream) {
    during = Entries(folder);
    streamName = dynamic_cast<TFileStream&>(stream).FileName();
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return true;
  }));
  ASSERT_EQ(during.size(), 1u);
  EXPECT_TRUE(std::regex_match(*during.begin(), std::regex(R"(\.picture\.jpg\.kx-partial-[A-Za-z0-9]{6})")))
      << *during.begin();
  EXPECT_EQ(streamName, target) << "stream errors name the target";
  EXPECT_EQ(kxtest::ReadFile(target), bytes);
  EXPECT_EQ(Lstat(target).st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(folder), std::set<std::string>{"picture.jpg"});
}

TEST(FileReplace, AReplacedFileKeepsItsPermissionBits) {
  const mode_t modes[] = {0600, 0640, 0644, 0755, 04750, 0444};
  const std::string folder = Folder("modes");
  for (mode_t mode : modes) {
    SCOPED_TRACE(std::to_string(mode));
    const std::string target = folder + "/file";
    kxtest::WriteFile(target, kOld);
    ASSERT_EQ(chmod(target.c_str(), mode), 0);
    const bool mayWrite = IsRoot() || (mode & 0200);
    if (mayWrite) {
      EXPECT_TRUE(KXReplaceFile(target, Writes({1, 2})));
      EXPECT_EQ(kxtest::ReadFile(target), (std::vector<uint8_t>{1, 2}));
    } else {
      EXPECT_EQ(MessageOf<EFCreateError>([&] {
                  KXReplaceFile(target, Writes({1, 2}));
                }),
                "Cannot create file \"" + target + "\". Permission denied");
      EXPECT_EQ(kxtest::ReadFile(target), kOld);
    }
    EXPECT_EQ(Lstat(target).st_mode & 07777, mode);
    EXPECT_EQ(Entries(folder), std::set<std::string>{"file"});
    std::filesystem::remove(target);
  }
}

TEST(FileReplace, AReplacedFileKeepsItsOwnerAndGroupWhereTheProcessMayGiveThem) {
  if (!IsRoot()) GTEST_SKIP() << "only root may give a file to another owner";
  const std::string folder = Folder("owner");
  const std::string target = folder + "/file";
  kxtest::WriteFile(target, kOld);
  ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(target.c_str(), 02640), 0);
  ASSERT_TRUE(KXReplaceFile(target, Writes({5})));
  const struct stat info = Lstat(target);
  EXPECT_EQ(info.st_uid, 65534u);
  EXPECT_EQ(info.st_gid, 65534u);
  EXPECT_EQ(info.st_mode & 07777, 02640u);
  EXPECT_EQ(Entries(folder), std::set<std::string>{"file"});
}

// The folder is open to everyone, so only the check of the file itself can refuse the save:
// renaming over it would succeed.
TEST(FileReplace, AUserIsRefusedAFileTheyMayNotWriteAndNothingChanges) {
  const std::string folder = Folder("refused");
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  kxtest::WriteFile(folder + "/locked", kOld);
  ASSERT_EQ(chmod((folder + "/locked").c_str(), 0444), 0);
  const int status = InChild(
      [] {
        try {
          KXReplaceFile("locked", Writes({1}));
        } catch (const EFCreateError& e) {
          return std::string(e.what()) == "Cannot create file \"locked\". Permission denied" ? 0 : 1;
        }
        return 2;
      },
      folder, true);
  EXPECT_EQ(ExitCode(status), 0);
  EXPECT_EQ(kxtest::ReadFile(folder + "/locked"), kOld);
  EXPECT_EQ(Entries(folder), std::set<std::string>{"locked"});
}

TEST(FileReplace, SymbolicLinksAreFollowedToTheFileTheyReachAndStayLinks) {
  const std::string folder = Folder("links");
  std::filesystem::create_directories(folder + "/files");
  std::filesystem::create_directories(folder + "/links");
  kxtest::WriteFile(folder + "/files/real", kOld);
  ASSERT_EQ(chmod((folder + "/files/real").c_str(), 0640), 0);
  std::filesystem::create_symlink("second", folder + "/links/first");
  std::filesystem::create_symlink("../files/real", folder + "/links/second");
  std::set<std::string> during;
  ASSERT_TRUE(KXReplaceFile(folder + "/links/first", [&](TStream& stream) {
    during = Entries(folder + "/files");
    stream.WriteBuffer("new", 3);
    return true;
  }));
  EXPECT_EQ(during.size(), 2u) << "the temporary sits beside the file the links reach";
  EXPECT_EQ(kxtest::ReadFile(folder + "/files/real"), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(Lstat(folder + "/files/real").st_mode & 07777, 0640u);
  EXPECT_EQ(std::filesystem::read_symlink(folder + "/links/first"), "second");
  EXPECT_EQ(std::filesystem::read_symlink(folder + "/links/second"), "../files/real");
  EXPECT_EQ(Entries(folder + "/files"), std::set<std::string>{"real"});
  EXPECT_EQ(Entries(folder + "/links"), (std::set<std::string>{"first", "second"}));
}

TEST(FileReplace, ADanglingLinkGetsItsTargetCreatedAndALoopIsRefused) {
  const std::string folder = Folder("dangling");
  std::filesystem::create_symlink("missing", folder + "/link");
  ASSERT_TRUE(KXReplaceFile(folder + "/link", Writes({9, 8})));
  EXPECT_EQ(std::filesystem::read_symlink(folder + "/link"), "missing");
  EXPECT_EQ(kxtest::ReadFile(folder + "/missing"), (std::vector<uint8_t>{9, 8}));

  std::filesystem::create_symlink("loop", folder + "/loop");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { KXReplaceFile(folder + "/loop", Writes({1})); }),
            "Cannot create file \"" + folder + "/loop\". Too many levels of symbolic links");
  EXPECT_EQ(Entries(folder), (std::set<std::string>{"link", "missing", "loop"}));
}

TEST(FileReplace, OtherHardLinksKeepTheOldBytes) {
  const std::string folder = Folder("hard");
  kxtest::WriteFile(folder + "/saved", kOld);
  std::filesystem::create_hard_link(folder + "/saved", folder + "/other");
  ASSERT_TRUE(KXReplaceFile(folder + "/saved", Writes({4})));
  EXPECT_EQ(kxtest::ReadFile(folder + "/saved"), (std::vector<uint8_t>{4}));
  EXPECT_EQ(kxtest::ReadFile(folder + "/other"), kOld);
  EXPECT_EQ(Lstat(folder + "/saved").st_nlink, 1u);
  EXPECT_EQ(Lstat(folder + "/other").st_nlink, 1u);
  EXPECT_EQ(Entries(folder), (std::set<std::string>{"saved", "other"}));
}

TEST(FileReplace, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string folder = Folder("failed");
  const std::string target = folder + "/keep";
  const std::string quoted = "\"" + target + "\"";
  const struct {
    const char* name;
    std::function<bool(TStream&)> write;
    std::string message;  // empty: the writer returns false
  } cases[] = {
      {"returns false after writing", [](TStream& s) { return s.Write("abc", 3) < 0; }, ""},
      {"throws something else", [](TStream&) -> bool { throw std::runtime_error("codec broke"); }, "codec broke"},
      {"full disk without a name", [](TStream&) -> bool { throw EWriteError("No space left on device"); },
       "Cannot write file " + quoted + ". No space left on device"},
      {"names the target already",
       [&](TStream&) -> bool { throw EWriteError("Cannot write file " + quoted + ". Input/output error"); },
       "Cannot write file " + quoted + ". Input/output error"},
  };
  kxtest::WriteFile(target, kOld);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.message.empty()) {
      EXPECT_FALSE(KXReplaceFile(target, c.write));
    } else {
      try {
        KXReplaceFile(target, c.write);
        ADD_FAILURE() << "no exception";
      } catch (const std::exception& e) {
        EXPECT_EQ(e.what(), c.message);
      }
    }
    EXPECT_EQ(kxtest::ReadFile(target), kOld);
    EXPECT_EQ(Entries(folder), std::set<std::string>{"keep"});
  }
}

TEST(FileReplace, AFullDeviceNamesItselfAndTheReason) {
  const std::string folder = Folder("full");
  const std::string full = Device(folder, "full", 7);
  EXPECT_EQ(MessageOf<EWriteError>([&] { KXReplaceFile(full, Writes(Pattern(10))); }),
            "Cannot write file \"" + full + "\". No space left on device");
  EXPECT_TRUE(S_ISCHR(Lstat(full).st_mode));
  EXPECT_EQ(Lstat(full).st_rdev, makedev(1, 7));
  EXPECT_EQ(Entries(folder), IsRoot() ? std::set<std::string>{"full"} : std::set<std::string>{});
}

TEST(FileReplace, ANullDeviceTakesTheBytesAndStaysADevice) {
  const std::string folder = Folder("null");
  const std::string null = Device(folder, "null", 3);
  EXPECT_TRUE(KXReplaceFile(null, Writes(Pattern(200000))));
  EXPECT_TRUE(S_ISCHR(Lstat(null).st_mode));
  EXPECT_EQ(Lstat(null).st_rdev, makedev(1, 3));
  EXPECT_EQ(Entries(folder), IsRoot() ? std::set<std::string>{"null"} : std::set<std::string>{});
  // A user, who may not make files in /dev, writes the system's own.
  EXPECT_EQ(ExitCode(InChild([] { return KXReplaceFile("/dev/null", Writes(Pattern(10))) ? 0 : 1; }, ".", true)), 0);
}

TEST(FileReplace, APrivateDeviceNodeStaysADeviceForRoot) {
  if (!IsRoot()) GTEST_SKIP() << "only root may make device nodes";
  const std::string folder = Folder("node");
  const std::string node = folder + "/node";
  ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
  EXPECT_TRUE(KXReplaceFile(node, Writes({1, 2, 3})));
  EXPECT_TRUE(S_ISCHR(Lstat(node).st_mode));
  EXPECT_EQ(Lstat(node).st_rdev, makedev(1, 3));
  EXPECT_EQ(Lstat(node).st_mode & 07777, 0600u);
  EXPECT_EQ(Entries(folder), std::set<std::string>{"node"});
}

TEST(FileReplace, AFifoIsWrittenInOrderAndStaysAFifo) {
  const std::string folder = Folder("fifo");
  const std::string fifo = folder + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::vector<uint8_t> bytes = Pattern(300000);
  std::vector<uint8_t> received;
  std::thread reader(ReadUntilClosed, OpenReadEnd(fifo), std::ref(received));
  EXPECT_TRUE(KXReplaceFile(fifo, Writes(bytes)));
  reader.join();
  EXPECT_EQ(received, bytes);
  EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));

  // Nothing that was written can be taken back, so a writer that seeks back fails.
  received.clear();
  std::thread second(ReadUntilClosed, OpenReadEnd(fifo), std::ref(received));
  EXPECT_EQ(MessageOf<EWriteError>([&] {
              KXReplaceFile(fifo, [](TStream& s) {
                s.WriteBuffer("header", 6);
                s.SetPosition(0);
                s.WriteBuffer("H", 1);
                return true;
              });
            }),
            "Cannot write file \"" + fifo + "\". Illegal seek");
  second.join();
  EXPECT_EQ(received, (std::vector<uint8_t>{'h', 'e', 'a', 'd', 'e', 'r'}));
  EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));
  EXPECT_EQ(Entries(folder), std::set<std::string>{"fifo"});
}

// Standard output reached by name: a pipe behind it is written in place, a file behind it is
// replaced. The pipe case runs as a user and the file case names the descriptor's own link, so
// that a save gone wrong cannot replace the system's /dev/stdout.
TEST(FileReplace, StandardOutputIsWrittenInPlaceOrItsFileReplaced) {
  const std::vector<uint8_t> bytes = Pattern(150000);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const int readEnd = pipeEnds[0], writeEnd = pipeEnds[1];
  if (IsRoot()) {
    ASSERT_EQ(fchown(writeEnd, 65534, 65534), 0) << "a user reopens only a pipe of their own";
  }
  std::vector<uint8_t> received;
  std::thread reader(ReadUntilClosed, readEnd, std::ref(received));
  int status = InChild(
      [&] {
        close(readEnd);
        if (dup2(writeEnd, STDOUT_FILENO) < 0) return 3;
        close(writeEnd);
        return KXReplaceFile("/dev/stdout", Writes(bytes)) ? 0 : 1;
      },
      ".", true);
  close(writeEnd);
  reader.join();
  EXPECT_EQ(ExitCode(status), 0);
  EXPECT_EQ(received, bytes);

  const std::string folder = Folder("stdout");
  const std::string file = folder + "/out";
  kxtest::WriteFile(file, kOld);
  status = InChild([&] {
    const int fd = open(file.c_str(), O_WRONLY);
    if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) return 3;
    close(fd);
    return KXReplaceFile("/proc/self/fd/1", Writes(bytes)) ? 0 : 1;
  });
  EXPECT_EQ(ExitCode(status), 0);
  EXPECT_EQ(kxtest::ReadFile(file), bytes);
  EXPECT_EQ(Entries(folder), std::set<std::string>{"out"});
}

TEST(FileReplace, FoldersAndSocketsAreRefusedAndStay) {
  const std::string folder = Folder("refusals");
  const std::string inner = folder + "/inner";
  std::filesystem::create_directories(inner + "/content");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { KXReplaceFile(inner, Writes({1})); }),
            "Cannot create file \"" + inner + "\". Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(inner + "/content"));

  const std::string socketPath = folder + "/socket";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(MessageOf<EFCreateError>([&] { KXReplaceFile(socketPath, Writes({1})); }),
            "Cannot create file \"" + socketPath + "\". No such device or address");
  close(fd);
  EXPECT_TRUE(S_ISSOCK(Lstat(socketPath).st_mode));
  EXPECT_EQ(Entries(folder), (std::set<std::string>{"inner", "socket"}));
}

TEST(FileReplace, ALongNameGetsATemporaryCutAtACharacter) {
  const std::string folder = Folder("long");
  std::string name;
  while (name.size() < 254) name += "\xC3\xA9";  // e with an acute accent, two bytes
  name += "x";
  ASSERT_EQ(name.size(), 255u);
  std::string partial;
  ASSERT_TRUE(KXReplaceFile(folder + "/" + name, [&](TStream& stream) {
    for (const std::string& entry : Entries(folder)) partial = entry;
    stream.WriteBuffer("z", 1);
    return true;
  }));
  ASSERT_LE(partial.size(), 255u);
  const std::string expectedStart = "." + name.substr(0, 236) + ".kx-partial-";
  EXPECT_EQ(partial.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(kxtest::ReadFile(folder + "/" + name), (std::vector<uint8_t>{'z'}));
  EXPECT_EQ(Entries(folder), std::set<std::string>{name});
}

namespace {

// A child that saves over `target` slowly: it writes, tells the parent through `ready`, and
// sleeps until a signal arrives. It returns what the save returned or threw, as an exit code.
int SlowSave(const std::string& target, int ready) {
  try {
    const bool saved = KXReplaceFile(target, [&](TStream& stream) {
      stream.WriteBuffer("partial", 7);
      dynamic_cast<TFileStream&>(stream).Flush();
      if (write(ready, "r", 1) != 1) return false;
      sleep(20);
      return true;
    });
    return saved ? 10 : 11;
  } catch (const EFCreateError& e) {
    return std::string(e.what()) == "Cannot create file \"" + target + "\". Interrupted system call" ? 12 : 13;
  }
}

bool HasPartial(const std::string& folder) {
  for (const std::string& name : Entries(folder))
    if (name.find(".kx-partial-") != std::string::npos) return true;
  return false;
}

// Starts SlowSave in a child, waits until its temporary exists, sends `signal` and returns the
// child's wait status.
int InterruptedSave(const std::string& folder, const std::string& target, int signal,
                    const std::function<void()>& prepare) {
  int readyEnds[2];
  if (pipe(readyEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(readyEnds[0]);
    // A test runner may ignore some of them; the program under test starts with none ignored.
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction current {};
      sigaction(s, nullptr, &current);
      if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) ::signal(s, SIG_DFL);
    }
    prepare();
    _exit(SlowSave(target, readyEnds[1]));
  }
  close(readyEnds[1]);
  char ready = 0;
  const bool started = read(readyEnds[0], &ready, 1) == 1;
  close(readyEnds[0]);
  EXPECT_TRUE(started);
  EXPECT_TRUE(HasPartial(folder)) << "the save is under way";
  kill(child, signal);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

int gHandlerExit = 0;
void ExitingHandler(int) { _exit(gHandlerExit); }
void ReturningHandler(int) {}

}  // namespace

TEST(FileReplace, AnEndingSignalRemovesTheTemporaryAndStillEndsTheProgram) {
  const std::string folder = Folder("signals");
  const std::string target = folder + "/keep";
  kxtest::WriteFile(target, kOld);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    const int status = InterruptedSave(folder, target, signal, [] {});
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
    EXPECT_EQ(kxtest::ReadFile(target), kOld);
    EXPECT_EQ(Entries(folder), std::set<std::string>{"keep"});
  }
}

// The program's own handler runs after the temporary is gone; when it lets the program go on,
// the save fails and the old file stays.
TEST(FileReplace, AHandlerTheProgramInstalledStillRuns) {
  const std::string folder = Folder("chained");
  const std::string target = folder + "/keep";
  kxtest::WriteFile(target, kOld);
  const struct {
    void (*handler)(int);
    int exitCode;
  } cases[] = {{&ExitingHandler, 7}, {&ReturningHandler, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exitCode);
    const int status = InterruptedSave(folder, target, SIGTERM, [&] {
      gHandlerExit = c.exitCode;
      ::signal(SIGTERM, c.handler);
    });
    EXPECT_EQ(ExitCode(status), c.exitCode);
    EXPECT_EQ(kxtest::ReadFile(target), kOld);
    EXPECT_EQ(Entries(folder), std::set<std::string>{"keep"});
  }
}
