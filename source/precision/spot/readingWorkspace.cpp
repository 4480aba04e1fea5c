#include "readingWorkspace.h"

namespace talmeq::detail::precision {

ReadingWorkspace& readingWorkspace() { return ThreadWorkspace<ReadingWorkspace>::current(); }

}  // namespace talmeq::detail::precision
