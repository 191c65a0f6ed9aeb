#include "wizard_answers.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>
#include <system_error>

#include "wizard/wizard_sheet.h"

namespace zvr::cli {

namespace {

using Json = nlohmann::json;

// A string or a number as the text a person would type.
std::optional<std::string> AnswerText(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return std::to_string(value.get<long long>());
    if (value.is_number()) {
        std::string text = value.dump();
        return text;
    }
    if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
    return std::nullopt;
}

// The whole file, or nothing with the system's reason ("Is a directory", "Permission
// denied") in error. A pipe is read to its end, as a shell's redirection gives one.
std::optional<std::string> ReadWhole(const std::string& path, std::string& error) {
    const auto failed = [&] {
        error = "cannot read " + path + ": " + std::generic_category().message(errno);
        return std::nullopt;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failed();
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int reason = errno;
            ::close(fd);
            errno = reason;
            return failed();
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return text;
}

}  // namespace

std::optional<WizardAnswers> WizardAnswers::Load(const std::string& path, std::string& error) {
    const std::optional<std::string> text = ReadWhole(path, error);
    if (!text) return std::nullopt;
    Json root = Json::parse(*text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        error = path + " is not a JSON object";
        return std::nullopt;
    }
    WizardAnswers answers;
    answers.path = path;
    for (const auto& [key, value] : root.items()) {
        if (key == "fields" || key == "questions") {
            if (!value.is_object()) {
                error = path + ": \"" + key + "\" must be an object";
                return std::nullopt;
            }
            auto& into = key == "fields" ? answers.fields : answers.questions;
            for (const auto& [name, answer] : value.items()) {
                auto text = AnswerText(answer);
                if (!text) {
                    error = path + ": the answer to \"" + name + "\" must be a string or number";
                    return std::nullopt;
                }
                into[name] = *text;
            }
        } else if (key == "process") {
            if (!value.is_array()) {
                error = path + ": \"process\" must be a list";
                return std::nullopt;
            }
            for (const Json& item : value) {
                if (!item.is_string()) {
                    error = path + ": \"process\" must list texts";
                    return std::nullopt;
                }
                answers.process.push_back(item.get<std::string>());
            }
        } else if (key == "calibrate") {
            answers.calibrate_ = AnswerText(value);
        } else {
            error = path + ": unknown key \"" + key + "\"";
            return std::nullopt;
        }
    }
    return answers;
}

std::optional<std::string> WizardAnswers::TakeField(const std::string& id) {
    auto at = fields.find(id);
    if (at == fields.end()) return std::nullopt;
    std::string text = at->second;
    fields.erase(at);
    return text;
}

std::optional<std::string> WizardAnswers::question(const std::string& text) const {
    auto at = questions.find(text);
    if (at == questions.end()) return std::nullopt;
    return at->second;
}

std::optional<std::string> WizardAnswers::TakeProcess() {
    if (process.empty()) return std::nullopt;
    std::string text = process.front();
    process.pop_front();
    return text;
}

std::vector<std::string> WizardAnswers::UnknownFields(const WizardSheet& sheet) const {
    std::vector<std::string> unknown;
    for (const auto& entry : fields) {
        const std::string& id = entry.first;  // a name, not a binding: every compiler captures it
        const bool asked =
            std::any_of(sheet.pages().begin(), sheet.pages().end(), [&id](const auto& page) {
                const auto& all = page->form.fields();
                return std::any_of(all.begin(), all.end(), [&id](const WizardField& field) {
                    return field.id == id && field.kind != FieldKind::Text &&
                           field.kind != FieldKind::Live;
                });
            });
        if (!asked) unknown.push_back(id);
    }
    return unknown;
}

}  // namespace zvr::cli
