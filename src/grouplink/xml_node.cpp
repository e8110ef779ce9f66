#include <algorithm>

#include "grouplink/xml_model.h"

namespace korvane::grouplink {

EntityTable::EntityTable(std::vector<Entry> entries) : entries_(std::move(entries)) {
    encoded_.fill(-1);
    referenceStart_.fill(false);
    for (std::size_t i = entries_.size(); i-- > 0;) {
        encoded_[static_cast<unsigned char>(entries_[i].character)] = static_cast<int>(i);
        if (!entries_[i].reference.empty()) {
            referenceStart_[static_cast<unsigned char>(entries_[i].reference[0])] = true;
        }
    }
}

const EntityTable& EntityTable::Standard() {
    static const EntityTable table({{'&', "&amp;"},
                                    {'"', "&quot;"},
                                    {'\'', "&apos;"},
                                    {'<', "&lt;"},
                                    {'>', "&gt;"}});
    return table;
}

std::string EntityTable::Decode(std::string_view text) const {
    std::string out(text);
    DecodeInPlace(out);
    return out;
}

void EntityTable::DecodeInPlace(std::string& text) const {
    // A reference is never shorter than its character, so writing never overtakes reading.
    std::size_t read = 0;
    std::size_t write = 0;
    const std::size_t size = text.size();
    while (read < size) {
        const char c = text[read];
        if (referenceStart_[static_cast<unsigned char>(c)]) {
            const std::string_view rest = std::string_view(text).substr(read);
            auto entry = std::find_if(entries_.begin(), entries_.end(), [rest](const Entry& e) {
                return !e.reference.empty() && rest.starts_with(e.reference);
            });
            if (entry != entries_.end()) {
                text[write++] = entry->character;
                read += entry->reference.size();
                continue;
            }
        }
        text[write++] = c;
        ++read;
    }
    text.resize(write);
}

std::string EntityTable::Encode(std::string_view text) const {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        const int entry = encoded_[static_cast<unsigned char>(c)];
        if (entry >= 0) {
            out += entries_[static_cast<std::size_t>(entry)].reference;
        } else {
            out += c;
        }
    }
    return out;
}

XmlNode::XmlNode(XmlNodeKind kind, std::string name, std::string value)
    : name(std::move(name)), value(std::move(value)), kind_(kind) {}

XmlNode::~XmlNode() = default;

std::vector<XmlNode*> XmlNode::ChildrenNamed(std::string_view childName) const {
    std::vector<XmlNode*> found;
    for (const auto& child : children_) {
        if (child->name == childName) found.push_back(child.get());
    }
    return found;
}

XmlNode* XmlNode::FirstChildNamed(std::string_view childName) const {
    for (const auto& child : children_) {
        if (child->name == childName) return child.get();
    }
    return nullptr;
}

std::unique_ptr<XmlNode> XmlNode::NewElement(std::string name, std::string value) {
    return std::make_unique<XmlNode>(XmlNodeKind::Element, std::move(name), std::move(value));
}

void XmlNode::Adopt(XmlNode& child) {
    child.parent_ = this;
    child.document_ = document_;
}

XmlNode* XmlNode::AddChild(std::unique_ptr<XmlNode> child) {
    Adopt(*child);
    children_.push_back(std::move(child));
    return children_.back().get();
}

XmlNode* XmlNode::AddChild(std::string childName, std::string childValue) {
    return AddChild(NewElement(std::move(childName), std::move(childValue)));
}

bool XmlNode::DeleteChild(const XmlNode* child) {
    auto it = std::find_if(children_.begin(), children_.end(),
                           [child](const auto& c) { return c.get() == child; });
    if (it == children_.end()) return false;
    children_.erase(it);
    return true;
}

std::size_t XmlNode::DeleteChildrenNamed(std::string_view childName) {
    return std::erase_if(children_, [childName](const auto& c) { return c->name == childName; });
}

XmlAttribute& XmlNode::AddAttribute(std::string attributeName, std::string attributeValue) {
    attributes_.push_back({std::move(attributeName), std::move(attributeValue), this});
    return attributes_.back();
}

void XmlNode::Clear() {
    children_.clear();
    attributes_.clear();
}

XmlDocument::XmlDocument() : XmlNode(XmlNodeKind::Document) { document_ = this; }

}  // namespace korvane::grouplink
