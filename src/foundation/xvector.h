// An ordered array of element pointers that does not own its elements. Without a comparison it
// appends; with one it is a sorted set: an added element goes after every element that compares
// equal to it, and finding is a binary search.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

template <typename T>
class XVector {
 public:
  // Three-way comparison of two elements: negative, zero or positive.
  using Compare = std::function<int(const T &, const T &)>;
  static constexpr std::ptrdiff_t kNotFound = -1;

  // A vector that grows `growBy` slots at a time; sorted when a comparison is given.
  explicit XVector(size_t growBy = 5, Compare compare = {})
      : growBy_(growBy == 0 ? 1 : growBy), compare_(compare) {}

  // Adds an element (appended, or inserted after its equals when sorted); returns its index.
  size_t Add(T *element) {
    Reserve(items_.size() + 1);
    auto position = items_.end();
    if (compare_)
      position = std::upper_bound(items_.begin(), items_.end(), element,
                                  [this](const T *a, const T *b) { return compare_(*a, *b) < 0; });
    return static_cast<size_t>(items_.insert(position, element) - items_.begin());
  }

  // Index of the first element equal to `key` by the vector's comparison (binary search), or
  // kNotFound; without a comparison, the first element that is the same object.
  std::ptrdiff_t Find(const T &key) const {
    if (!compare_) return IndexOf(&key);
    return FindBy(key, [this](const T &element, const T &k) { return compare_(element, k); });
  }

  // Binary search with a comparison of an element against a key of another type; the vector must
  // be sorted in the order that comparison gives. Index of the first equal element or kNotFound.
  template <typename Key, typename KeyCompare>
  std::ptrdiff_t FindBy(const Key &key, KeyCompare compareToKey) const {
    const auto position =
        std::lower_bound(items_.begin(), items_.end(), &key,
                         [&](const T *element, const Key *k) { return compareToKey(*element, *k) < 0; });
    if (position == items_.end() || compareToKey(**position, key) != 0) return kNotFound;
    return position - items_.begin();
  }

  // Index of this very element, or kNotFound.
  std::ptrdiff_t IndexOf(const T *element) const {
    const auto position = std::find(items_.begin(), items_.end(), element);
    return position == items_.end() ? kNotFound : position - items_.begin();
  }

  // The element at an index (bounds-checked).
  T *At(size_t index) const { return items_.at(index); }
  T *operator[](size_t index) const { return items_.at(index); }
  size_t Count() const { return items_.size(); }
  bool IsEmpty() const { return items_.empty(); }
  bool IsSorted() const { return static_cast<bool>(compare_); }

  // Takes the element at an index out of the vector and returns it (the caller still owns it).
  T *RemoveAt(size_t index) {
    T *element = items_.at(index);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    return element;
  }
  // Forgets every element (their owners destroy them).
  void Clear() { items_.clear(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  // Grows by at least the step, doubling beyond it so that long lists do not copy quadratically.
  void Reserve(size_t needed) {
    if (needed <= items_.capacity()) return;
    items_.reserve(std::max({needed, items_.capacity() + growBy_, items_.capacity() * 2}));
  }

  size_t growBy_;
  Compare compare_;
  std::vector<T *> items_;
};
