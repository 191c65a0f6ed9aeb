#include "calibration/comment_list.h"

#include <cstdio>

namespace zvr {

std::vector<std::string> CommentListLines(const OrderedTable<CommentDef>& comments) {
    std::vector<std::string> lines;
    for (const auto& comment : comments.entries()) {
        if (comment->text.empty()) continue;
        char number[16];
        std::snprintf(number, sizeof number, "%2d: ", static_cast<int>(lines.size() + 1));
        lines.push_back(number + comment->text);
    }
    if (lines.empty()) lines.push_back("No Comments Found.");
    return lines;
}

CommentEditorModel::CommentEditorModel(const OrderedTable<CommentDef>& comments) {
    for (const auto& comment : comments.entries()) {
        if (!comment->text.empty()) entries_.push_back(comment->text);
    }
    if (!entries_.empty()) Select(0);
}

void CommentEditorModel::Edit(std::string text) {
    editText_ = std::move(text);
    editsPending_ = true;
    editButtons_ = true;
}

void CommentEditorModel::EndEdit() {
    editsPending_ = false;
    editButtons_ = false;
}

bool CommentEditorModel::Select(std::optional<size_t> index) {
    if (index && *index >= entries_.size()) index.reset();
    const bool dropped = editsPending_;
    EndEdit();
    selected_ = index;
    if (selected_) editText_ = entries_[*selected_];
    return dropped;
}

bool CommentEditorModel::SelectPrevious() {
    if (entries_.empty()) return Select(std::nullopt);
    const size_t last = entries_.size() - 1;
    return Select(!selected_ || *selected_ == 0 ? last : *selected_ - 1);
}

bool CommentEditorModel::SelectNext() {
    if (entries_.empty()) return Select(std::nullopt);
    return Select(!selected_ || *selected_ + 1 >= entries_.size() ? 0 : *selected_ + 1);
}

void CommentEditorModel::AddAsNew() {
    // An empty line is no comment: a cal file would carry it, but no list would show it.
    if (!editText_.empty()) entries_.push_back(editText_);
    editText_.clear();
    EndEdit();
}

void CommentEditorModel::SaveEdit() {
    if (selected_) entries_[*selected_] = editText_;
    // The edit is saved: it must not be added again by Enter or OK.
    EndEdit();
}

void CommentEditorModel::CancelEdit() {
    editText_.clear();
    EndEdit();
}

void CommentEditorModel::DeleteSelected() {
    if (!selected_) return;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*selected_));
    selected_.reset();
}

bool CommentEditorModel::Enter() {
    if (!editsPending_) return true;
    AddAsNew();
    return false;
}

bool CommentEditorModel::Escape() {
    if (!editsPending_) return true;
    CancelEdit();
    return false;
}

void CommentEditorModel::Apply(OrderedTable<CommentDef>& comments) {
    if (editsPending_) AddAsNew();
    comments.clear();
    for (const std::string& text : entries_)
        comments.append(CommentDef{0, text});
}

}  // namespace zvr
