// The reader works on positions inside one text and never looks past its end: every search
// is bounded by the text's size, and a construct cut off by the end fails the read.
#include <cstring>
#include <tuple>

#include "grouplink/xml_model.h"

namespace korvane::grouplink {

namespace {

constexpr std::size_t kFail = std::string_view::npos;
// Filter sets nest four levels; this only keeps a hostile text from exhausting the stack.
constexpr int kMaxDepth = 512;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAllBlank(std::string_view text) {
    for (char c : text) {
        if (!IsBlank(c)) return false;
    }
    return true;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename... Parts>
std::string Concat(const Parts&... parts) {
    std::string text;
    (text.append(std::string_view(parts)), ...);
    return text;
}

class CharSet {
  public:
    constexpr explicit CharSet(std::string_view chars) {
        for (char c : chars) has_[static_cast<unsigned char>(c)] = true;
    }
    constexpr bool Has(char c) const { return has_[static_cast<unsigned char>(c)]; }

  private:
    bool has_[256] = {};
};

constexpr CharSet kNameEnd(" />\t\r\n");
constexpr CharSet kCloseNameEnd(" >");
constexpr CharSet kAttributeNameEnd(" =");
constexpr CharSet kBareValueEnd(" >");
constexpr CharSet kInstructionNameEnd(" ?>");
constexpr CharSet kTextEnd("<");
constexpr CharSet kDoubleQuote("\"");
constexpr CharSet kSingleQuote("'");

}  // namespace

class XmlReader {
  public:
    XmlReader(std::string_view text, ReadSettings& settings) : t_(text), s_(settings) {}

    std::optional<std::size_t> Parse(XmlDocument& document) {
        auto root = NewChildOf(document);
        std::size_t p = ReadElement(*root, 0, 1);
        if (p == kFail) return std::nullopt;
        // A text that starts with a closing tag gives no element to keep.
        if (root->name.empty()) return p;
        XmlNode* kept = document.AddChild(std::move(root));
        bool consumed = false;
        p = ReadOtherNodes(*kept, p, consumed);
        if (p == kFail) return std::nullopt;
        return p;
    }

  private:
    // A node that knows its place but is not yet in its parent's list.
    static XmlNode::Ptr NewChildOf(XmlNode& parent, XmlNodeKind kind = XmlNodeKind::Element) {
        XmlNode::Ptr node = XmlNode::Make(kind, {}, {}, parent.arena_);
        node->parent_ = &parent;
        node->document_ = parent.document_;
        node->arena_ = parent.arena_;
        return node;
    }

    std::size_t Fail(XmlError kind, std::size_t position, std::string text) {
        if (!s_.errorFound) {
            s_.errorFound = true;
            s_.errorPosition = position;
            s_.errorKind = kind;
            s_.errorText = std::move(text);
        }
        return kFail;
    }

    std::size_t SkipBlanks(std::size_t p) const {
        while (p < t_.size() && IsBlank(t_[p])) ++p;
        return p;
    }

    bool StartsWith(std::size_t p, std::string_view what) const {
        return p <= t_.size() && t_.substr(p).starts_with(what);
    }

    bool StartsWithNoCase(std::size_t p, std::string_view what) const {
        if (p > t_.size() || t_.size() - p < what.size()) return false;
        for (std::size_t i = 0; i < what.size(); ++i) {
            if (Lower(t_[p + i]) != Lower(what[i])) return false;
        }
        return true;
    }

    // First position at or after p where what starts; the escape character, when set, makes
    // the character after it literal.
    std::size_t Find(std::size_t p, std::string_view what) const {
        if (!s_.escapeChar) {
            if (p >= t_.size()) return kFail;
            if (what.size() != 1) return t_.find(what, p);
            return t_[p] == what[0] ? p : t_.find(what[0], p);  // often right here
        }
        const char escape = *s_.escapeChar;
        for (std::size_t i = p; i < t_.size(); ++i) {
            if (t_[i] == escape) {
                ++i;
                continue;
            }
            if (t_.substr(i).starts_with(what)) return i;
        }
        return kFail;
    }

    // First position at or after p holding a character of the set.
    std::size_t FindAnyOf(std::size_t p, const CharSet& set) const {
        for (std::size_t i = p; i < t_.size(); ++i) {
            if (set.Has(t_[i])) return i;
        }
        return kFail;
    }

    // The same, a backslash making the next character ordinary.
    std::size_t FindUnescapedAnyOf(std::size_t p, const CharSet& set) const {
        for (std::size_t i = p; i < t_.size(); ++i) {
            if (t_[i] == '\\') {
                ++i;
                continue;
            }
            if (set.Has(t_[i])) return i;
        }
        return kFail;
    }

    // Replaces field with the piece [start, end) and decodes it; an empty piece changes nothing.
    void StoreText(XmlString& field, std::size_t start, std::size_t end) const {
        if (s_.trimText) {
            while (start < end && IsBlank(t_[start])) ++start;
            while (end > start && IsBlank(t_[end - 1])) --end;
        }
        if (start >= end) return;
        if (s_.escapeChar) {
            field.clear();
            for (std::size_t i = start; i < end; ++i) {
                if (t_[i] == *s_.escapeChar && ++i == end) break;
                field += t_[i];
            }
        } else {
            field.assign(t_.data() + start, end - start);
        }
        if (s_.decodeReferences && s_.entityTable) {
            field.resize(s_.entityTable->DecodeInPlace(field.data(), field.size()));
        }
    }

    // n comes fresh, without children or attributes.
    std::size_t ReadElement(XmlNode& n, std::size_t p, int depth) {
        std::size_t q = kFail;
        for (;;) {
            q = Find(p, "<");
            if (q == kFail) return kFail;
            if (StartsWith(q, "</")) return q;
            bool consumed = false;
            const std::size_t r = ReadOtherNodes(n, q, consumed);
            if (r == kFail) return kFail;
            if (consumed) return r;
            if (r == q) break;
            p = r;  // past instructions and comments: look for the tag again
        }

        const std::size_t nameEnd = FindAnyOf(q + 1, kNameEnd);
        if (nameEnd == kFail) return Fail(XmlError::ElementNotClosed, q, "Element must be closed.");
        n.name.assign(t_.data() + q + 1, nameEnd - q - 1);

        std::size_t a = ReadAttributes(n, nameEnd, kFail);
        if (a == kFail) return kFail;
        if (t_[a] == '/') {
            if (StartsWith(a + 1, ">")) return a + 2;
            return Fail(XmlError::ElementNotClosed, a + 1, "Element must be closed.");
        }

        p = a + 1;  // past ">"
        const std::size_t lt = Find(p, "<");
        if (lt == kFail) {
            return Fail(XmlError::ElementNoEndTag, p,
                        Concat(n.name, " must be closed with </", n.name, ">"));
        }
        StoreText(n.value, p, lt);
        bool valueBlank = IsAllBlank(n.value);
        p = lt;

        while (p != t_.size()) {
            if (depth >= kMaxDepth) {
                return Fail(
                    XmlError::NestedTooDeeply, p,
                    "Elements are nested more than " + std::to_string(kMaxDepth) + " levels deep.");
            }
            auto child = NewChildOf(n);
            const std::size_t r = ReadElement(*child, p, depth + 1);
            if (!child->name.empty()) n.children_.push_back(std::move(child));
            if (r == kFail) return kFail;
            p = r;

            if (StartsWith(p, "</")) {
                const std::size_t nameStart = SkipBlanks(p + 2);
                const std::size_t closeEnd = FindAnyOf(nameStart, kCloseNameEnd);
                const std::size_t gt = closeEnd == kFail ? kFail : Find(closeEnd, ">");
                if (gt == kFail) {
                    return Fail(XmlError::ElementNoEndTag, p,
                                Concat("it must be closed with </", n.name, ">"));
                }
                const std::string_view closeName = t_.substr(nameStart, closeEnd - nameStart);
                if (closeName == n.name) return gt + 1;
                if (!s_.forceParse) {
                    return Fail(
                        XmlError::MismatchedEndTag, p,
                        Concat("'<", n.name, "> ... </", closeName, ">' is not wel-formed."));
                }
                p = gt + 1;
            } else if (valueBlank && p < t_.size() && t_[p] != '<') {
                std::size_t end = FindUnescapedAnyOf(p, kTextEnd);
                if (end == kFail) end = t_.size();
                StoreText(n.value, p, end);
                valueBlank = IsAllBlank(n.value);
                p = end;
            }
        }
        return t_.size();  // still open at the end of the text: not an error
    }

    // Instructions, comments and CDATA sections at p. Inside an element at most one comment or
    // CDATA section is taken per call (consumed is then set); around the root any number.
    std::size_t ReadOtherNodes(XmlNode& n, std::size_t p, bool& consumed) {
        consumed = false;
        const bool insideElement = n.parent_ && n.parent_->kind_ != XmlNodeKind::Document;
        for (;;) {
            const std::size_t start = p;
            p = SkipBlanks(p);
            // Every opener starts with "<?" or "<!".
            if (p + 1 >= t_.size() || t_[p] != '<' || (t_[p + 1] != '?' && t_[p + 1] != '!')) {
                return p;
            }
            if (StartsWithNoCase(p, "<?")) {
                p = ReadProcessingInstruction(n, p);
                if (p == kFail) return kFail;
            }
            for (const auto& [opener, closer, kind, name] :
                 {std::tuple{"<!--", "-->", XmlNodeKind::Comment, "#COMMENT"},
                  std::tuple{"<![CDATA[", "]]>", XmlNodeKind::CData, "#CDATA"}}) {
                p = SkipBlanks(p);
                if (!StartsWithNoCase(p, opener)) continue;
                p = ReadEnclosed(n, p, opener, closer, kind, name);
                if (p == kFail) return kFail;
                if (insideElement) {
                    consumed = true;
                    return p;
                }
            }
            if (p == start) return p;
        }
    }

    std::size_t ReadEnclosed(XmlNode& n, std::size_t p, std::string_view opener,
                             std::string_view closer, XmlNodeKind kind, const char* name) {
        const std::size_t begin = p + opener.size();
        const std::size_t end = Find(begin, closer);
        if (end == kFail) {
            return Fail(XmlError::MarkupNotClosed, p,
                        std::string(opener) + " must be closed with " + std::string(closer));
        }
        XmlNode* holder = n.parent_ ? n.parent_ : n.document_;
        holder->AddChild(XmlNode::Make(kind, name, t_.substr(begin, end - begin), holder->arena_));
        return end + closer.size();
    }

    std::size_t ReadProcessingInstruction(XmlNode& n, std::size_t p) {
        const std::size_t close = Find(p + 2, "?>");
        if (close == kFail) {
            const std::size_t nameEnd = FindAnyOf(p + 2, kInstructionNameEnd);
            const std::string target(
                t_.substr(p + 2, (nameEnd == kFail ? t_.size() : nameEnd) - p - 2));
            return Fail(XmlError::MarkupNotClosed, p, "<?" + target + " must be closed with ?>");
        }
        if (!n.document_) return close + 2;

        XmlNode::Ptr instruction = NewChildOf(*n.document_, XmlNodeKind::ProcessingInstruction);
        const std::size_t nameEnd =
            FindAnyOf(p + 2, kInstructionNameEnd);  // the "?" of "?>" at the latest
        instruction->name.assign(t_.data() + p + 2, nameEnd - p - 2);
        if (ReadAttributes(*instruction, nameEnd, close) == kFail) return kFail;
        n.document_->AddChild(std::move(instruction));
        return close + 2;
    }

    // Returns the position of the ">" or "/" that ends the attributes (or one at or past stop).
    std::size_t ReadAttributes(XmlNode& x, std::size_t p, std::size_t stop) {
        for (;;) {
            if (p >= t_.size()) return kFail;  // the text ends right after an attribute
            p = SkipBlanks(p);
            if (p >= stop || StartsWith(p, ">") || StartsWith(p, "/")) return p;

            const std::size_t nameEnd = FindAnyOf(p, kAttributeNameEnd);
            if (nameEnd == kFail) {
                return Fail(XmlError::AttributeError, p,
                            Concat("<", x.name, "> attribute has error "));
            }
            x.AddAttribute(t_.substr(p, nameEnd - p));
            const std::size_t index = x.attributes_.size() - 1;

            p = SkipBlanks(nameEnd);
            if (!StartsWith(p, "=")) continue;  // an attribute without a value
            p = SkipBlanks(p + 1);
            const bool quoted = StartsWith(p, "\"") || StartsWith(p, "'");
            const std::size_t begin = quoted ? p + 1 : p;
            const CharSet& valueEnd = !quoted        ? kBareValueEnd
                                      : t_[p] == '"' ? kDoubleQuote
                                                     : kSingleQuote;
            const std::size_t end = FindUnescapedAnyOf(begin, valueEnd);
            if (end == kFail) {
                return Fail(XmlError::AttributeError, p,
                            Concat("<", x.name, "> attribute has error "));
            }
            StoreText(x.attributes_[index].value, begin, end);
            p = quoted ? end + 1 : end;
        }
    }

    std::string_view t_;
    ReadSettings& s_;
};

std::optional<std::size_t> XmlDocument::Parse(std::string_view text, ReadSettings* settings) {
    XmlReader reader(text, settings ? *settings : readSettings);
    return reader.Parse(*this);
}

}  // namespace korvane::grouplink
