// password: the Password Management flows on the command line, through the same session the
// dialog shows.

#include <ostream>

#include "calibration/restore_points.h"
#include "command.h"
#include "commands.h"
#include "controller_link.h"
#include "monitoring/password.h"

namespace zvr::cli {

int RunPassword(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error =
            parsed.parse(args, {}, {"--port", "--strategy-dir", "--check", "--change", "--old"})) {
        return context.fail("password", kExitUsage, *error);
    }
    const std::string* check = parsed.value("--check");
    const std::string* change = parsed.value("--change");
    if ((check == nullptr) == (change == nullptr)) {
        return context.fail("password", kExitUsage, "give --check TEXT or --change NEW");
    }
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "password", parsed); code != kExitOk) return code;
    auto answers = std::make_shared<QueueReceiver>();
    const auto limit = link.session.ReplyLimit();
    PasswordSession session(link.document, context.prompt,
                            check ? PasswordMode::CheckOnly : PasswordMode::Change,
                            [answers] { return ReceiverHandle(answers); });
    JournalPasswordChanges(session, RestorePointsOfTheProgram(),
                           UnitIdentity::Of(link.document.GetIdentification()), context.prompt);
    session.Open();
    if (session.step == PasswordSession::kCheck) {
        const std::string* current = check ? check : parsed.value("--old");
        if (current == nullptr) {
            return context.fail("password", kExitUsage,
                                "access is closed: give the current password with --old TEXT");
        }
        EnterPassword(session, *current);
        if (!AwaitPasswordAnswers(session, *answers, limit))
            return context.fail("password", kExitLink, kCommunicationError);
        if (session.step == PasswordSession::kCheck && !session.result) {
            context.err << session.status << '\n';
            return kExitNo;  // "Invalid Password!"
        }
    }
    if (check) {
        context.out << "access open\n";
        return kExitOk;
    }
    if (session.step != PasswordSession::kNewPassword) {
        return context.fail("password", kExitUsage, session.status);
    }
    EnterPassword(session, *change);
    if (session.step != PasswordSession::kRepeat) {
        return context.fail("password", kExitUsage, "the new password was refused");
    }
    EnterPassword(session, *change);
    if (!AwaitPasswordAnswers(session, *answers, limit) ||
        session.status.find("successfully") == std::string::npos) {
        // "password not updated" holds only when the controller was found not to have it.
        std::string text = session.status;
        if (link.document.LastWriteCheck() == WriteCheck::Unreadable) {
            text +=
                " (the write was not confirmed and could not be read back: the controller "
                "may hold the new password or the old one)";
        }
        return context.fail("password", kExitLink, text);
    }
    context.out << session.status << '\n';
    return kExitOk;
}

}  // namespace zvr::cli
