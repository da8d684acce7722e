// Texts arrive as UTF-16 code units (an automation string's); files,
// terminals and text layout libraries want UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vtx {

// UTF-16 to UTF-8. A surrogate pair becomes its code point; an unpaired
// surrogate becomes U+FFFD. Zero characters are kept (one zero byte each).
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace vtx
