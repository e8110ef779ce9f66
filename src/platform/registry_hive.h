#pragma once
// The content of one hive as its REGEDIT4 file holds it. Key paths and value names match
// case-insensitively (ASCII); keys and values keep the spelling of their first creation.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace korvane::platform {

class HiveContent {
  public:
    HiveContent();

    // REGEDIT4 text with LF or CR LF line ends whose sections all lie under rootName.
    // Throws RegistryError naming fileName and the line.
    static HiveContent Parse(std::string_view text, std::string_view rootName,
                             const std::string& fileName);
    std::string Serialize(std::string_view rootName) const;

    bool KeyExists(std::string_view path) const;
    const RegistryValue* FindValue(std::string_view path, std::string_view name) const;
    std::vector<std::string> ValueNames(std::string_view path) const;
    std::vector<std::string> SubkeyNames(std::string_view path) const;

    // Each returns true when the content changed. Writing a value creates its key (and the
    // key's parents). Names and paths holding a line break throw RegistryError: the file
    // could not hold them.
    bool CreateKey(std::string_view path);
    bool WriteValue(std::string_view path, std::string_view name, const RegistryValue& value);
    bool DeleteValue(std::string_view path, std::string_view name);
    bool DeleteKeyTree(std::string_view path);
    bool Apply(const RegistryBatch::Change& change);

  private:
    struct NamedValue {
        std::string name;  // as first written
        RegistryValue value;
    };
    struct Key {
        std::string path;                          // as first created
        std::map<std::string, NamedValue> values;  // by folded name
    };
    // Children sort right after their parent: the separator ranks below every character.
    struct TreeOrder {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using KeyMap = std::map<std::string, Key, TreeOrder>;  // by folded path; "" is the root

    Key& CreateKeyPath(std::string_view path, bool& created);
    const Key* FindKey(std::string_view path) const;

    KeyMap keys_;
};

}  // namespace korvane::platform
