// Memory of one listing: every record and text of the lists handed out by one call lives in
// a private heap, so the whole listing is released at once by destroying the heap.
#pragma once

#include <windows.h>

#include <cstddef>

class ListArena {
 public:
  ListArena() : heap_(HeapCreate(0, 0, 0)) {}
  ~ListArena() {
    if (heap_ != nullptr) HeapDestroy(heap_);
  }
  ListArena(const ListArena&) = delete;
  ListArena& operator=(const ListArena&) = delete;

  bool ok() const { return heap_ != nullptr; }

  // A zero-filled T (the record structs are plain data), or null when memory runs out.
  template <typename T>
  T* make() {
    return static_cast<T*>(allocate(sizeof(T)));
  }

  // A copy of `n` bytes followed by a NUL, or null when memory runs out.
  char* copyText(const char* text, size_t n) {
    char* p = static_cast<char*>(allocate(n + 1));
    if (p != nullptr && n > 0) memcpy(p, text, n);
    return p;
  }

 private:
  void* allocate(size_t n) { return heap_ ? HeapAlloc(heap_, HEAP_ZERO_MEMORY, n) : nullptr; }

  HANDLE heap_;
};

// Appends to a singly linked list in order, keeping the chain null-terminated.
template <typename T>
class ListTail {
 public:
  explicit ListTail(T** head) : link_(head) { *head = nullptr; }
  void append(T* item) {
    item->next = nullptr;
    *link_ = item;
    link_ = &item->next;
  }

 private:
  T** link_;
};
