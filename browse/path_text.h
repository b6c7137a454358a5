// Text rules on Windows paths shared by the browsing controls. Paths are
// UTF-8; "\" never occurs inside a multi-byte sequence, so scanning bytes for
// "\" and ":" is safe.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vistrel::browse {

// The drive part of a path: "C:" when the second character is ":", the
// network root "\\server\share" for a path starting with two "\", else empty.
std::string drivePart(std::string_view path);

// `folder` and `name` with one "\" between them, none added when `folder`
// already ends with "\".
std::string joinPath(std::string_view folder, std::string_view name);

// The text after the last "\" or ":" (the whole text when it has neither).
std::string fileNamePart(std::string_view path);
// The text up to and including the last "\" or ":"; empty when it has neither.
std::string folderPart(std::string_view path);

// The path shortened for a label `maxWidth` pixels wide: leading folders give
// way to "...\" (and then the drive) until `textWidth` of the text fits or
// only the name is left. `textWidth` measures a text in the label's font.
std::string ShortenPath(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& textWidth);

}  // namespace vistrel::browse
