#pragma once

#include <string>
#include <string_view>

namespace zvr {

// Writes a file so that it is never lost half-way: the text goes to a temporary file beside
// the target, which takes the target's place only once it is complete and on disk. Until
// then, or when writing fails, the target keeps what it had.
class ReplacingFile {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();  // removes a temporary file that was not committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file. False when the target exists but may not be written, or
    // its folder takes no new file.
    bool open();
    // False when the bytes could not all be written (the disk is full, ...).
    bool write(std::string_view bytes);
    // Puts the written bytes in place of the target, or creates it. False on failure, and
    // the target is untouched.
    bool commit();
    // Drops what was written; the target keeps what it had.
    void abandon();

    bool targetExists() const;
    // The temporary file while it is open, for a writer that opens files by their path.
    const std::string& temporaryPath() const { return temporary_; }

private:
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    int targetMode_ = -1;  // the permissions an existing target had, kept by the new file
};

}  // namespace zvr
