// The root of every object of the media-graph service: an intrusive, atomic
// reference count and interface lookup. Interfaces derive virtually from
// Unknown, so an object that offers several of them has one count.
//
// Ownership: an object is born with a count of 0; Ref<T> holds one
// reference. The object is destroyed when the last reference goes.
// Thread: addRef/release from any thread.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <utility>

namespace vistrel::media {

class Unknown {
 public:
  Unknown() = default;
  Unknown(const Unknown&) = delete;
  Unknown& operator=(const Unknown&) = delete;

  // Both return the new count, for tests and diagnostics only.
  std::uint32_t addRef() noexcept { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::uint32_t release() noexcept {
    const std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    assert(left != 0xFFFFFFFFu && "release without a reference");
    if (left == 0) destroy();
    return left;
  }
  std::uint32_t refCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

 protected:
  virtual ~Unknown() = default;

 private:
#pragma GCC diagnostic push
  // GCC mistakes the deleting destructor through a virtual base for a bad
  // free (-Wfree-nonheap-object); the destructor is virtual, this is sound.
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
  void destroy() noexcept { delete this; }
#pragma GCC diagnostic pop

  std::atomic<std::uint32_t> refs_{0};
};

// A counted reference, like the platform's smart interface pointers.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  // Takes a new reference on `object`.
  Ref(T* object) : object_(object) {
    if (object_) object_->addRef();
  }
  Ref(const Ref& other) : Ref(other.object_) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& other) : Ref(static_cast<T*>(other.get())) {}
  ~Ref() { reset(); }

  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  void reset() {
    if (T* object = std::exchange(object_, nullptr)) object->release();
  }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.object_ == b.object_; }

 private:
  T* object_ = nullptr;
};

template <class T, class... Args>
Ref<T> makeRef(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));
}

// Interface lookup (the platform's QueryInterface): the object's interface
// I, or null when the object does not offer it.
template <class I, class T>
Ref<I> queryInterface(T* object) {
  return Ref<I>(dynamic_cast<I*>(object));
}
template <class I, class T>
Ref<I> queryInterface(const Ref<T>& object) {
  return queryInterface<I>(object.get());
}

}  // namespace vistrel::media
