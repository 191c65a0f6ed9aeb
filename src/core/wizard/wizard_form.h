#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zvr {

// One control of a wizard page, described so that a window and a terminal can both show it:
// a line of text, a combo (a question with numbered items), a group of radio buttons (the
// items as the buttons' texts), an edit (a label and its text), a check box, or a read-only
// edit that follows a live value.
enum class FieldKind { Text, Choice, Radio, Edit, Check, Live };

struct WizardField {
    std::string id;  // stable name: answers files and windows find the field by it
    FieldKind kind = FieldKind::Text;
    std::string label;               // the question, the edit's label or the line's text
    std::vector<std::string> items;  // a combo's items, or the radio buttons' texts
    int selection = -1;              // the chosen item, a check box's 0/1; -1 none
    std::string text;                // an edit's text
    std::string units;
    bool visible = true;
    bool enabled = true;
    std::string toolTip;      // what the control is for, shown when the pointer rests on it
    std::string box;          // the titled group box the control stands in; "" none
    bool digitsOnly = false;  // an edit that takes the digits 0 to 9 only
    // Radio: a line explaining each item, shown beside it; empty for none.
    std::vector<std::string> itemNotes;

    // Visible, enabled and asking for something.
    bool asks() const {
        return visible && enabled && kind != FieldKind::Text && kind != FieldKind::Live;
    }
};

// The controls of one page, in the order they stand on it.
class WizardForm {
public:
    WizardField& Add(WizardField field);
    WizardField& at(std::string_view id);
    const WizardField& at(std::string_view id) const;
    bool has(std::string_view id) const;

    void Show(std::string_view id, bool visible = true) { at(id).visible = visible; }
    void Hide(std::string_view id) { at(id).visible = false; }
    void Enable(std::string_view id, bool enabled = true) { at(id).enabled = enabled; }
    int selection(std::string_view id) const { return at(id).selection; }
    const std::string& text(std::string_view id) const { return at(id).text; }

    std::vector<WizardField>& fields() { return fields_; }
    const std::vector<WizardField>& fields() const { return fields_; }

private:
    std::vector<WizardField> fields_;
};

}  // namespace zvr
