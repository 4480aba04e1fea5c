#include "readingWorkspace.h"

namespace talmeq::precision {

ReadingWorkspace& readingWorkspace() { return ThreadWorkspace<ReadingWorkspace>::current(); }

}  // namespace talmeq::precision
