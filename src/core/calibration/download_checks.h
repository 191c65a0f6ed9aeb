#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "definitions/model_kind.h"

namespace zvr {

class UserPrompt;

// The questions of a download, for hosts that answer them without a window.
inline constexpr const char* kUnknownFamilyQuestion =
    "Error - The cal file you selected has an unknown type, and may not match your "
    "controller. Abort Download?";
inline constexpr const char* kOtherStrategyQuestion =
    "Error - This file was prepared for different controller strategy. Abort Download?";
inline constexpr const char* kPasswordDiffersQuestion =
    "The Password in the selected file does NOT match the password in the controller.\r\n"
    "YES \t= Change Controller Password.\r\n"
    "NO \t= Download all parameters EXCEPT the password.\r\n"
    "CANCEL \t= Abort the operation.";

// True for the questions ConfirmDownloadTarget asks: a family that differs from the
// controller's, an unknown family, another strategy. Yes aborts each of them.
bool IsDownloadTargetQuestion(std::string_view text);

// Before a cal file goes into a controller: does the file's family match the controller's
// model, and (families that check it: ZEVAR 740 files) its strategy that of the loaded
// strategy? Each mismatch asks the family registry's question, whether to abort; a file of
// unknown family always asks. True when the download goes on.
bool ConfirmDownloadTarget(ModelKind fileKind, const std::string& fileStrategy,
                           const std::string& controllerModel, const std::string& documentStrategy,
                           UserPrompt& prompt);

// What to do with a file's password that differs from the controller's.
enum class PasswordChoice { Write, Skip, Abort };

// Asks when the passwords differ; Write when they are equal.
PasswordChoice ChoosePassword(uint32_t filePassword, uint32_t controllerPassword,
                              UserPrompt& prompt);

}  // namespace zvr
