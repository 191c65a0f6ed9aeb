#include "controller_link.h"

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

std::string JsonText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            // Strings are Latin-1: one byte, one code point.
            quoted += static_cast<char>(0xC0 | (static_cast<unsigned char>(c) >> 6));
            quoted += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

ControllerLink::ControllerLink(CommandContext& context, const Arguments& args)
    : document(PreparedLogPath(context)),
      session(document, context.prompt, Locator(context, args)) {}

int ControllerLink::Connect(CommandContext& context, std::string_view command,
                            const Arguments& args) {
    const std::string* port = args.value("--port");
    if (port == nullptr) return context.fail(command, kExitUsage, "--port NAME is required");
    if (!session.Connect(*port)) return context.fail(command, kExitLink, session.failure());
    return kExitOk;
}

bool ControllerLink::OpenAccess(CommandContext& context, const std::string& password) {
    auto answers = std::make_shared<QueueReceiver>();
    PasswordSession check(document, context.prompt, PasswordMode::CheckOnly,
                          [answers] { return ReceiverHandle(answers); });
    check.Open();
    EnterPassword(check, password);
    return AwaitPasswordAnswers(check, *answers, session.ReplyLimit()) &&
           check.result.value_or(false);
}

void EnterPassword(PasswordSession& session, const std::string& text) {
    session.entry = text;
    session.Ok();
}

bool AwaitPasswordAnswers(PasswordSession& session, QueueReceiver& answers,
                          std::chrono::milliseconds limit) {
    while (session.step == PasswordSession::kWaiting && !session.result) {
        const auto message = answers.wait(limit);
        if (!message) return false;
        session.OnMessage(*message);
    }
    return true;
}

}  // namespace zvr::cli
