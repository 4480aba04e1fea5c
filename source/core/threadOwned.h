// A per-thread object of type T, made on the thread's first call and
// destroyed when the thread ends: what a function-local `thread_local T`
// gives, on every platform the library is built for. It replaces
// `thread_local` for every per-thread object with a destructor, and must
// agree with it: one object per thread and type, the same object on every
// call of that thread, destroyed once, after the thread's last call.
//
// Why not `thread_local` everywhere: MinGW-w64's GCC keeps thread_local
// objects in emulated TLS, which the thread-exit code frees before the
// destructors registered for those objects run. The destructors then work
// on freed memory, and threads that end while others allocate crash the
// process. There, the object lives on the heap; the thread_local holds only
// its pointer (a type without a destructor, so nothing is registered), and
// a fiber-local-storage callback, which Windows calls when the thread ends,
// deletes it. Host threads made with CreateThread are served alike.
//
// Each use takes a type of its own: two uses of one T on one thread would
// share the object.
#pragma once

#if defined(__MINGW32__)
#include "windowsApi.h"
#endif

namespace talmeq::detail {

#if defined(__MINGW32__)

namespace thread_owned {

// One fiber-local-storage slot per T, whose callback deletes the thread's
// object. The slot is given back when the library is unloaded, which runs
// the callback for every object still alive: a thread that ends later must
// not call into code that is gone.
template <class T>
class Slot {
 public:
  Slot() : index_(FlsAlloc(&destroy)) {}
  ~Slot() {
    if (index_ != FLS_OUT_OF_INDEXES) FlsFree(index_);
  }
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;

  // Hands `object` to the slot. When no slot could be had (the process ran
  // out of them), the object lives until the process ends.
  void hold(T* object) const {
    if (index_ != FLS_OUT_OF_INDEXES) FlsSetValue(index_, object);
  }

 private:
  static void WINAPI destroy(void* object) { delete static_cast<T*>(object); }
  DWORD index_;
};

}  // namespace thread_owned

template <class T>
T& threadOwned() {
  static const thread_owned::Slot<T> slot;
  thread_local T* object = nullptr;
  if (!object) {
    object = new T();
    slot.hold(object);
  }
  return *object;
}

#else

template <class T>
T& threadOwned() {
  thread_local T object;
  return object;
}

#endif

}  // namespace talmeq::detail
