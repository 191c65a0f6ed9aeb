#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zvr {
class WizardSheet;
}

namespace zvr::cli {

// The answers file of "zvr-cli wizard --answers FILE", a JSON object:
//   "fields":    {"FIELD ID": "text or item", ...}  the page questions by field id; an item
//                is its number (from 1) or its text; each answer is used once
//   "questions": {"QUESTION TEXT": "yes" | "no", ...}  Yes/No questions, every time asked;
//                OK/Cancel and Retry/Cancel questions take "ok", "retry" or "cancel"
//   "process":   ["Done", "Skip This Step", ...]  the process dialogs (analog, stepper), in
//                order, by button text
//   "calibrate": "yes" | "no"  the question after the Summary
// Numbers may be given as JSON numbers. Whatever the file leaves open is asked on the
// terminal.
class WizardAnswers {
public:
    // Nothing, with the reason in error, for a file that cannot be read (with the system's
    // reason: a folder, a missing file) or is not such an object.
    static std::optional<WizardAnswers> Load(const std::string& path, std::string& error);

    // The field ids that name no question of the sheet's pages (a typo such as "speed.l"),
    // which would otherwise be passed over and leave the default written.
    std::vector<std::string> UnknownFields(const WizardSheet& sheet) const;

    // The field's answer, used up.
    std::optional<std::string> TakeField(const std::string& id);
    std::optional<std::string> question(const std::string& text) const;
    std::optional<std::string> TakeProcess();
    // The answer to the question after the Summary, used up.
    std::optional<std::string> TakeCalibrate() { return std::exchange(calibrate_, std::nullopt); }

    std::string path;
    std::map<std::string, std::string> fields;
    std::map<std::string, std::string> questions;
    std::deque<std::string> process;
    std::optional<std::string> calibrate_;
};

}  // namespace zvr::cli
