#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace zvr {

// Opens a file for reading in binary mode, only when it is a regular file: a directory, a FIFO
// or a device is "cannot be opened" (null), and opening without blocking means a FIFO with no
// writer cannot hang the caller, nor a device feed it without end.
std::FILE* OpenRegularFile(const std::string& path);

// The whole of a regular file (opened as OpenRegularFile does); nothing when it cannot be opened
// or a read fails.
std::optional<std::string> ReadRegularFile(const std::string& path);

// Why OpenRegularFile refuses path, in the system's words ("No such file or directory",
// "Permission denied", "Is a directory", "not a regular file"); empty when it opens.
std::string OpenFailureReason(const std::string& path);

}  // namespace zvr
