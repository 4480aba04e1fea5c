// The per-thread workspace of a per-frame call, with two guarantees beyond a
// plain thread_local:
//   - Re-entry is safe. A call holds its thread's workspace for its whole
//     length through a Scope. When the same thread calls the library again
//     inside that length (a log router's appender that measures another
//     frame, say), the inner call gets a workspace of its own, released when
//     it returns, so the outer call's lists are never rewritten under it.
//   - The workspace is bounded. Buffers grow to the largest frame seen, so
//     that the steady state asks the heap for nothing; after
//     kShrinkAfterCalls calls in a row on frames of under a quarter of that
//     largest frame's area, the workspace is released and grows anew to the
//     frames now seen. One outsized frame costs its memory only until the
//     usual frames have been seen that many times.
// Code inside a call reaches the active workspace through current(). The
// state is the thread's own through threadOwned (see threadOwned.h).
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>

#include "threadOwned.h"

namespace talmeq::detail {

inline constexpr int kShrinkAfterCalls = 16;
inline constexpr std::int64_t kShrinkRatio = 4;

template <class Workspace>
class ThreadWorkspace {
 private:
  struct State {
    Workspace own;
    Workspace* active = &own;
    int depth = 0;
    std::int64_t largestArea = 0;  // the largest frame since the last release
    int smallCalls = 0;            // calls in a row on frames much smaller than that

    void bound(std::int64_t area) {
      if (area * kShrinkRatio >= largestArea) {
        smallCalls = 0;
        if (area > largestArea) largestArea = area;
        return;
      }
      if (++smallCalls < kShrinkAfterCalls) return;
      own = Workspace{};
      largestArea = area;
      smallCalls = 0;
    }
  };

  static State& threadState() { return threadOwned<State>(); }

 public:
  // Holds the workspace for one call on a frame of `frameSize`.
  class Scope {
   public:
    explicit Scope(cv::Size frameSize) : state_(threadState()) {
      if (state_.depth++ == 0) {
        state_.bound(static_cast<std::int64_t>(frameSize.width) * frameSize.height);
        return;
      }
      inner_ = std::make_unique<Workspace>();
      outer_ = state_.active;
      state_.active = inner_.get();
    }
    ~Scope() {
      if (inner_) state_.active = outer_;
      --state_.depth;
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    State& state_;
    std::unique_ptr<Workspace> inner_;
    Workspace* outer_ = nullptr;
  };

  // The workspace of the call the thread is in (the thread's own outside
  // any call).
  static Workspace& current() { return *threadState().active; }
};

}  // namespace talmeq::detail
