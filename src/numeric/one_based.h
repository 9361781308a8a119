#pragma once
// One-based fixed arrays, so that formulas read as they are written: x(i), coef(k, j).
// Two-dimensional arrays are stored column by column (the first index varies fastest).
// Indices are checked by assert in debug builds; callers keep them in range in every build.

#include <cassert>
#include <cstddef>

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

}  // namespace kelvaro
