// A reader of the registry files of a Wine prefix (user.reg, system.reg): the text format Wine keeps
// the Windows registry in. Read only, and only the keys asked for; anything malformed is left out, a
// file too large or unreadable gives nothing.
//
//   WINE REGISTRY Version 2
//   ;; comment
//   [Software\\Microsoft\\Outlook Express\\5.0] 1602781234      key path, escaped; a time stamp
//   #time=1d6a3f1b0c2e4f0                                        lines starting with # or ; are comments
//   "Store Root"=str(2):"%UserProfile%\\Local Settings\\..."    REG_EXPAND_SZ
//   "Last User ID"="{3B1E...}"                                 REG_SZ; @ names the default value
//   "Count"=dword:00000001                                     hex(N):.. and hex:.. are bytes, and may
//   "Path"=hex(2):25,00,55,00,\                                go on after a final backslash
//     00,00
//
// Strings escape \\ \" \n \r \t \0 and \xHHHH (a UTF-16 unit, 1 to 4 hex digits); they are read as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vendrel::shell {

class WineRegistry {
 public:
  // The string values (REG_SZ and REG_EXPAND_SZ, also when written as hex(1) or hex(2)) of the keys whose
  // paths start with one of keyPrefixes, compared without regard to case. None when the file cannot be
  // read or is not a registry file.
  static std::optional<WineRegistry> Load(const std::string& path,
                                          const std::vector<std::string>& keyPrefixes);
  static std::optional<WineRegistry> Parse(std::string_view text,
                                           const std::vector<std::string>& keyPrefixes);

  struct Value {
    std::string text;
    bool expandable = false;
  };

  // key is a path such as "Identities\{GUID}"; key and value names are compared without regard to case.
  const Value* Find(std::string_view key, std::string_view name) const;
  // Every value of a key, by lower-case name.
  const std::unordered_map<std::string, Value>* Key(std::string_view key) const;

 private:
  std::unordered_map<std::string, std::unordered_map<std::string, Value>> keys_;
};


}  // namespace vendrel::shell
