#pragma once
// Real file names for the game's names. Games were made on a file system that ignores case;
// here each component that does not exist as written is matched against its directory's
// entries ignoring case, so "BGM\Title.OGG" finds bgm/title.ogg.

#include <string>
#include <string_view>

namespace orva {

// path: UTF-8 with "\" or "/" between components. A component that matches nothing is kept
// as written (the path may name a file about to be created); so are the components after it.
// Several entries differing only in case: the exact spelling wins, else the first in byte order.
std::string ResolvePath(std::string_view path);

// Equality of two UTF-8 names ignoring the case of the letters the game's own comparison
// folds: ASCII, full-width Latin, Greek and Cyrillic.
bool SameFileNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace orva
