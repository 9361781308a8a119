#pragma once
// The library's exceptions as Python users expect them:
//   refused input (a table or Darwin Core archive kelvaro-prep or kelvaro-batch refuses, a planning
//   request, a run's refusal)            -> kelvaro.InputError, a ValueError whose message is the
//   programs' own
//                          (without their names), with .file, .line, .column and .reason where the
//                          refusal has them (None where not)
//   a file that cannot be read (tools::ReadError)              -> OSError
//   memory that ran out (batch::OutOfMemory, std::bad_alloc)   -> MemoryError
// Anything else stays pybind11's (RuntimeError). Python exceptions raised meanwhile (Ctrl-C's
// KeyboardInterrupt) pass through as they are.

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

// Makes kelvaro._core.InputError and registers the translation.
void register_errors(pybind11::module_& m);

// Raises kelvaro.InputError with `message` and, when known, where the refused input is.
[[noreturn]] void raise_input_error(const std::string& message,
                                    const std::optional<std::string>& file = std::nullopt,
                                    std::optional<long> line = std::nullopt,
                                    std::optional<long> column = std::nullopt,
                                    const std::optional<std::string>& reason = std::nullopt);
