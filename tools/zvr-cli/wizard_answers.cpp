#include "wizard_answers.h"

#include <fstream>
#include <nlohmann/json.hpp>

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

}  // namespace

std::optional<WizardAnswers> WizardAnswers::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    Json root = Json::parse(in, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        error = path + " is not a JSON object";
        return std::nullopt;
    }
    WizardAnswers answers;
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

}  // namespace zvr::cli
