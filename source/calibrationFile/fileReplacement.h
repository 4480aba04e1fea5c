// Replacing a file so that its readers only ever find the old or the new
// whole content, even when the writer is killed or the power fails midway.
#pragma once

#include <functional>
#include <string>

namespace talmeq {

// Replaces the file at `path` with what `write` puts into a temporary file
// beside it (`write` gets the temporary's path and returns whether it holds
// the whole content):
//  - a symbolic link is followed to the file it finally names, and that file
//    is replaced in its own folder; the link stays as it is;
//  - temporaries of the same target left behind by ended writers are
//    removed first;
//  - the content reaches the disk before the temporary is renamed over the
//    target, and the folder entry after;
//  - the new file takes the permission bits of the file it replaces.
// Returns false, with the old file unchanged and no temporary left, when any
// step fails. An exception from `write` passes through after the same
// clean-up.
bool replaceFile(const std::string& path, const std::function<bool(const std::string&)>& write);

}  // namespace talmeq
