#include "controller_link.h"

#include <cstring>
#include <ostream>

#include "interruption.h"
#include "monitoring/password.h"
#include "strategy/strategy_locator.h"
#include "traffic_log.h"

namespace zvr::cli {

namespace {

StrategyLocator Locator(const StrategySearchPath& search) {
    return [search](const std::string& name) { return LocateStrategyFile(name, search); };
}

// The log's folder is made before the link's log is created in it.
std::string PreparedLogPath(const CommandContext& context) {
    const std::string path = TrafficLogPath(context.logPath);
    MakeTrafficLogFolder(path);
    return path;
}

}  // namespace

StrategySearchPath SearchPathFor(const CommandContext& context, const Arguments& args) {
    std::vector<std::string> dirs = args.values("--strategy-dir");
    dirs.insert(dirs.end(), context.strategyDirs.begin(), context.strategyDirs.end());
    return StrategySearchPath::FromEnvironment(dirs);
}

void TrafficLogNotice::Watch(const CLogFile& log) {
    path_ = log.path();
    error_ = log.writeErrorState();
}

void TrafficLogNotice::Report() {
    if (said_ || error_ == nullptr || error_->load() == 0) return;
    said_ = true;
    context_.err << "zvr-cli: the traffic log " << path_
                 << " cannot be written: " << std::strerror(error_->load())
                 << "; going on without it\n"
                 << std::flush;
}

ControllerLink::ControllerLink(CommandContext& context, const Arguments& args)
    : logNotice(context),
      search(SearchPathFor(context, args)),
      document(PreparedLogPath(context)),
      session(document, context.prompt, Locator(search)) {
    logNotice.Watch(document.Log());
    // From here on a signal must not end the program before the controller is told to stop.
    ClearInterruption();
    CatchInterruptions();
    session.SetInterrupted(Interrupted);
}

int ControllerLink::Connect(CommandContext& context, std::string_view command,
                            const Arguments& args) {
    const std::string* port = args.value("--port");
    if (port == nullptr) return context.fail(command, kExitUsage, "--port NAME is required");
    if (!session.Connect(*port)) {
        std::string text = session.failure();
        if (!session.unfoundStrategy().empty())
            text += " (looked in " + SearchedFoldersText(search) + ")";
        return context.fail(command, kExitLink, text);
    }
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
