// SPDX-License-Identifier: MIT
#pragma once

// What fuzz_extract plants in the target folder before every run, and so
// what the mutator likes to name entries and themes after: a link to a
// folder outside the target, a link that points nowhere, a link to a file
// outside, and a FIFO (opening it for writing blocks forever).

namespace PlantedNames {

inline constexpr const char *folderLink = "link";
inline constexpr const char *danglingLink = "dangling";
inline constexpr const char *fileLink = "filelink";
inline constexpr const char *fifo = "fifo";

inline constexpr const char *all[] = {folderLink, danglingLink, fileLink, fifo};

// The library writes each resource to a temporary name that starts with this
// and renames it into place; none may stay behind.
inline constexpr const char *temporaryPrefix = ".velmoro-";

} // namespace PlantedNames
