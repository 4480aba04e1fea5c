// Per-thread workspaces of the station's per-frame readings. A host reads
// the spot (or the height) of every frame from one thread, with frames of
// one size; the buffers and lists a reading fills are kept here between
// calls, grown to the largest size seen, so that a reading in the steady
// state asks the heap for nothing and touches no fresh page. Each thread has
// its own workspace (no locking, no sharing), released when the thread ends;
// threadWorkspace.h bounds it and keeps a re-entered call apart. Whatever a buffer held before a call is
// garbage to it: a result never depends on an earlier call.
#pragma once

#include <cstddef>
#include <vector>

#include "blobStrength.h"
#include "centreEstimate.h"
#include "spotDetection.h"
#include "threadWorkspace.h"

namespace talmeq::detail::precision {

struct ReadingWorkspace {
  spot::Trace trace;                  // the detector's decisions on the frame
  std::vector<BlobMeasure> measures;  // of each accepted blob, in the trace's order
  std::vector<std::size_t> order;     // indices of those blobs, strongest first
  BlobScratch blob;
  CentreScratch centre;
};

// The workspace of the reading the thread is in (see ThreadWorkspace).
ReadingWorkspace& readingWorkspace();

}  // namespace talmeq::detail::precision
