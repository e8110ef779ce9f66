#pragma once
// The plug-in's own small XML model: reads a whole 8-bit text into a tree and writes it back in
// one fixed layout (CR LF and TAB indentation) that TMeter reads. Not validating, not
// namespace-aware; it knows elements, attributes, comments, CDATA sections, processing
// instructions and exactly five character references.
#include <array>
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane::grouplink {

class EntityTable {
  public:
    struct Entry {
        char character;
        std::string reference;
    };
    explicit EntityTable(std::vector<Entry> entries);

    // The library's one table: & " ' < > with their five references, in this order.
    static const EntityTable& Standard();

    // Replaces every complete reference by its character, left to right, in one pass.
    std::string Decode(std::string_view text) const;
    // Decodes the size bytes at data where they are; returns the decoded size.
    std::size_t DecodeInPlace(char* data, std::size_t size) const;
    // Replaces every character of the table by its reference.
    std::string Encode(std::string_view text) const;
    void EncodeTo(std::string& out, std::string_view text) const;

  private:
    std::vector<Entry> entries_;
    std::array<int, 256> encoded_;          // character -> first entry index, or -1
    std::array<bool, 256> referenceStart_;  // first characters of the references
    std::optional<char> singleStart_;       // when all references start alike

    // The first position at or after from that may start a reference, or the end.
    std::size_t NextReferenceStart(std::string_view text, std::size_t from) const;
};

// Read errors; the values are the error kinds the caller sees.
enum class XmlError {
    None = 0,
    ElementNotClosed = 1,  // "/" in a start tag not followed by ">", or a start tag cut off
    ElementNoEndTag = 2,   // no text after a start tag, or a closing tag without its end
    MismatchedEndTag = 3,  // closing tag with another name
    AttributeError = 4,    // attribute without "=" or terminator, value cut off
    MarkupNotClosed = 5,   // comment, CDATA section or processing instruction cut off
    NestedTooDeeply = 6,   // more nested elements than the reader follows
};

struct ReadSettings {
    bool trimText = false;
    bool decodeReferences = true;
    const EntityTable* entityTable = &EntityTable::Standard();
    std::optional<char> escapeChar;
    bool forceParse = false;

    // Results: the first error only.
    bool errorFound = false;
    std::size_t errorPosition = 0;
    XmlError errorKind = XmlError::None;
    std::string errorText;
};

struct WriteSettings {
    bool newline = true;
    bool encodeReferences = true;
    char quote = '"';
    const EntityTable* entityTable = &EntityTable::Standard();
    int indent = 0;  // TABs before the first line; every level below adds one
};

enum class XmlNodeKind { Element, ProcessingInstruction, Comment, CData, Document };

class XmlNode;

// Texts of the tree. A document keeps the nodes it reads, and their texts, in an arena of its
// own that is released whole with it; nodes made by NewElement live on the heap.
using XmlString = std::pmr::string;

struct XmlAttribute {
    XmlString name;
    XmlString value;
    XmlNode* parent = nullptr;
};

class XmlNode {
  public:
    // Destroys a node and frees it unless it lies in its document's arena.
    struct Deleter {
        void operator()(XmlNode* node) const;
    };
    using Ptr = std::unique_ptr<XmlNode, Deleter>;

    XmlNode(XmlNodeKind kind, std::string_view name = {}, std::string_view value = {},
            std::pmr::memory_resource* resource = std::pmr::new_delete_resource());
    ~XmlNode();
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    XmlString name;
    XmlString value;

    XmlNodeKind Kind() const { return kind_; }
    XmlNode* Parent() const { return parent_; }
    XmlNode* Document() const { return document_; }
    const std::pmr::vector<Ptr>& Children() const { return children_; }
    const std::pmr::vector<XmlAttribute>& Attributes() const { return attributes_; }

    std::vector<XmlNode*> ChildrenNamed(std::string_view childName) const;
    XmlNode* FirstChildNamed(std::string_view childName) const;

    // A node in no tree yet, owned by the caller.
    static Ptr New(XmlNodeKind kind, std::string_view name = {}, std::string_view value = {});
    static Ptr NewElement(std::string_view name, std::string_view value = {});
    // Takes the node into this node's tree as its last child.
    XmlNode* AddChild(Ptr child);
    // Makes the element in this tree's arena and appends it.
    XmlNode* AddChild(std::string_view childName, std::string_view childValue = {});
    // True when node was a direct child; it is destroyed with everything below it.
    bool DeleteChild(const XmlNode* child);
    // Destroys every direct child of that name in one pass; returns how many.
    std::size_t DeleteChildrenNamed(std::string_view childName);
    XmlAttribute& AddAttribute(std::string_view attributeName,
                               std::string_view attributeValue = {});
    // Destroys all children and attributes; name and value stay.
    void Clear();

    std::string Serialize(const WriteSettings& settings = WriteSettings{}) const;

  protected:
    // A node placed in arena (or on the heap when it is null).
    static Ptr Make(XmlNodeKind kind, std::string_view name, std::string_view value,
                    std::pmr::memory_resource* arena);

    XmlNodeKind kind_;
    bool inArena_ = false;
    bool heapNodesAdopted_ = false;  // of a document: some node of its tree is not in the arena
    XmlNode* parent_ = nullptr;
    XmlNode* document_ = nullptr;
    std::pmr::memory_resource* arena_ = nullptr;  // where new nodes of this tree go
    std::pmr::vector<Ptr> children_;
    std::pmr::vector<XmlAttribute> attributes_;

  private:
    friend class XmlReader;
    void SerializeTo(std::string& out, const WriteSettings& settings, int indent) const;
    void Adopt(XmlNode& child);
};

class XmlDocument : public XmlNode {
  public:
    XmlDocument();
    ~XmlDocument();

    // Reads the root element and the processing instructions, comments and CDATA sections
    // around it into this document's children (appended to what is there). Returns the
    // position after the part read, or nothing when reading failed; errors are left in the
    // settings used (the document's own when none are given).
    std::optional<std::size_t> Parse(std::string_view text, ReadSettings* settings = nullptr);

    ReadSettings readSettings;

  private:
    std::unique_ptr<std::pmr::memory_resource> arenaResource_;
};

}  // namespace korvane::grouplink
