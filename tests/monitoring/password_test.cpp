// The password code, and the check and change sequences against a controller on a pty.
#include "monitoring/password.h"

#include <gtest/gtest.h>

#include "comm/data_server.h"
#include "support/memory_controller.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using namespace std::chrono_literals;

TEST(PasswordCodeTest, Codes) {
    struct Case {
        std::string text;
        uint16_t code;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 0xC462},
        {"abc def", 0xC462},  // the text ends at its first space
        {"ABC", 0x4142 + 0x4300},
        {"12345678901234", PasswordCode("12345678901234")},
        {"123456789012345", 0},  // more than 14 characters
        {"a\xFF", 0x6100 - 1},   // the second of a pair counts signed
        {"\xFF\x7F", 0xFF7F},    // the first counts unsigned
    };
    for (const Case& c : cases)
        EXPECT_EQ(PasswordCode(c.text), c.code) << c.text;
    EXPECT_NE(PasswordCode("12345678901234"), 0);
    EXPECT_NE(PasswordCode("Secret"), PasswordCode("secret"));
}

// A session on a document linked to a controller whose password is "abc".
class PasswordSessionTest : public testing::Test {
protected:
    void SetUp() override {
        controller.setWord(0x4000, PasswordCode("abc"));
        ScalarDef password{.scaling = {'$', 2, 0}, .eepromAddress = 0x4000, .name = "PASSWORD"};
        document.definitions.scalars.insert(password);
        ASSERT_EQ(document.OpenPort(controller.path(), 25), 0);
    }
    void TearDown() override { document.Close(); }

    PasswordSession make(PasswordMode mode) {
        return PasswordSession(document, prompt, mode, [this] { return receiver; });
    }
    // Waits for the controller's answer and hands it to the session.
    void answer(PasswordSession& session) {
        const auto message = receiver->wait(3s);
        ASSERT_TRUE(message);
        session.OnMessage(*message);
    }
    void enter(PasswordSession& session, const std::string& text) {
        session.entry = text;
        session.Ok();
    }

    test::MemoryController controller;
    CDataServer document;
    test::ScriptedPrompt prompt;
    std::shared_ptr<QueueReceiver> receiver = std::make_shared<QueueReceiver>();
};

TEST_F(PasswordSessionTest, CheckOnlyEndsWithOkForTheRightPassword) {
    PasswordSession session = make(PasswordMode::CheckOnly);
    session.Open();
    EXPECT_EQ(session.prompt, "Enter Password and Click OK");
    EXPECT_EQ(session.status, "Enter Password and Click OK");

    enter(session, "abd");
    EXPECT_EQ(session.status, "Querying controller, please wait.");
    EXPECT_EQ(session.step, PasswordSession::kWaiting);
    answer(session);
    EXPECT_EQ(session.status, "Invalid Password!");
    EXPECT_EQ(session.entry, "");
    EXPECT_EQ(session.step, PasswordSession::kCheck);
    EXPECT_FALSE(session.result);

    enter(session, "abc");
    answer(session);
    EXPECT_EQ(session.result, std::optional<bool>(true));
    EXPECT_TRUE(document.AccessOpen());
}

TEST_F(PasswordSessionTest, ChangeChecksTheCurrentPasswordThenWritesTheNewCode) {
    PasswordSession session = make(PasswordMode::Change);
    session.Open();
    EXPECT_EQ(session.prompt, "Current Password:");
    EXPECT_EQ(session.status, "Enter the current Password and Click OK");
    enter(session, "abc");
    answer(session);
    EXPECT_EQ(session.status, "Password Change Mode.");
    EXPECT_EQ(session.prompt, "Enter new Password and click OK:");
    EXPECT_EQ(session.step, PasswordSession::kNewPassword);

    enter(session, "NewPass");
    EXPECT_EQ(session.prompt, "Re-enter new password and click OK:");
    EXPECT_EQ(session.entry, "");
    enter(session, "NewPass");
    EXPECT_EQ(session.status, "Writing new password. Please wait...");
    EXPECT_EQ(session.prompt, "Password:");
    answer(session);
    EXPECT_EQ(session.status, "The password was successfully updated in the controller.");
    EXPECT_EQ(session.prompt, "");
    EXPECT_FALSE(session.entryVisible);
    EXPECT_FALSE(session.cancelEnabled);
    EXPECT_EQ(controller.word(0x4000), PasswordCode("NewPass"));

    session.Ok();
    EXPECT_EQ(session.result, std::optional<bool>(true));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(PasswordSessionTest, NewPasswordEntriesThatAreRefused) {
    document.RequestIdentify(receiver, 1, 2, PasswordCode("abc"));  // access open at once
    ASSERT_TRUE(receiver->wait(3s));
    ASSERT_TRUE(document.AccessOpen());
    PasswordSession session = make(PasswordMode::Change);
    session.Open();
    ASSERT_EQ(session.step, PasswordSession::kNewPassword);

    enter(session, "");
    EXPECT_EQ(prompt.texts().back(), "Password needs to be at least 1 digit long");
    EXPECT_EQ(prompt.shown.back().caption, "Password Error");
    EXPECT_EQ(prompt.shown.back().icon, PromptIcon::Error);

    // Its code would be 0, which every overlong entry matches.
    enter(session, "123456789012345");
    EXPECT_EQ(session.step, PasswordSession::kNewPassword);
    EXPECT_EQ(session.entry, "");

    enter(session, "one");
    enter(session, "two");
    EXPECT_EQ(prompt.texts().back(), "1st and 2nd Passwords did not match!");
    EXPECT_EQ(session.prompt, "Enter new Password and click OK:");
    EXPECT_EQ(session.step, PasswordSession::kNewPassword);
    EXPECT_EQ(controller.requestsOfType(kWrite), 0);
}

TEST_F(PasswordSessionTest, ASilentControllerLeavesOnlyCancel) {
    controller.setSilent(true);
    PasswordSession session = make(PasswordMode::CheckOnly);
    session.Open();
    enter(session, "abc");
    answer(session);
    EXPECT_EQ(session.status, "There was a communication error.");
    session.Ok();
    EXPECT_FALSE(session.result);
    session.entry = "typed";
    session.Cancel();
    EXPECT_EQ(session.result, std::optional<bool>(false));
    EXPECT_EQ(session.entry, "");
}

TEST_F(PasswordSessionTest, AFailedWriteKeepsTheOldPassword) {
    document.RequestIdentify(receiver, 1, 2, PasswordCode("abc"));
    ASSERT_TRUE(receiver->wait(3s));
    PasswordSession session = make(PasswordMode::Change);
    session.Open();
    enter(session, "xyz");
    controller.setSilent(true);
    enter(session, "xyz");
    answer(session);
    EXPECT_EQ(session.status, "There was a communication error, password not updated!");
    EXPECT_EQ(session.step, PasswordSession::kFinished);
    EXPECT_EQ(controller.word(0x4000), PasswordCode("abc"));
    session.Cancel();  // acts as OK once finished
    EXPECT_EQ(session.result, std::optional<bool>(true));
}

TEST_F(PasswordSessionTest, AStrategyWithoutPassword) {
    document.definitions.scalars.clear();
    document.RequestIdentify(receiver, 1, 2, PasswordCode("abc"));
    ASSERT_TRUE(receiver->wait(3s));
    PasswordSession session = make(PasswordMode::Change);
    session.Open();
    EXPECT_EQ(session.status, "This controller does not have an editable password.");
    EXPECT_EQ(session.prompt, "Please enter the controller password:");
    EXPECT_EQ(session.step, PasswordSession::kCheck);
}

}  // namespace
}  // namespace zvr
