#include "platform/registry_hive.h"

#include <cstdio>

namespace korvane::platform {
namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Fold(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = Fold(c);
    return folded;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// Key path components; empty ones (leading, trailing or doubled separators) are dropped.
std::vector<std::string_view> Components(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const std::size_t end = path.find('\\');
        const std::string_view part = path.substr(0, end);
        if (!part.empty()) parts.push_back(part);
        if (end == path.npos) break;
        path.remove_prefix(end + 1);
    }
    return parts;
}

std::string FoldPath(std::string_view path) {
    std::string folded;
    for (std::string_view part : Components(path)) {
        if (!folded.empty()) folded += '\\';
        folded += Fold(part);
    }
    return folded;
}

// ---- REGEDIT4 text -------------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

void AppendValue(std::string& out, const RegistryValue& value) {
    char buffer[16];
    if (const auto* dword = std::get_if<std::uint32_t>(&value)) {
        std::snprintf(buffer, sizeof buffer, "dword:%08x", *dword);
        out += buffer;
        return;
    }
    const std::string& text = std::get<std::string>(value);
    if (!HasLineBreak(text)) {
        AppendQuoted(out, text);
        return;
    }
    // A quoted text cannot span lines; REGEDIT4 holds such a REG_SZ as its bytes.
    out += "hex(1):";
    for (unsigned char c : text) {
        std::snprintf(buffer, sizeof buffer, "%02x,", c);
        out += buffer;
    }
    out += "00";
}

class Parser {
  public:
    Parser(std::string_view text, std::string_view rootName, const std::string& fileName)
        : text_(text), rootName_(rootName), fileName_(fileName) {}

    void Run(HiveContent& content) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);  // UTF-8 BOM
        bool sawHeader = false;
        std::string keyPath;
        bool inKey = false;
        while (NextLine()) {
            std::string_view line = TrimBlanks(line_);
            if (line.empty() || line.front() == ';') continue;
            if (!sawHeader) {
                if (line != "REGEDIT4") Fail("the file does not start with REGEDIT4");
                sawHeader = true;
                continue;
            }
            if (line.front() == '[') {
                keyPath = SectionPath(line);
                content.CreateKey(keyPath);
                inKey = true;
                continue;
            }
            if (!inKey) Fail("a value stands before the first [key] line");
            ParseValueLine(line, content, keyPath);
        }
        if (!sawHeader && !TrimBlanks(text_).empty()) Fail("the file does not start with REGEDIT4");
    }

  private:
    static std::string_view TrimBlanks(std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    }

    bool NextLine() {
        if (next_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', next_);
        if (end == text_.npos) end = text_.size();
        line_ = text_.substr(next_, end - next_);
        if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
        next_ = end + 1;
        ++lineNumber_;
        return true;
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw RegistryError("Registry file \"" + fileName_ + "\", line " +
                            std::to_string(lineNumber_) + ": " + what);
    }

    std::string SectionPath(std::string_view line) const {
        if (line.back() != ']') Fail("a [key] line lacks its closing ]");
        const std::string_view inner = line.substr(1, line.size() - 2);
        const std::string_view root = inner.substr(0, inner.find('\\'));
        if (!EqualsFolded(root, rootName_))
            Fail("the key \"" + std::string(inner) + "\" is not in " + std::string(rootName_));
        return std::string(inner.substr(root.size()));
    }

    // A quoted text from `pos` (at the opening quote); pos ends after the closing quote.
    std::string Quoted(std::string_view line, std::size_t& pos) const {
        std::string text;
        for (++pos; pos < line.size(); ++pos) {
            char c = line[pos];
            if (c == '"') {
                ++pos;
                return text;
            }
            if (c == '\\' && pos + 1 < line.size()) {
                c = line[++pos];
                if (c != '\\' && c != '"') text += '\\';
            }
            text += c;
        }
        Fail("a quoted text is not closed");
    }

    void ParseValueLine(std::string_view line, HiveContent& content, const std::string& keyPath) {
        std::size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            name = Quoted(line, pos);
        } else {
            Fail("expected \"name\"=value");
        }
        std::string_view rest = TrimBlanks(line.substr(pos));
        if (rest.empty() || rest.front() != '=') Fail("expected = after the value name");
        rest = TrimBlanks(rest.substr(1));
        content.WriteValue(keyPath, name, ParseData(rest));
    }

    RegistryValue ParseData(std::string_view data) {
        if (!data.empty() && data.front() == '"') {
            std::size_t pos = 0;
            std::string text = Quoted(data, pos);
            if (!TrimBlanks(data.substr(pos)).empty()) Fail("text after the closing quote");
            return text;
        }
        if (EqualsFolded(data.substr(0, 6), "dword:")) {
            const std::string_view digits = data.substr(6);
            std::uint32_t value = 0;
            if (digits.empty() || digits.size() > 8) Fail("a dword needs 1 to 8 hex digits");
            for (char c : digits) value = value * 16 + HexDigit(c);
            return value;
        }
        if (EqualsFolded(data.substr(0, 7), "hex(1):")) return HexText(data.substr(7));
        Fail("unsupported value \"" + std::string(data.substr(0, 40)) + "\"");
    }

    unsigned HexDigit(char c) const {
        if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
        c = Fold(c);
        if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
        Fail("bad hex digit");
    }

    // hex(1): bytes "xx,xx,...", continued on the next line after a trailing backslash;
    // the text ends at its first NUL byte.
    std::string HexText(std::string_view bytes) {
        std::string text;
        bool ended = false;
        for (;;) {
            bool continued = !bytes.empty() && bytes.back() == '\\';
            if (continued) bytes.remove_suffix(1);
            while (!(bytes = TrimBlanks(bytes)).empty()) {
                const std::size_t comma = bytes.find(',');
                const std::string_view byte = TrimBlanks(bytes.substr(0, comma));
                if (byte.empty() || byte.size() > 2) Fail("bad hex byte");
                const char c = static_cast<char>(byte.size() == 1
                                                     ? HexDigit(byte[0])
                                                     : HexDigit(byte[0]) * 16 + HexDigit(byte[1]));
                ended = ended || c == '\0';
                if (!ended) text += c;
                bytes.remove_prefix(comma == bytes.npos ? bytes.size() : comma + 1);
            }
            if (!continued) return text;
            if (!NextLine()) Fail("the file ends inside a hex value");
            bytes = line_;
        }
    }

    std::string_view text_;
    std::string_view rootName_;
    const std::string& fileName_;
    std::string_view line_;
    std::size_t next_ = 0;
    int lineNumber_ = 0;
};

}  // namespace

bool HiveContent::TreeOrder::operator()(const std::string& a, const std::string& b) const {
    const auto rank = [](char c) { return c == '\\' ? 0 : static_cast<unsigned char>(c) + 1; };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return rank(a[i]) < rank(b[i]);
    return a.size() < b.size();
}

HiveContent::HiveContent() { keys_.emplace("", Key{}); }

HiveContent HiveContent::Parse(std::string_view text, std::string_view rootName,
                               const std::string& fileName) {
    HiveContent content;
    Parser(text, rootName, fileName).Run(content);
    return content;
}

std::string HiveContent::Serialize(std::string_view rootName) const {
    std::string out = "REGEDIT4\n";
    for (const auto& [folded, key] : keys_) {
        if (folded.empty() && key.values.empty()) continue;
        out += "\n[";
        out += rootName;
        if (!folded.empty()) out += '\\';
        out += key.path;
        out += "]\n";
        for (const auto& [foldedName, value] : key.values) {
            if (value.name.empty())
                out += '@';
            else
                AppendQuoted(out, value.name);
            out += '=';
            AppendValue(out, value.value);
            out += '\n';
        }
    }
    return out;
}

const HiveContent::Key* HiveContent::FindKey(std::string_view path) const {
    const auto it = keys_.find(FoldPath(path));
    return it == keys_.end() ? nullptr : &it->second;
}

bool HiveContent::KeyExists(std::string_view path) const { return FindKey(path) != nullptr; }

const RegistryValue* HiveContent::FindValue(std::string_view path, std::string_view name) const {
    const Key* key = FindKey(path);
    if (!key) return nullptr;
    const auto it = key->values.find(Fold(name));
    return it == key->values.end() ? nullptr : &it->second.value;
}

std::vector<std::string> HiveContent::ValueNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = FindKey(path))
        for (const auto& [folded, value] : key->values) names.push_back(value.name);
    return names;
}

std::vector<std::string> HiveContent::SubkeyNames(std::string_view path) const {
    std::vector<std::string> names;
    std::string prefix = FoldPath(path);
    if (!prefix.empty()) prefix += '\\';
    for (auto it = keys_.upper_bound(prefix); it != keys_.end(); ++it) {
        const std::string& folded = it->first;
        if (folded.compare(0, prefix.size(), prefix) != 0) break;
        if (folded.find('\\', prefix.size()) != folded.npos) continue;  // a grandchild
        const std::string& shown = it->second.path;
        names.push_back(shown.substr(shown.size() - (folded.size() - prefix.size())));
    }
    return names;
}

HiveContent::Key& HiveContent::CreateKeyPath(std::string_view path, bool& created) {
    created = false;
    Key* key = &keys_.at("");
    std::string folded;
    for (std::string_view part : Components(path)) {
        if (HasLineBreak(part)) throw RegistryError("A registry key name cannot hold a line break");
        const std::string shownParent = key->path;
        if (!folded.empty()) folded += '\\';
        folded += Fold(part);
        auto [it, inserted] = keys_.try_emplace(folded);
        if (inserted) {
            it->second.path =
                shownParent.empty() ? std::string(part) : shownParent + '\\' + std::string(part);
            created = true;
        }
        key = &it->second;
    }
    return *key;
}

bool HiveContent::CreateKey(std::string_view path) {
    bool created;
    CreateKeyPath(path, created);
    return created;
}

bool HiveContent::WriteValue(std::string_view path, std::string_view name,
                             const RegistryValue& value) {
    if (HasLineBreak(name)) throw RegistryError("A registry value name cannot hold a line break");
    bool changed;
    Key& key = CreateKeyPath(path, changed);
    auto [it, inserted] = key.values.try_emplace(Fold(name), NamedValue{std::string(name), value});
    if (inserted) return true;
    if (it->second.value == value) return changed;
    it->second.value = value;
    return true;
}

bool HiveContent::DeleteValue(std::string_view path, std::string_view name) {
    const auto key = keys_.find(FoldPath(path));
    return key != keys_.end() && key->second.values.erase(Fold(name)) > 0;
}

bool HiveContent::DeleteKeyTree(std::string_view path) {
    const std::string folded = FoldPath(path);
    if (folded.empty()) throw RegistryError("The root of a hive cannot be deleted");
    const auto first = keys_.find(folded);
    if (first == keys_.end()) return false;
    const std::string prefix = folded + '\\';
    auto last = std::next(first);
    while (last != keys_.end() && last->first.compare(0, prefix.size(), prefix) == 0) ++last;
    keys_.erase(first, last);
    return true;
}

bool HiveContent::Apply(const RegistryBatch::Change& change) {
    using Kind = RegistryBatch::Change::Kind;
    switch (change.kind) {
        case Kind::CreateKey:
            return CreateKey(change.keyPath);
        case Kind::Write:
            return WriteValue(change.keyPath, change.name, change.value);
        case Kind::DeleteValue:
            return DeleteValue(change.keyPath, change.name);
        case Kind::DeleteKeyTree:
            return DeleteKeyTree(change.keyPath);
    }
    return false;
}

}  // namespace korvane::platform
