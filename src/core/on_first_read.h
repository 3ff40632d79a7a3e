// The slot of an object-valued member: the object is created on first read, by the owner's own
// recipe when it adjusts the new object (a skin whose SubmitTD differs), and an assignment
// replaces it. C++ readers and page scripts see the same object.
#pragma once

#include <memory>
#include <utility>

namespace korvex {

template <class T>
class OnFirstRead {
 public:
  using Recipe = std::shared_ptr<T> (*)();

  OnFirstRead() = default;
  /// recipe: a capture-free function making the member's first object.
  OnFirstRead(Recipe recipe) : recipe_(recipe) {}

  /// Never empty: the first read creates the object.
  const std::shared_ptr<T>& get() const {
    if (!object_) object_ = recipe_ ? recipe_() : std::make_shared<T>();
    return object_;
  }
  T* operator->() const { return get().get(); }
  T& operator*() const { return *get(); }

  /// Replaces the object; the recipe stays for a slot emptied from C++.
  OnFirstRead& operator=(std::shared_ptr<T> object) {
    object_ = std::move(object);
    return *this;
  }
  /// Whether an object exists yet, without creating one.
  bool created() const { return object_ != nullptr; }
  void reset() { object_.reset(); }

 private:
  mutable std::shared_ptr<T> object_;
  Recipe recipe_ = nullptr;
};

}  // namespace korvex
