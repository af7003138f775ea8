#pragma once
// TStringList: an ordered list of texts, read by index and count. Duplicates stay; never sorted.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TStringList {
public:
    TStringList() = default;
    explicit TStringList(std::vector<std::string> entries) : entries_(std::move(entries)) {}

    int32_t count() const { return static_cast<int32_t>(entries_.size()); }
    // The entry at a 0-based index below count().
    const std::string& at(int32_t index) const { return entries_.at(static_cast<std::size_t>(index)); }
    void append(std::string entry) { entries_.push_back(std::move(entry)); }
    void removeAt(int32_t index) { entries_.erase(entries_.begin() + index); }
    const std::vector<std::string>& entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};
