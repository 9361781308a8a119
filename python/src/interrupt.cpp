#include "interrupt.h"

namespace py = pybind11;

Interrupt::Interrupt(py::object progress)
    : thread_(std::this_thread::get_id()),
      next_(std::chrono::steady_clock::now() + kInterval),
      progress_(std::move(progress)) {}

Interrupt::~Interrupt() {
  // The objects are released with the GIL held (the entry points hold it again by now).
  py::gil_scoped_acquire gil;
  raised_.reset();
  progress_ = py::object();
}

bool Interrupt::requested(const std::function<std::string()>& progress_text) {
  if (raised_ || std::this_thread::get_id() != thread_) return raised_.has_value();
  const auto now = std::chrono::steady_clock::now();
  if (now < next_) return false;
  next_ = now + kInterval;
  const std::string text = progress_text && !progress_.is_none() ? progress_text() : "";
  py::gil_scoped_acquire gil;
  try {
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    if (!text.empty()) progress_(text);
  } catch (py::error_already_set& e) {
    raised_.emplace(std::move(e));
  }
  return raised_.has_value();
}

void Interrupt::rethrow() {
  if (!raised_) return;
  py::error_already_set e = std::move(*raised_);
  raised_.reset();
  throw e;
}
