// Temporary files beside a file that is being replaced. Their names tell
// which process writes them, so a later writer of the same target can remove
// those that a writer killed mid-write left behind, and never one that a
// running writer still fills.
#pragma once

#include <chrono>
#include <filesystem>

namespace talmeq::detail {

// A temporary of a target may be removed once it is this old and its writer
// has ended.
inline constexpr std::chrono::minutes kStaleTemporaryAge{5};

// A fresh name in the target's folder: ".tmp-<process id>-<unique>-"
// followed by as much of the end of the target's name as keeps the name
// within 255 characters, so the extensions that choose the format stay.
std::filesystem::path temporaryNameFor(const std::filesystem::path& target);

// Removes the temporaries named for `target` that are older than
// kStaleTemporaryAge and whose writing process is no longer running. Errors
// are ignored: the cleanup never stops a write.
void removeStaleTemporaries(const std::filesystem::path& target);

}  // namespace talmeq::detail
