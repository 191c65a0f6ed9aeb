#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "definitions/definition_tables.h"
#include "definitions/definitions.h"

namespace zvr {

// The lines a cal-file dialog lists for a file's comments: every comment with text, numbered
// from 1 as "%2d: text" (only listed comments count), or the single line "No Comments
// Found.".
std::vector<std::string> CommentListLines(const OrderedTable<CommentDef>& comments);

// The comment editor's state and rules, without a window: a list of comment texts, the
// selected entry, and the edit line above the list with its pending flag. The editor window
// shows this state and turns clicks and keys into these calls.
class CommentEditorModel {
public:
    // The texts of the comments that are not empty, in table order; the first is selected.
    explicit CommentEditorModel(const OrderedTable<CommentDef>& comments);

    const std::vector<std::string>& entries() const { return entries_; }
    std::optional<size_t> selected() const { return selected_; }
    const std::string& editText() const { return editText_; }
    bool editsPending() const { return editsPending_; }
    // "Add As New", "Save Edit" and "Cancel Edit" are enabled.
    bool editButtonsEnabled() const { return editButtons_; }

    // The user typed in the edit line.
    void Edit(std::string text);
    // Another entry is selected (none: no selection). True when an edit was pending and is
    // now dropped: the caller shows "Edits not saved".
    bool Select(std::optional<size_t> index);
    // F5 and F6: the previous or next entry, wrapping around; the same answer as Select.
    bool SelectPrevious();
    bool SelectNext();

    void AddAsNew();
    void SaveEdit();
    void CancelEdit();
    void DeleteSelected();

    // Enter and Escape, with an edit pending, add it or drop it; without one they close the
    // editor. True when the editor closes (with OK for Enter, Cancel for Escape).
    bool Enter();
    bool Escape();

    // OK: a pending edit is added first; then the table holds one comment of access level 0
    // per entry, in list order.
    void Apply(OrderedTable<CommentDef>& comments);

private:
    void EndEdit();

    std::vector<std::string> entries_;
    std::optional<size_t> selected_;
    std::string editText_;
    bool editsPending_ = false;
    bool editButtons_ = false;
};

}  // namespace zvr
