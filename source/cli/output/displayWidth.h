// How many terminal columns a UTF-8 text takes, so that table columns stay
// aligned when paths hold accented letters or East Asian characters.
#pragma once

#include <cstddef>
#include <string>

namespace talmeq::cli {

// Columns of `text`: two for each wide East Asian character, none for a
// combining mark, one for every other character and for each byte that is
// not valid UTF-8.
std::size_t displayWidth(const std::string& text);

}  // namespace talmeq::cli
