#pragma once
// The small JSON routines the page contract is built on. Their reading rules are part of the file
// formats that use them (themes, pipe values), so they are deliberately narrow:
//   - JsonLookup sees only the members of the outermost object; the first occurrence of a key wins;
//   - a string value comes back unescaped, and any escape other than \" \\ \/ \b \f \n \r \t
//     (\u included) makes the whole value read as empty;
//   - any other value comes back as its raw JSON text (objects with their braces);
//   - a missing member, or a text that is not an object, reads as empty.
#include <string>
#include <string_view>

namespace velotap {

// Quoted JSON string literal of `text`; control characters become \u00XX escapes, and each
// ill-formed UTF-8 sequence becomes U+FFFD, so the literal is valid whatever bytes `text` holds.
std::string JsonEscape(std::string_view text);

// Value of member `key` of the outermost object of `doc`, read as described above.
std::string JsonLookup(std::string_view doc, std::string_view key);

// The same member found the same way, as its raw text inside `doc` without copying: a string keeps
// its quotes and escapes. Empty when missing. For large objects read again and again.
std::string_view JsonLookupRaw(std::string_view doc, std::string_view key);

// JsonLookupRaw's member walk begun at `offset` (just after the opening brace or a comma between
// members) instead of at the start, for callers that already know where the members are.
std::string_view JsonLookupRawFrom(std::string_view doc, size_t offset, std::string_view key);

// End (one past the closing quote) of the string literal that opens at `text[i]`; npos when it is
// unterminated. A quote closes the string when an even number of backslashes stands before it;
// nothing else inside is checked.
size_t JsonStringEnd(std::string_view text, size_t i);

// A raw member text read as JsonLookup reads it: strings unescaped, anything else as it stands.
std::string JsonReadValue(std::string_view raw);

// A member as JsonLookup reads it, copying only when a string must be unescaped; `storage` holds
// that copy.
std::string_view JsonLookupView(std::string_view doc, std::string_view key, std::string& storage);

// Element `index` of the outermost array of `doc`, read with the same rules as JsonLookup.
std::string JsonArrayElement(std::string_view doc, size_t index);

// True when `text` is one JSON value with optional blanks around it, exactly as a page's
// JSON.parse accepts it (strict RFC 8259 grammar; any nesting depth).
bool IsJsonText(std::string_view text);

// Decodes the body of a string literal (without its quotes). False, and `out` left empty, when an
// escape outside the accepted set appears.
bool JsonUnescape(std::string_view body, std::string& out);

}  // namespace velotap
