// Text helpers for Windows-style paths ("C:\DATA\X.ZIP", "\DATA", "SUB\A.TXT", "A:X"). They work on
// the text only and never touch the file system. "/" is accepted as a separator wherever a path is
// split, so host paths such as "/home/u/x.zip" work too. Multi-byte text is UTF-8; separators are
// single bytes that never occur inside a multi-byte character, so no helper can split one.
#pragma once

#include <string>
#include <string_view>

namespace ruvu::platform {

inline bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

// Every "/" becomes "\".
std::string SlashesToBackslashes(std::string_view path);
// Every "\" becomes "/".
std::string BackslashesToSlashes(std::string_view path);

// Appends "\" unless the text is empty or already ends with a separator.
std::string IncludeTrailingBackslash(std::string_view path);
// Removes one trailing separator, except from a root ("\", "C:\").
std::string ExcludeTrailingBackslash(std::string_view path);

// Joins a folder and a name with exactly one "\" between them; after a bare drive ("C:") nothing is
// inserted ("C:" + "X" = "C:X"). An empty folder gives the name, an empty name the folder.
std::string JoinPath(std::string_view folder, std::string_view name);

// "C:" for "C:\X" and "C:X"; empty when the path has no drive letter.
std::string ExtractFileDrive(std::string_view path);
// Everything up to and including the last separator or drive colon ("C:\A\" for "C:\A\B.TXT").
std::string ExtractFilePath(std::string_view path);
// Like ExtractFilePath without the trailing separator, except for a root ("C:\").
std::string ExtractFileDir(std::string_view path);
// The part after the last separator or drive colon.
std::string ExtractFileName(std::string_view path);
// The extension of the file-name part with its dot (".ZIP"); empty when the name has no dot.
std::string ExtractFileExt(std::string_view path);
// Replaces the extension of the file-name part (ext includes its dot, or is empty to remove it).
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// ASCII-only case mapping, for keywords, drive letters and extensions compared with ASCII text.
// Names and texts change case and are compared through TextCase.h, accented letters included.
std::string UpperCaseAscii(std::string_view text);
std::string LowerCaseAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);
// Ordering that ignores ASCII case (negative, zero, positive).
int CompareTextAscii(std::string_view a, std::string_view b);

}  // namespace ruvu::platform
