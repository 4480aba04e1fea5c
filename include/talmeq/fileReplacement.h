// Replacing a file so that its readers only ever find the old or the new
// whole content, even when the writer is killed or the power fails midway.
// The library writes its calibration files this way; a host writes its own
// outputs the same way with the same call.
#pragma once

#include <talmeq/export.h>

#include <functional>
#include <string>

namespace talmeq {

// Replaces the file at `path` with what `write` puts into a temporary file
// beside it (`write` gets the temporary's path, a name that ends with the
// target's name so that writers choosing a format by extension see the
// right one, and returns whether it holds the whole content):
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
TALMEQ_EXPORT bool replaceFile(const std::string& path, const std::function<bool(const std::string&)>& write);

// For programs that end on Ctrl-C or SIGTERM: installs handlers for both
// that remove the temporary a replaceFile call is filling at that moment and
// then end the program as the signal would. One call's temporary is noted
// at a time; while threads replace files at once, the others' are left to
// the stale-temporary clean-up of later writers. A host that handles these
// signals itself does not call it.
TALMEQ_EXPORT void removeTemporaryOnInterrupt();

}  // namespace talmeq
