#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "comm/message_receiver.h"

namespace zvr {

class CDataServer;
struct ScalarDef;
class UserPrompt;

// The controller never sees a password's text, only this 16-bit code. A text of more than
// 14 characters gives 0; the text ends at its first space; then each pair of characters adds
// first * 256 + second, the first taken unsigned and the second signed, modulo 65536.
uint16_t PasswordCode(std::string_view text);

inline constexpr size_t kMaxPasswordLength = 14;

// The notifications of a password check and of a password change.
inline constexpr uint32_t kPasswordChecked = 1125;
inline constexpr uint32_t kPasswordCheckFailed = 1126;
inline constexpr uint32_t kPasswordWritten = 1127;
inline constexpr uint32_t kPasswordWriteFailed = 1128;

enum class PasswordMode {
    CheckOnly,  // commands behind the password: a good password ends the session with OK
    Change,     // check the current password unless access is open, then set a new one
};

// One run of the password dialog: what it shows, and the check and change sequences with the
// controller. The dialog copies its edit into `entry` before each call and shows the public
// state afterwards; the command line can drive the same session.
class PasswordSession {
public:
    enum Step { kCheck = 0, kFinished = 1, kNewPassword = 2, kRepeat = 3, kWaiting = 4 };

    // receiver gives the handle each request is answered to.
    PasswordSession(CDataServer& document, UserPrompt& prompt, PasswordMode mode,
                    std::function<ReceiverHandle()> receiver);

    void Open();
    void Ok();
    void Cancel();
    void OnMessage(const PostedMessage& message);

    std::string prompt = "Please enter the controller password:";
    std::string status = "Enter password and click OK.";
    std::string entry;
    bool entryVisible = true;
    bool entryEnabled = true;
    bool cancelEnabled = true;
    Step step = kCheck;
    std::optional<bool> result;  // set when the dialog closes: true OK, false Cancel

    // The change journal's hooks, when the host keeps one: asked before a new password goes
    // out (a reason stops the change, and is shown), told once the controller took it.
    std::function<std::optional<std::string>()> beforeChange;
    std::function<void()> afterChange;

private:
    void EnterChangeMode();
    void Check();
    void TakeNewPassword();
    void TakeRepetition();

    CDataServer& document_;
    UserPrompt& userPrompt_;
    PasswordMode mode_;
    std::function<ReceiverHandle()> receiver_;
    bool accessOpenAtStart_;
    const ScalarDef* passwordScalar_ = nullptr;
    std::string firstNewPassword_;
};

}  // namespace zvr
