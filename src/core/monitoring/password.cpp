#include "monitoring/password.h"

#include "comm/data_server.h"
#include "common/user_prompt.h"

namespace zvr {

uint16_t PasswordCode(std::string_view text) {
    if (text.size() > kMaxPasswordLength) return 0;
    text = text.substr(0, text.find(' '));
    uint16_t sum = 0;
    for (size_t i = 0; i < text.size(); i += 2) {
        const auto first = static_cast<uint8_t>(text[i]);
        const int second = i + 1 < text.size() ? static_cast<int8_t>(text[i + 1]) : 0;
        sum = static_cast<uint16_t>(sum + first * 256 + second);
    }
    return sum;
}

PasswordSession::PasswordSession(CDataServer& document, UserPrompt& prompt, PasswordMode mode,
                                 std::function<ReceiverHandle()> receiver)
    : document_(document),
      userPrompt_(prompt),
      mode_(mode),
      receiver_(std::move(receiver)),
      accessOpenAtStart_(document.AccessOpen()) {}

void PasswordSession::Open() {
    if (mode_ == PasswordMode::Change && accessOpenAtStart_) {
        EnterChangeMode();
        return;
    }
    if (mode_ == PasswordMode::Change) {
        prompt = "Current Password:";
        status = "Enter the current Password and Click OK";
    } else {
        prompt = "Enter Password and Click OK";
        status = "Enter Password and Click OK";
    }
    step = kCheck;
    entry.clear();
    entryEnabled = true;
}

void PasswordSession::EnterChangeMode() {
    if (passwordScalar_ == nullptr) {
        passwordScalar_ = document_.definitions.scalars.find("PASSWORD");
        if (passwordScalar_ == nullptr) {
            status = "This controller does not have an editable password.";
            return;
        }
    }
    entry.clear();
    status = "Password Change Mode.";
    prompt = "Enter new Password and click OK:";
    entryEnabled = true;
    step = kNewPassword;
}

void PasswordSession::Ok() {
    switch (step) {
        case kCheck:
            Check();
            break;
        case kFinished:
            result = true;
            break;
        case kNewPassword:
            TakeNewPassword();
            break;
        case kRepeat:
            TakeRepetition();
            break;
        case kWaiting:
            break;
    }
}

void PasswordSession::Check() {
    document_.RequestIdentify(receiver_(), kPasswordChecked, kPasswordCheckFailed,
                              PasswordCode(entry));
    status = "Querying controller, please wait.";
    step = kWaiting;
}

void PasswordSession::TakeNewPassword() {
    if (entry.empty()) {
        userPrompt_.error("Password needs to be at least 1 digit long", "Password Error");
        entry.clear();
        return;
    }
    // A longer text has code 0, the code of the empty text: the controller would be left
    // with a password that any overlong entry matches.
    if (entry.size() > kMaxPasswordLength) {
        userPrompt_.error("Password can not be longer than 14 characters", "Password Error");
        entry.clear();
        return;
    }
    firstNewPassword_ = entry;
    entry.clear();
    prompt = "Re-enter new password and click OK:";
    step = kRepeat;
}

void PasswordSession::TakeRepetition() {
    if (entry != firstNewPassword_) {
        step = kFinished;
        userPrompt_.error("1st and 2nd Passwords did not match!");
        EnterChangeMode();
        return;
    }
    if (beforeChange) {
        if (const auto problem = beforeChange()) {
            step = kFinished;
            userPrompt_.error(*problem);
            EnterChangeMode();
            return;
        }
    }
    prompt = "Password:";
    const uint16_t code = PasswordCode(entry);
    entry.clear();
    status = "Writing new password. Please wait...";
    step = kWaiting;
    document_.RequestWriteScalar(static_cast<uint16_t>(passwordScalar_->eepromAddress), code, 2,
                                 receiver_(), kPasswordWritten, kPasswordWriteFailed);
}

void PasswordSession::Cancel() {
    if (step == kFinished) {
        Ok();
        return;
    }
    entry.clear();
    result = false;
}

void PasswordSession::OnMessage(const PostedMessage& message) {
    switch (message.message) {
        case kPasswordChecked:
            if (!document_.AccessOpen()) {
                entry.clear();
                status = "Invalid Password!";
                step = kCheck;
            } else if (mode_ == PasswordMode::CheckOnly) {
                result = true;
            } else {
                step = kFinished;
                EnterChangeMode();
            }
            break;
        case kPasswordCheckFailed:
            status = "There was a communication error.";
            break;
        case kPasswordWritten:
            step = kFinished;
            status = "The password was successfully updated in the controller.";
            if (afterChange) afterChange();
            prompt.clear();
            entryVisible = false;
            cancelEnabled = false;
            break;
        case kPasswordWriteFailed:
            status = "There was a communication error, password not updated!";
            step = kFinished;
            break;
        default:
            break;
    }
}

}  // namespace zvr
