#pragma once
// The names and paths behind checked output's files (kelvaro/checked_output.h): links followed,
// temporary names, what a killed run left, and the mode a new file takes.

#include <sys/types.h>

#include <string>

#include "kelvaro/checked_output.h"

namespace kelvaro::tools {

// `mode` less the process's umask: the mode that a file or folder made with `mode` takes.
mode_t less_umask(mode_t mode);

// `path` with the symbolic links at its end followed, to the file or folder they name, existing
// or not: "out/reports" -> "/data/reports" when out/reports is a link to /data/reports; a path
// that is no link comes back as it is. Throws WriteError(what, ELOOP) for a chain that does not
// end.
std::string followed_links(const std::string& path, const std::string& what);

// Temporary files and folders carry a name that says whose they are, the process that made them
// and a unique end: ".parameters.csv.kelvaro-tmp-4711-Ab3dEf". The pattern for mkstemp/mkdtemp
// of `name` in `folder` ("DIR/.NAME.kelvaro-tmp-PID-XXXXXX").
std::string temporary_pattern(const std::string& folder, const std::string& name);
// Removes from `folder` the temporary files and folders that an earlier run left behind when it
// was killed: those of a process that no longer runs and that no one holds locked. Anything
// else, and any failure to remove, is left alone.
void remove_stale_temporaries(const std::string& folder);

}  // namespace kelvaro::tools
