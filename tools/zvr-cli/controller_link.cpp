#include "controller_link.h"

#include "interruption.h"
#include "monitoring/password.h"
#include "strategy/strategy_locator.h"
#include "traffic_log.h"

namespace zvr::cli {

namespace {

StrategyLocator Locator(CommandContext& context, const Arguments& args) {
    std::vector<std::string> dirs;
    if (const std::string* dir = args.value("--strategy-dir")) dirs.push_back(*dir);
    dirs.insert(dirs.end(), context.strategyDirs.begin(), context.strategyDirs.end());
    const StrategySearchPath search = StrategySearchPath::FromEnvironment(dirs);
    return [search](const std::string& name) { return LocateStrategyFile(name, search); };
}

// The log's folder is made before the link's log is created in it.
std::string PreparedLogPath(const CommandContext& context) {
    const std::string path = TrafficLogPath(context.logPath);
    MakeTrafficLogFolder(path);
    return path;
}

}  // namespace

ControllerLink::ControllerLink(CommandContext& context, const Arguments& args)
    : document(PreparedLogPath(context)),
      session(document, context.prompt, Locator(context, args)) {
    // From here on a signal must not end the program before the controller is told to stop.
    ClearInterruption();
    CatchInterruptions();
    session.SetInterrupted(Interrupted);
}

int ControllerLink::Connect(CommandContext& context, std::string_view command,
                            const Arguments& args) {
    const std::string* port = args.value("--port");
    if (port == nullptr) return context.fail(command, kExitUsage, "--port NAME is required");
    if (!session.Connect(*port)) return context.fail(command, kExitLink, session.failure());
    return kExitOk;
}

ControllerLink::Access ControllerLink::OpenAccess(CommandContext& context,
                                                  const std::string& password) {
    auto answers = std::make_shared<QueueReceiver>();
    PasswordSession check(document, context.prompt, PasswordMode::CheckOnly,
                          [answers] { return ReceiverHandle(answers); });
    check.Open();
    EnterPassword(check, password);
    if (!AwaitPasswordAnswers(check, *answers, session.ReplyLimit())) return Access::LinkFailed;
    return check.result.value_or(false) ? Access::Open : Access::Refused;
}

void EnterPassword(PasswordSession& session, const std::string& text) {
    session.entry = text;
    session.Ok();
}

bool AwaitPasswordAnswers(PasswordSession& session, QueueReceiver& answers,
                          std::chrono::milliseconds limit) {
    while (session.step == PasswordSession::kWaiting && !session.result) {
        const auto message = AwaitUnlessInterrupted(answers, limit);
        if (!message) return false;
        session.OnMessage(*message);
        // A check or write whose answer was lost: the session would wait for ever.
        if (message->wParam == 0) return false;
    }
    return true;
}

}  // namespace zvr::cli
