#pragma once
// Writing the results where the user asked, with nothing half-written left behind: a file is
// written to a temporary name in its own folder and renamed over FILE only when every byte is
// written and closed; standard output is written and checked. A failure gives the text
// "cannot write <what>: <reason>" ("cannot write plan.csv: No space left on device").

#include <optional>
#include <string>

namespace kelvaro::plan {

// Writes text to `path` (replaced whole; the new file gets the permissions a newly created file
// would) and returns nothing, or the failure's text; a temporary file is removed on failure.
std::optional<std::string> write_file_atomically(const std::string& path, const std::string& text);

// Writes text to descriptor fd (retrying interrupted and partial writes); `what` names it in the
// failure's text ("standard output").
std::optional<std::string> write_descriptor(int fd, const std::string& text,
                                            const std::string& what);

}  // namespace kelvaro::plan
