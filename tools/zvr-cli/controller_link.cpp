#include "controller_link.h"

#include "strategy/strategy_locator.h"
#include "views/password.h"

namespace zvr::cli {

namespace {

StrategyLocator Locator(CommandContext& context, const Arguments& args) {
    std::vector<std::string> dirs;
    if (const std::string* dir = args.value("--strategy-dir")) dirs.push_back(*dir);
    dirs.insert(dirs.end(), context.strategyDirs.begin(), context.strategyDirs.end());
    const StrategySearchPath search = StrategySearchPath::FromEnvironment(dirs);
    return [search](const std::string& name) { return LocateStrategyFile(name, search); };
}

}  // namespace

ControllerLink::ControllerLink(CommandContext& context, const Arguments& args)
    : document(context.logPath), session(document, context.prompt, Locator(context, args)) {}

bool ControllerLink::Connect(CommandContext& context, std::string_view command,
                             const Arguments& args, int& exitCode) {
    const std::string* port = args.value("--port");
    if (port == nullptr) {
        exitCode = context.fail(command, kExitUsage, "--port NAME is required");
        return false;
    }
    if (!session.Connect(*port)) {
        exitCode = context.fail(command, kExitLink, session.failure());
        return false;
    }
    return true;
}

bool ControllerLink::OpenAccess(CommandContext& context, const std::string& password) {
    auto answers = std::make_shared<QueueReceiver>();
    PasswordSession check(document, context.prompt, PasswordMode::CheckOnly,
                          [answers] { return ReceiverHandle(answers); });
    check.Open();
    check.entry = password;
    check.Ok();
    while (check.step == PasswordSession::kWaiting && !check.result) {
        const auto message = answers->wait(session.ReplyLimit());
        if (!message) return false;
        check.OnMessage(*message);
    }
    return check.result.value_or(false);
}

}  // namespace zvr::cli
