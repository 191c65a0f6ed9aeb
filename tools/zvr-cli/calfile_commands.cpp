// save and compare: the Save and Compare commands of the program, on the command line. The
// same walk and file handling run; questions are answered from the options, and the compare
// report goes to standard output.

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <ostream>

#include "calfile/cal_file_operations.h"
#include "command.h"
#include "commands.h"
#include "common/user_prompt.h"
#include "controller_link.h"

namespace zvr::cli {

namespace {

constexpr const char* kEditCommentsQuestion = "Do you wish to edit the new Cal File Comments?";

// The terminal prompt, with the files of the command line as the file choices and the comment
// question answered by whether comments were given. Remembers every text shown.
class CommandPrompt : public UserPrompt {
public:
    CommandPrompt(UserPrompt& terminal, std::deque<std::string> files, bool comments)
        : terminal_(terminal), files_(std::move(files)), comments_(comments) {}

    PromptAnswer show(const PromptMessage& message) override {
        shown.push_back(message.text);
        if (message.text == kEditCommentsQuestion) {
            return comments_ ? PromptAnswer::Yes : PromptAnswer::No;
        }
        return terminal_.show(message);
    }

    std::optional<std::string> chooseFile(const FileChoice&) override {
        if (files_.empty()) return std::nullopt;
        std::string file = files_.front();
        files_.pop_front();
        return file;
    }

    bool saw(std::string_view text) const {
        for (const std::string& line : shown) {
            if (line.find(text) != std::string::npos) return true;
        }
        return false;
    }

    std::vector<std::string> shown;

private:
    UserPrompt& terminal_;
    std::deque<std::string> files_;
    bool comments_;
};

// Progress on the terminal, the comments of the command line, the report on standard output.
class CommandUi : public CalFileUi {
public:
    CommandUi(CommandContext& context, std::vector<std::string> comments)
        : context_(context), comments_(std::move(comments)), terminal_(::isatty(STDERR_FILENO)) {}

    void ShowProgress(const ProgressState& state) override {
        if (!terminal_ || state.maximum <= 0) return;
        const int width = 30;
        const int done = width * std::clamp(state.position, 0, state.maximum) / state.maximum;
        context_.err << "\r[" << std::string(static_cast<size_t>(done), '#')
                     << std::string(static_cast<size_t>(width - done), ' ') << "] "
                     << state.position << '/' << state.maximum << ' ' << state.line2 << "\x1b[K"
                     << std::flush;
        shown_ = true;
    }

    void HideProgress() override {
        if (shown_) context_.err << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

    bool EditComments(DefinitionSet& set, const std::string&) override {
        set.comments.clear();
        for (const std::string& text : comments_)
            set.comments.append({0, text});
        return true;
    }

    std::optional<std::string> ShowText(const TextDialogRequest& request) override {
        context_.out << request.text << std::flush;
        reportShown = true;
        return std::nullopt;  // Close: no log file
    }

    void OpenWithShell(const std::string&) override {}

    bool reportShown = false;

private:
    CommandContext& context_;
    std::vector<std::string> comments_;
    bool terminal_;
    bool shown_ = false;
};

// Runs one operation to its end, handing it the link's notifications.
bool Drive(CalFileOperations& operations, QueueReceiver& answers, std::chrono::milliseconds limit) {
    while (operations.busy()) {
        const auto message = answers.wait(limit);
        if (!message) {
            operations.Abort();
            return false;
        }
        operations.Handle(*message);
    }
    return true;
}

}  // namespace

int RunSave(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    std::vector<std::string> comments;
    std::vector<std::string> rest;
    // --comment may be given more than once.
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--comment" && i + 1 < args.size()) {
            comments.push_back(args[++i]);
        } else {
            rest.push_back(args[i]);
        }
    }
    if (auto error = parsed.parse(rest, {}, {"--port", "--strategy-dir"})) {
        return context.fail("save", kExitUsage, *error);
    }
    if (parsed.positional.size() != 1)
        return context.fail("save", kExitUsage, "usage: save OUT.ZVR");
    ControllerLink link(context, parsed);
    int exitCode = kExitOk;
    if (!link.Connect(context, "save", parsed, exitCode)) return exitCode;
    CommandPrompt prompt(context.prompt, {parsed.positional[0]}, !comments.empty());
    CommandUi ui(context, comments);
    auto answers = std::make_shared<QueueReceiver>();
    CalFileOperations operations(
        {link.document, prompt, ui, false, std::filesystem::current_path().string()}, answers);
    operations.Save();
    if (!operations.busy() && !prompt.saw("Created Successfully")) {
        return context.fail("save", kExitUsage, "cannot write " + parsed.positional[0]);
    }
    if (!Drive(operations, *answers, link.session.ReplyLimit())) {
        return context.fail("save", kExitLink, "Cal Read Error. Operation Aborted");
    }
    if (prompt.saw("Cal Read Error")) return kExitLink;
    if (!prompt.saw("Created Successfully")) return kExitUsage;
    return kExitOk;
}

int RunCompare(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {}, {"--port", "--strategy-dir"})) {
        return context.fail("compare", kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail("compare", kExitUsage, "usage: compare FILE");
    }
    ControllerLink link(context, parsed);
    int exitCode = kExitOk;
    if (!link.Connect(context, "compare", parsed, exitCode)) return exitCode;
    CommandPrompt prompt(context.prompt, {parsed.positional[0]}, false);
    CommandUi ui(context, {});
    auto answers = std::make_shared<QueueReceiver>();
    CalFileOperations operations(
        {link.document, prompt, ui, false, std::filesystem::current_path().string()}, answers);
    operations.Compare();
    if (!operations.busy())
        return context.fail("compare", kExitUsage, "cannot read " + parsed.positional[0]);
    if (!Drive(operations, *answers, link.session.ReplyLimit()) || prompt.saw("Cal Read Error")) {
        return kExitLink;
    }
    if (prompt.saw("File Matches Controller")) {
        context.out << "File Matches Controller\n";
        return kExitOk;
    }
    return ui.reportShown ? kExitNo : kExitLink;
}

}  // namespace zvr::cli
