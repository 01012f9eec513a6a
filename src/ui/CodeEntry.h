#pragma once
// Entries of the code lists read "code:name"; these split them again.
#include <string>
#include <string_view>

namespace hotaru::ui {

// The text before the first ":"; "" when the entry has no ":".
std::string CodePart(std::string_view entry);
// The text after the first ":"; "" when the entry has no ":".
std::string NamePart(std::string_view entry);
// The key an entry is looked up by: the text before the first ":", or the
// whole entry when it has none.
std::string EntryKey(std::string_view entry);
// The code of an entry as a number: 0 when there is no code before the first
// ":" or it is not a whole number.
int EntryCodeNumber(std::string_view entry);
// "code:name".
std::string MakeEntry(long long code, std::string_view name);

}  // namespace hotaru::ui
