#include "command_ui.h"

#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "command.h"

namespace zvr::cli {

CommandUi::CommandUi(CommandContext& context, std::vector<std::string> comments)
    : context_(context), comments_(std::move(comments)), terminal_(::isatty(STDERR_FILENO)) {}

void CommandUi::ShowProgress(const ProgressState& state) {
    if (!terminal_ || state.maximum <= 0) return;
    const int width = 30;
    const int done = width * std::clamp(state.position, 0, state.maximum) / state.maximum;
    context_.err << "\r[" << std::string(static_cast<size_t>(done), '#')
                 << std::string(static_cast<size_t>(width - done), ' ') << "] " << state.position
                 << '/' << state.maximum << ' ' << state.line2 << "\x1b[K" << std::flush;
    shown_ = true;
}

void CommandUi::HideProgress() {
    if (shown_) context_.err << "\r\x1b[K" << std::flush;
    shown_ = false;
}

bool CommandUi::EditComments(DefinitionSet& set, const std::string&) {
    set.comments.clear();
    for (const std::string& text : comments_)
        set.comments.append({0, text});
    return true;
}

std::optional<std::string> CommandUi::ShowText(const TextDialogRequest& request) {
    text_ = request.text;
    return std::nullopt;  // Close: no log file
}

}  // namespace zvr::cli
