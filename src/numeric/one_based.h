#pragma once
// One-based arrays, so that formulas read as they are written: x(i), coef(k, j). Array1 and
// Array2 have a fixed size; Vector1 a size set at run time (a block's classes, a run's slots).
// Two-dimensional arrays are stored column by column (the first index varies fastest).
// Indices are checked by assert in debug builds; callers keep them in range in every build.

#include <cassert>
#include <cstddef>
#include <vector>

namespace kelvaro {

template <typename T, int N>
struct Array1 {
  T v[N];

  T& operator()(int i) {
    assert(i >= 1 && i <= N && "Array1 index out of range");
    return v[i - 1];
  }
  const T& operator()(int i) const {
    assert(i >= 1 && i <= N && "Array1 index out of range");
    return v[i - 1];
  }
  T* data() { return v; }
  const T* data() const { return v; }
  static constexpr int size() { return N; }
};

template <typename T, int R, int C>
struct Array2 {
  T v[R * C];

  T& operator()(int i, int j) {
    assert(i >= 1 && i <= R && j >= 1 && j <= C && "Array2 index out of range");
    return v[(j - 1) * R + (i - 1)];
  }
  const T& operator()(int i, int j) const {
    assert(i >= 1 && i <= R && j >= 1 && j <= C && "Array2 index out of range");
    return v[(j - 1) * R + (i - 1)];
  }
  // Start of column j (rows 1..R follow contiguously).
  T* column(int j) {
    assert(j >= 1 && j <= C && "Array2 column out of range");
    return &v[(j - 1) * R];
  }
  static constexpr int rows() { return R; }
  static constexpr int cols() { return C; }
};

// x(1..size()), zero-filled when made or grown.
template <typename T>
class Vector1 {
 public:
  Vector1() = default;
  explicit Vector1(int n) : v_(static_cast<std::size_t>(n)) {}

  T& operator()(int i) {
    assert(i >= 1 && i <= size() && "Vector1 index out of range");
    return v_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator()(int i) const {
    assert(i >= 1 && i <= size() && "Vector1 index out of range");
    return v_[static_cast<std::size_t>(i - 1)];
  }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  int size() const { return static_cast<int>(v_.size()); }
  // Keeps x(1..min(n, size())); new elements are 0.
  void resize(int n) { v_.resize(static_cast<std::size_t>(n)); }

 private:
  std::vector<T> v_;
};

}  // namespace kelvaro
