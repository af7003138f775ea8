#pragma once
// The subkeys or values of one in-memory key: found by name without regard to case, and by
// index in the order they were added. Both lookups are constant-time, so walking a key of many
// thousands of entries by index stays linear; removing an entry renumbers only those after it,
// which makes the common removal from the highest index down cheap.
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry/name_case.h"

template <typename Item>
class NamedList {
public:
    struct Entry {
        std::u16string name;  // as first given
        Item item;
    };

    size_t size() const { return entries_.size(); }
    const Entry& at(size_t index) const { return entries_[index]; }
    const std::vector<Entry>& entries() const { return entries_; }

    Item* find(const std::u16string& name) {
        const auto found = indexByName_.find(foldNameCase(name));
        return found == indexByName_.end() ? nullptr : &entries_[found->second].item;
    }

    // Adds an entry that is not there yet.
    Item& add(const std::u16string& name, Item item) {
        indexByName_.emplace(foldNameCase(name), entries_.size());
        entries_.push_back({name, std::move(item)});
        return entries_.back().item;
    }

    // Returns whether the name was there.
    bool remove(const std::u16string& name) {
        const auto found = indexByName_.find(foldNameCase(name));
        if (found == indexByName_.end()) return false;
        const size_t index = found->second;
        indexByName_.erase(found);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
        for (size_t later = index; later < entries_.size(); ++later)
            indexByName_[foldNameCase(entries_[later].name)] = later;
        return true;
    }

private:
    std::vector<Entry> entries_;
    std::unordered_map<std::u16string, size_t> indexByName_;
};
