#include "dbx/sibling_file.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/code_page.h"

namespace vendrel {

namespace {

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

// The first of the names that is a file of directory; else the one file whose name matches one of them
// without regard to case. None when there is none, or more than one such file.
std::optional<std::string> ResolveAnyOf(const std::string& directory, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (!IsPlainFileName(name)) return std::nullopt;
  }
  std::error_code error;
  const std::filesystem::path dir =
      directory.empty() ? std::filesystem::path(".") : std::filesystem::path(directory);
  for (const std::string& name : names) {
    if (std::filesystem::is_regular_file(dir / name, error)) return directory + name;
  }
  std::optional<std::string> match;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    const std::string candidate = entry.path().filename().string();
    const bool matches = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
      return EqualIgnoringAsciiCase(candidate, name);
    });
    if (!matches || !entry.is_regular_file(error)) continue;
    if (match) return std::nullopt;  // two files differ only in case: no guessing
    match = directory + candidate;
  }
  return match;
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::optional<std::string> ResolveSiblingFile(const std::string& directory, const std::string& name) {
  return ResolveAnyOf(directory, {name});
}

std::optional<std::string> ResolveFolderFile(const std::string& directory, std::string_view legacyName) {
  const std::string utf8 = LegacyCodePage().ToUtf8(legacyName);
  if (utf8 == legacyName) return ResolveAnyOf(directory, {utf8});
  return ResolveAnyOf(directory, {utf8, std::string(legacyName)});
}

}  // namespace vendrel
