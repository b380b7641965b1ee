// Paths resolved as Windows resolves them: "." and ".." by the text (as CreateFileW
// does before it opens anything), then the links and junctions of the part that
// exists, so that two names of one folder compare equal.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The absolute form of `path`, "." and ".." resolved and separators made
// backslashes (GetFullPathNameW). False, with LastErrorText, when there is none.
bool FullPath(std::u16string_view path, std::u16string* full);

// `path` made absolute, with the longest part of it that exists replaced by where
// its links lead (GetFinalPathNameByHandleW); the rest, which does not exist yet,
// stays as written. False, with LastErrorText, when the existing part cannot be
// opened to ask (a link loop, no rights to look).
bool ResolvedPath(std::u16string_view path, std::u16string* resolved);

// Whether `path` is `folder` or lies below it, by whole components and without
// regard to case, both already resolved.
bool IsResolvedPathWithin(std::u16string_view path, std::u16string_view folder);

// A path without the "\\?\" form that GetFinalPathNameByHandleW answers with, for
// messages and for callers that compare it with paths they were given.
std::u16string WithoutLongPathPrefix(std::u16string path);

}  // namespace qv
