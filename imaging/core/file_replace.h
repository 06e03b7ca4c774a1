// Saving without ever harming what the save replaces: a file is written under a temporary name in
// its own folder and renamed over the old one only when it is complete; anything that is not a
// plain file is written where it stands.
#pragma once

#include <functional>
#include <string>

namespace kx {

class TStream;

// Saves through `write` to `fileName` and returns whether the save is complete: false when `write`
// returned false, in which case nothing was replaced. Exceptions of `write` pass on, nothing
// replaced either; an EWriteError that does not name `fileName` is thrown again naming it, with
// the original reason. The stream handed to `write` names `fileName` in its own errors, and a
// failed write or the final flush (a full disk) raises EWriteError ("Cannot write file "<name>".
// No space left on device"). A target that cannot be written raises EFCreateError ("Cannot
// create file "<name>". <reason>"), changing nothing. What happens, by what the name leads to:
//
// - Nothing: the file is created (temporary, then rename) with the permissions of a plain create
//   (0666 less the umask and the folder's default permissions).
// - A regular file: refused with "Permission denied" when access(2) denies writing it (so a
//   0444 file is refused for a user, but replaced for root, who may write it; a read-only file
//   system gives "Read-only file system"). Otherwise the temporary ".<name>.kx-partial-XXXXXX"
//   (six letters or digits; <name> shortened when the whole would pass 255 bytes) is made next to
//   it, gets its permission bits and, where the process may change them, its owner and group
//   (set-id bits only when both were kept), and is renamed over it. Other hard links to the old
//   file keep the old bytes: the name now leads to a new file. A file in a folder the process may
//   not write is refused too, as no temporary can be made beside it.
// - A symbolic link, or a chain of them: followed to its end; that file is replaced as above,
//   with the temporary in the final file's folder, and the links stay as they were. A dangling
//   link gets its target created, as a shell's redirection would. /dev/stdout is such a link: a
//   regular file behind it is replaced, a pipe or a terminal is written in place.
// - A character or block device or a FIFO: opened for writing without truncation and written
//   in place; never renamed over nor replaced by a file. A FIFO waits for a reader. On a target
//   that cannot seek, a writer that seeks back fails with "Illegal seek". Bytes already written
//   stay written when the save fails.
// - A socket: refused, as it cannot be opened ("No such device or address"); it stays.
// - A folder: refused with "Is a directory".
//
// SIGINT, SIGTERM and SIGHUP during a save remove its temporary (see partial_files.h); after a
// kill -9 a leftover is recognisable by ".kx-partial-" in its name.
bool KXReplaceFile(const std::string& fileName, const std::function<bool(TStream&)>& write);

}  // namespace kx
