#pragma once
// The longest name a product's folder can have below the maintenance root.
#include <string>

// Whether the folder and file steps can name everything below the product's folder under this
// name: its marker file's path within the longest path the system takes (32,767 characters with
// the long-path prefix the services add). A name that does not fit is refused like a malformed one.
bool fitsInPath(const std::u16string& root, const std::string& productName);
