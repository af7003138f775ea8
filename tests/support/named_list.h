#pragma once
// The subkeys or values of one in-memory key: found by name without regard to case, and by
// index in the order the registry enumerates them.
//
// That order is not the same for both. Subkeys come sorted by name without regard to case, on
// Windows and on Wine alike, and a key renamed takes its sorted place among its siblings. Values
// come in the order they were created on Windows (Wine sorts them too); nothing may depend on
// either, and the store keeps Windows' order.
//
// Walking a key of many thousands of entries by index stays linear: lookups by name are
// constant-time in creation order and logarithmic in sorted order; adding at the end and
// removing from the highest index down, the common cases, are cheap in both.
#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry/name_case.h"

enum class NameOrder { creation, sortedByName };

template <typename Item, NameOrder order = NameOrder::creation>
class NamedList {
public:
    struct Entry {
        std::u16string name;    // as first given
        std::u16string folded;  // what names are compared by
        Item item;
    };

    size_t size() const { return entries_.size(); }
    const Entry& at(size_t index) const { return entries_[index]; }
    const std::vector<Entry>& entries() const { return entries_; }

    Item* find(const std::u16string& name) {
        const std::u16string folded = foldNameCase(name);
        const size_t index = indexOf(folded);
        return index == entries_.size() ? nullptr : &entries_[index].item;
    }

    // Adds an entry that is not there yet.
    Item& add(const std::u16string& name, Item item) {
        std::u16string folded = foldNameCase(name);
        if constexpr (order == NameOrder::sortedByName) {
            const auto place = std::lower_bound(entries_.begin(), entries_.end(), folded, comesBefore);
            return entries_.insert(place, Entry{name, std::move(folded), std::move(item)})->item;
        } else {
            indexByName_.emplace(folded, entries_.size());
            entries_.push_back({name, std::move(folded), std::move(item)});
            return entries_.back().item;
        }
    }

    // Returns whether the name was there.
    bool remove(const std::u16string& name) {
        const size_t index = indexOf(foldNameCase(name));
        if (index == entries_.size()) return false;
        if constexpr (order == NameOrder::creation) indexByName_.erase(entries_[index].folded);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
        if constexpr (order == NameOrder::creation)
            for (size_t later = index; later < entries_.size(); ++later) indexByName_[entries_[later].folded] = later;
        return true;
    }

private:
    static bool comesBefore(const Entry& entry, const std::u16string& folded) { return entry.folded < folded; }

    // The entry's index, or size() when there is none.
    size_t indexOf(const std::u16string& folded) const {
        if constexpr (order == NameOrder::sortedByName) {
            const auto found = std::lower_bound(entries_.begin(), entries_.end(), folded, comesBefore);
            return found != entries_.end() && found->folded == folded ? static_cast<size_t>(found - entries_.begin())
                                                                      : entries_.size();
        } else {
            const auto found = indexByName_.find(folded);
            return found == indexByName_.end() ? entries_.size() : found->second;
        }
    }

    std::vector<Entry> entries_;
    // Only in creation order, where the position says nothing about the name.
    std::unordered_map<std::u16string, size_t> indexByName_;
};
