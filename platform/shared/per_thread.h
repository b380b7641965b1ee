// A value of its own for every thread, for objects that free memory when they go.
// mingw-w64 keeps thread_local objects in emulated TLS, whose storage can be freed
// before the object's destructor runs at thread exit, so that the destructor frees
// pointers read from freed memory. There each thread's value lives on the heap,
// reached through a pointer that needs no destructor, and stays when its thread
// ends: a few bytes for each thread that ever used it.
#pragma once

namespace qv {

template <class T>
T& PerThread() {
#ifdef _WIN32
  thread_local T* t_value = nullptr;
  if (t_value == nullptr) t_value = new T();
  return *t_value;
#else
  thread_local T t_value;
  return t_value;
#endif
}

}  // namespace qv
