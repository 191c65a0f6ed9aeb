#include "wizard/wizard_form.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace zvr {

WizardField& WizardForm::Add(WizardField field) {
    fields_.push_back(std::move(field));
    return fields_.back();
}

WizardField& WizardForm::at(std::string_view id) {
    return const_cast<WizardField&>(std::as_const(*this).at(id));
}

const WizardField& WizardForm::at(std::string_view id) const {
    auto found = std::find_if(fields_.begin(), fields_.end(),
                              [id](const WizardField& field) { return field.id == id; });
    // A page asking for a field it never added is a programming error, not a user's.
    if (found == fields_.end()) throw std::logic_error("wizard field " + std::string(id));
    return *found;
}

bool WizardForm::has(std::string_view id) const {
    return std::any_of(fields_.begin(), fields_.end(),
                       [id](const WizardField& field) { return field.id == id; });
}

}  // namespace zvr
