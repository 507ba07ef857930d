#pragma once

#include <optional>
#include <string>

namespace AppInfo {

// The string under "CFBundleShortVersionString" in the bundle's information
// property list (Contents/Info.plist when the bundle has a Contents
// directory, else Info.plist at its top), XML or binary. Nothing when the
// bundle is not a directory, the list is missing, unreadable or malformed,
// or the value is not a string; an empty string is a string.
std::optional<std::string> shortVersion(const std::string& ofBundleAt);

// The string under `key` of the same information property list, with the
// same rules.
std::optional<std::string> infoString(const std::string& ofBundleAt,
                                      const std::string& key);

// The string under `key` of the property list held in `bytes` (XML or
// binary), when its top is a dictionary; nothing for anything else,
// malformed bytes included.
std::optional<std::string> stringValue(const std::string& bytes,
                                       const std::string& key);

// Why a property list could not be read although it was there: the
// property-list library, which is loaded on first use, could not be loaded.
// Nothing until that has happened.
std::optional<std::string> readerUnavailable();

}  // namespace AppInfo
