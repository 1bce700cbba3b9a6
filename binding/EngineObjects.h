// Owners for engine objects: whatever the engine creates goes back through its release
// entries (b for images, h for streams), never through delete.
#pragma once

#include <utility>

#include "EngineApi.h"

template <class T, void (*EngineApi::*Release)(void*)>
class EngineOwner {
 public:
  EngineOwner() = default;
  explicit EngineOwner(T* object) : p_(object) {}
  EngineOwner(EngineOwner&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  EngineOwner& operator=(EngineOwner&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  EngineOwner(const EngineOwner&) = delete;
  EngineOwner& operator=(const EngineOwner&) = delete;
  ~EngineOwner() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T* release() { return std::exchange(p_, nullptr); }
  // The engine's release clears the pointer it is given.
  void reset(T* object = nullptr) {
    if (p_ && (Engine().*Release)) (Engine().*Release)(&p_);
    p_ = object;
  }
  // For APIs that fill a T** (the image slot).
  T** slot() { return &p_; }

 private:
  T* p_ = nullptr;
};

using ImageOwner = EngineOwner<ZvImage, &EngineApi::b>;
using StreamOwner = EngineOwner<ZvStream, &EngineApi::h>;

// A plain image object (detects the format when loading); empty when the engine is unbound.
inline ImageOwner NewImage() {
  return ImageOwner(Engine().a ? Engine().a(u"") : nullptr);
}

// Releases an image through the engine and nulls the pointer (the image slot's rule).
inline void ReleaseImage(ZvImage*& image) {
  if (image && Engine().b) Engine().b(&image);
  image = nullptr;
}
