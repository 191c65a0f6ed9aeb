#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zvr {

// Tables own their definitions. A definition keeps its address while it is in its table, so
// views may hold plain pointers to it for as long as the document lives.

// Variables and scalars: sorted by name in ascending byte order (case-sensitive: upper case
// sorts before lower case), no two entries of one name.
template <typename Def>
class SortedTable {
public:
    using Entries = std::vector<std::unique_ptr<Def>>;

    // -1 when an entry of that name exists; otherwise inserted before the first entry whose
    // name compares greater.
    int insert(Def def) {
        // Cal files are written in table order, so loading appends almost every entry.
        if (!entries_.empty() && entries_.back()->name < def.name) {
            entries_.push_back(std::make_unique<Def>(std::move(def)));
            return 0;
        }
        auto at = lowerBound(def.name);
        if (at != entries_.end() && (*at)->name == def.name) {
            return -1;
        }
        entries_.insert(at, std::make_unique<Def>(std::move(def)));
        return 0;
    }

    Def* find(std::string_view name) const {
        auto at = lowerBound(name);
        return at != entries_.end() && (*at)->name == name ? at->get() : nullptr;
    }

    // -1 when def is not in this table; otherwise it is removed and deleted.
    int remove(const Def* def) {
        auto at = std::find_if(entries_.begin(), entries_.end(),
                               [def](const auto& entry) { return entry.get() == def; });
        if (at == entries_.end()) {
            return -1;
        }
        entries_.erase(at);
        return 0;
    }

    // Gives def a new name and moves it to its place in the order; def keeps its address.
    // -1 when def is not in this table or another entry has the name.
    int rename(const Def* def, const std::string& name) {
        auto at = std::find_if(entries_.begin(), entries_.end(),
                               [def](const auto& entry) { return entry.get() == def; });
        if (at == entries_.end()) return -1;
        if (def->name == name) return 0;
        if (find(name) != nullptr) return -1;
        std::unique_ptr<Def> moved = std::move(*at);
        entries_.erase(at);
        moved->name = name;
        entries_.insert(lowerBound(name), std::move(moved));
        return 0;
    }

    void clear() { entries_.clear(); }
    size_t count() const { return entries_.size(); }
    const Entries& entries() const { return entries_; }

private:
    typename Entries::const_iterator lowerBound(std::string_view name) const {
        return std::lower_bound(entries_.begin(), entries_.end(), name,
                                [](const auto& entry, std::string_view key) {
                                    return std::string_view(entry->name) < key;
                                });
    }

    Entries entries_;
};

// View items, diagnostics and comments: insertion order, which is file order after a load.
template <typename Def>
class OrderedTable {
public:
    using Entries = std::vector<std::unique_ptr<Def>>;

    Def* append(Def def) {
        entries_.push_back(std::make_unique<Def>(std::move(def)));
        return entries_.back().get();
    }

    Def* find(std::string_view name) const {
        auto at = std::find_if(entries_.begin(), entries_.end(),
                               [name](const auto& entry) { return entry->name == name; });
        return at != entries_.end() ? at->get() : nullptr;
    }

    int remove(const Def* def) {
        auto at = std::find_if(entries_.begin(), entries_.end(),
                               [def](const auto& entry) { return entry.get() == def; });
        if (at == entries_.end()) {
            return -1;
        }
        entries_.erase(at);
        return 0;
    }

    void clear() { entries_.clear(); }
    size_t count() const { return entries_.size(); }
    const Entries& entries() const { return entries_; }

private:
    Entries entries_;
};

// The Parameter View shows at most ten items, each variable once.
template <typename Def>
class ViewItemTable : public OrderedTable<Def> {
public:
    static constexpr size_t kMaxItems = 10;

    // -2 when the list is full, -1 when an item of that name is listed; otherwise appended.
    int add(Def def) {
        if (this->count() >= kMaxItems) {
            return -2;
        }
        if (this->find(def.name) != nullptr) {
            return -1;
        }
        this->append(std::move(def));
        return 0;
    }
};

}  // namespace zvr
