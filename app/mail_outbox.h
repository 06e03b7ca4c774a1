// The copies of the preview handed to the mail program. The mail program reads its attachment
// some time after the hand-off returns, while the preview itself is replaced by the next rebuild
// and deleted at close; so each send gets a folder of its own under the working folder holding
// "Image attached.jpg", which nothing else touches. Copies older than a week are removed at
// start-up, when any mail that took them has long been written.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillop {

inline constexpr const char* kAttachmentName = "Image attached.jpg";
inline constexpr std::chrono::hours kOutboxKeep{24 * 7};

// The outbox beside the previews: `workingFolder`/outbox.
std::string OutboxFolder(const std::string& workingFolder);
// Writes `bytes` as "Image attached.jpg" in a new folder of its own under `outbox` (created
// when missing, mode 0700) and returns the file's path. Throws std::runtime_error naming the
// folder and the reason when it cannot.
std::string KeepForMail(const std::string& outbox, const std::vector<uint8_t>& bytes);
// Removes the send folders under `outbox` last changed more than `keep` before `now`; returns
// how many. Anything that is not a folder of ours is left alone.
int RemoveOldMailCopies(const std::string& outbox, std::filesystem::file_time_type now,
                        std::chrono::hours keep = kOutboxKeep);

}  // namespace quillop
