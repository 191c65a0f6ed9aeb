#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zvr {

// Writes a file so that it is never lost half-way: the text goes to a temporary file beside
// the target, which takes the target's place only once it is complete and on disk (the file
// and the folder's entry). Until then, or when writing fails, the target keeps what it had.
// A target that is a link stays a link (the file it names is replaced), and the new file
// keeps the old one's permissions.
//
// Every temporary file is named ".NAME.tmp-PID-N-A" beside the target NAME; opening removes
// those of the same target whose process has gone (one killed while writing).
class ReplacingFile {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();  // removes a temporary file that was not committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file. False when the target exists but may not be written, or
    // its folder takes no new file.
    bool open();
    // Whether open() would succeed, leaving no file behind: a check before long work whose
    // result is written only at the end.
    bool writable();
    // False when the bytes could not all be written (the disk is full, ...).
    bool write(std::string_view bytes);
    // Puts the written bytes in place of the target, or creates it. False on failure, and
    // the target is untouched.
    bool commit();
    // Drops what was written; the target keeps what it had.
    void abandon();

    // Runs a writer that opens files by their path on the temporary file. False, with the
    // temporary file dropped, when it failed.
    bool Fill(const std::function<bool(const std::string& temporaryPath)>& fill);

    // The system's reason the last step failed ("No space left on device"), for a message
    // that names the target with it.
    std::string failure() const;
    int error() const { return error_; }

    bool targetExists() const;
    // The temporary file while it is open, for a writer that opens files by their path.
    const std::string& temporaryPath() const { return temporary_; }

private:
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    int targetMode_ = -1;  // the permissions an existing target had, kept by the new file
    int error_ = 0;        // errno of the step that failed last
};

// Writes target through a ReplacingFile whose temporary path fill writes (for writers that
// open files by their path); false, with the target untouched and the system's reason in
// failure, when any step fails.
bool ReplaceFileWith(const std::string& target,
                     const std::function<bool(const std::string& temporaryPath)>& fill,
                     std::string* failure = nullptr);

}  // namespace zvr
