#include "wizard/option_page.h"

#include <utility>

namespace zvr {

OptionPage::OptionPage(std::string heading, std::string prefix, std::span<const PageOption> options,
                       const OptionTexts& texts)
    : WizardPage(std::move(heading)), prefix_(std::move(prefix)), options_(options), texts_(texts) {
    bool first = true;
    for (const PageOption& asked : options_) {
        form.Add({.id = id(asked.question),
                  .kind = FieldKind::Choice,
                  .label = asked.questionLabel,
                  .items = {asked.no, asked.yes},
                  .visible = first});
        AddEntries(form, prefix_, std::span(&asked.setting, 1));
        answers_.push_back(asked.offValue);
        on_.push_back(false);
        first = false;
    }
}

void OptionPage::Preset(size_t index, bool on, const std::string& setting) {
    const PageOption& asked = options_[index];
    form.at(id(asked.question)).selection = on ? 1 : 0;
    if (on) form.at(id(asked.setting.key)).text = setting;
}

PageMove OptionPage::Next(WizardSheet& sheet) {
    const auto index = static_cast<size_t>((step - 1) / 2);
    if (step < 1 || index >= options_.size()) {
        sheet.prompt().plain(texts_.badStep);
        return PageMove::Stay;
    }
    return step % 2 == 1 ? Choose(sheet, index) : TakeSetting(sheet, index);
}

PageMove OptionPage::Choose(WizardSheet& sheet, size_t index) {
    const PageOption& asked = options_[index];
    switch (form.selection(id(asked.question))) {
        case 0:
            answers_[index] = asked.offValue;
            on_[index] = false;
            return Advance(index, asked.question);
        case 1:
            form.Enable(id(asked.question), false);
            form.Show(id(asked.setting.key));
            form.Enable(id(asked.setting.key));
            ++step;
            return PageMove::Stay;
        default:
            sheet.prompt().show(
                {texts_.noChoice, kApplicationCaption, texts_.noChoiceIcon, PromptButtons::Ok});
            return PageMove::Stay;
    }
}

PageMove OptionPage::TakeSetting(WizardSheet& sheet, size_t index) {
    const PageOption& asked = options_[index];
    EntryValues values;
    if (!CheckEntry(sheet, form, prefix_, asked.setting, values)) return PageMove::Stay;
    answers_[index] = values.at(asked.setting.key);
    on_[index] = true;
    return Advance(index, asked.setting.key);
}

PageMove OptionPage::Advance(size_t index, const char* answeredKey) {
    if (index + 1 == options_.size()) return PageMove::Next;
    form.Enable(id(answeredKey), false);
    const std::string question = id(options_[index + 1].question);
    form.Show(question);
    form.Enable(question);
    step = static_cast<int>(2 * (index + 1) + 1);
    return PageMove::Stay;
}

PageMove OptionPage::Back(WizardSheet& sheet) {
    if (step == 1) return PageMove::Previous;
    const auto index = static_cast<size_t>((step - 1) / 2);
    if (step < 1 || index >= options_.size()) {
        if (*texts_.badBackStep != '\0') sheet.prompt().plain(texts_.badBackStep);
        return PageMove::Stay;
    }
    const PageOption& asked = options_[index];
    if (step % 2 == 0) {
        // From the setting back to its question.
        form.Hide(id(asked.setting.key));
        form.Enable(id(asked.question));
        --step;
        return PageMove::Stay;
    }
    // From a question back to the previous option's last answer.
    const PageOption& previous = options_[index - 1];
    form.Hide(id(asked.question));
    if (on_[index - 1]) {
        form.Enable(id(previous.setting.key));
        step = static_cast<int>(2 * index);
    } else {
        form.Enable(id(previous.question));
        step = static_cast<int>(2 * index - 1);
    }
    return PageMove::Stay;
}

}  // namespace zvr
