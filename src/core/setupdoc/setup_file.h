#pragma once

#include <string>
#include <string_view>

namespace zvr {

class ReplacingFile;
class SetupNode;
class UserPrompt;

// The steps that view setup (*.zvf) and plot setup (*.zpf) files share.

// The file name without its folders ("/" and "\" both separate), for captions.
std::string SetupFileName(std::string_view path);

// Parses the file into root. False, with "Could not open file for reading" shown, when the
// file cannot be read; only a regular file is read, so a FIFO or a device never blocks or
// feeds the reader without end, and the message then says it is not a regular file.
bool ReadSetupFile(const std::string& path, SetupNode& root, UserPrompt& prompt);

// Opens the replacement of the target file. False, with "Could not open file for writing"
// shown, when the file cannot be written.
bool OpenSetupFileForWriting(ReplacingFile& file, UserPrompt& prompt);

// Prints document into the file and puts it in place of the target. False, with "There was
// an error writing the file." shown, when the text cannot be printed or written; the target
// then keeps what it had.
bool WriteSetupDocument(ReplacingFile& file, const SetupNode& document, UserPrompt& prompt);

}  // namespace zvr
