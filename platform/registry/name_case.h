#pragma once
// Registry names match without regard to letter case. The registry folds by its own upper-case
// table; these helpers fold the letters a product's names realistically hold (ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic) the same way.
#include <string>
#include <vector>

char16_t foldNameCase(char16_t c);
std::u16string foldNameCase(const std::u16string& name);

// The names along a key path; empty components (a trailing or doubled backslash) are dropped.
std::vector<std::u16string> keyPathComponents(const std::u16string& path);
