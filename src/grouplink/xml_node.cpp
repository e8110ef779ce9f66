#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "grouplink/xml_model.h"

namespace korvane::grouplink {
namespace {

// Hands out small pieces of growing blocks, freed all at once with the arena. Blocks double
// from 32 KiB; from 2 MiB on they are huge-page aligned and advised, so reading a filter set of
// some megabytes costs a few page faults instead of thousands (first touch of fresh memory is
// what a large read spends most on). Large pieces (long child lists, long texts) come and go
// singly; those still out when the arena goes are freed with it.
class PageArena final : public std::pmr::memory_resource {
  public:
    PageArena() = default;
    PageArena(const PageArena&) = delete;
    PageArena& operator=(const PageArena&) = delete;
    ~PageArena() override {
        for (void* block : blocks_) std::free(block);
        for (auto [piece, alignment] : large_)
            ::operator delete(piece, std::align_val_t(alignment));
    }

  private:
    static constexpr std::size_t kFirstBlock = 32 * 1024;
    static constexpr std::size_t kHugePage = 2 * 1024 * 1024;
    static constexpr std::size_t kLargestBlock = 4 * kHugePage;
    static constexpr std::size_t kLargest = 4 * 1024;

    void* do_allocate(std::size_t bytes, std::size_t alignment) override {
        if (bytes > kLargest || alignment > alignof(std::max_align_t)) {
            void* piece = ::operator new(bytes, std::align_val_t(alignment));
            large_.emplace(piece, alignment);
            return piece;
        }
        std::size_t offset = (used_ + alignment - 1) & ~(alignment - 1);
        if (blocks_.empty() || offset + bytes > blockSize_) {
            NewBlock();
            offset = 0;
        }
        used_ = offset + bytes;
        return static_cast<char*>(blocks_.back()) + offset;
    }

    void NewBlock() {
        const std::size_t size =
            blocks_.empty() ? kFirstBlock : std::min(blockSize_ * 2, kLargestBlock);
        void* block = size >= kHugePage ? std::aligned_alloc(kHugePage, size) : std::malloc(size);
        if (!block) throw std::bad_alloc();
        if (size >= kHugePage) madvise(block, size, MADV_HUGEPAGE);  // a hint; failure is fine
        blocks_.push_back(block);
        blockSize_ = size;
    }

    void do_deallocate(void* piece, std::size_t bytes, std::size_t alignment) override {
        if (bytes > kLargest || alignment > alignof(std::max_align_t)) {
            large_.erase(piece);
            ::operator delete(piece, std::align_val_t(alignment));
        }
    }

    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }

    std::vector<void*> blocks_;
    std::size_t blockSize_ = 0;
    std::size_t used_ = 0;
    std::unordered_map<void*, std::size_t> large_;  // piece -> alignment
};

}  // namespace

EntityTable::EntityTable(std::vector<Entry> entries) : entries_(std::move(entries)) {
    encoded_.fill(-1);
    referenceStart_.fill(false);
    for (std::size_t i = entries_.size(); i-- > 0;) {
        encoded_[static_cast<unsigned char>(entries_[i].character)] = static_cast<int>(i);
        if (!entries_[i].reference.empty()) {
            referenceStart_[static_cast<unsigned char>(entries_[i].reference[0])] = true;
        }
    }
    // All five standard references start with "&": then the scan is a memchr.
    for (const Entry& entry : entries_) {
        if (entry.reference.empty()) continue;
        if (!singleStart_) singleStart_ = entry.reference[0];
        if (*singleStart_ != entry.reference[0]) {
            singleStart_.reset();
            break;
        }
    }
}

const EntityTable& EntityTable::Standard() {
    static const EntityTable table(
        {{'&', "&amp;"}, {'"', "&quot;"}, {'\'', "&apos;"}, {'<', "&lt;"}, {'>', "&gt;"}});
    return table;
}

std::string EntityTable::Decode(std::string_view text) const {
    std::string out(text);
    out.resize(DecodeInPlace(out.data(), out.size()));
    return out;
}

std::size_t EntityTable::NextReferenceStart(std::string_view text, std::size_t from) const {
    if (singleStart_) {
        const std::size_t at = text.find(*singleStart_, from);
        return at == std::string_view::npos ? text.size() : at;
    }
    while (from < text.size() && !referenceStart_[static_cast<unsigned char>(text[from])]) ++from;
    return from;
}

std::size_t EntityTable::DecodeInPlace(char* data, std::size_t size) const {
    // A reference is never shorter than its character, so writing never overtakes reading.
    const std::string_view text(data, size);
    std::size_t read = NextReferenceStart(text, 0);
    std::size_t write = read;
    while (read < size) {
        const std::string_view rest = text.substr(read);
        auto entry = std::find_if(entries_.begin(), entries_.end(), [rest](const Entry& e) {
            return !e.reference.empty() && rest.starts_with(e.reference);
        });
        if (entry != entries_.end()) {
            data[write++] = entry->character;
            read += entry->reference.size();
        } else {
            data[write++] = data[read++];
        }
        const std::size_t next = NextReferenceStart(text, read);
        if (next > read) std::memmove(data + write, data + read, next - read);
        write += next - read;
        read = next;
    }
    return write;
}

std::string EntityTable::Encode(std::string_view text) const {
    std::string out;
    EncodeTo(out, text);
    return out;
}

void EntityTable::EncodeTo(std::string& out, std::string_view text) const {
    std::size_t run = 0;  // start of the characters not yet written
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int entry = encoded_[static_cast<unsigned char>(text[i])];
        if (entry < 0) continue;
        out.append(text, run, i - run);
        out += entries_[static_cast<std::size_t>(entry)].reference;
        run = i + 1;
    }
    out.append(text, run);
}

void XmlNode::Deleter::operator()(XmlNode* node) const {
    if (node->inArena_) {
        node->~XmlNode();  // the memory goes with the arena
    } else {
        delete node;
    }
}

XmlNode::XmlNode(XmlNodeKind kind, std::string_view name, std::string_view value,
                 std::pmr::memory_resource* resource)
    : name(name, resource),
      value(value, resource),
      kind_(kind),
      children_(resource),
      attributes_(resource) {}

XmlNode::~XmlNode() = default;

XmlNode::Ptr XmlNode::Make(XmlNodeKind kind, std::string_view name, std::string_view value,
                           std::pmr::memory_resource* arena) {
    if (!arena) return Ptr(new XmlNode(kind, name, value));
    void* memory = arena->allocate(sizeof(XmlNode), alignof(XmlNode));
    Ptr node(new (memory) XmlNode(kind, name, value, arena));
    node->inArena_ = true;
    return node;
}

XmlNode::Ptr XmlNode::New(XmlNodeKind kind, std::string_view name, std::string_view value) {
    return Make(kind, name, value, nullptr);
}

XmlNode::Ptr XmlNode::NewElement(std::string_view name, std::string_view value) {
    return New(XmlNodeKind::Element, name, value);
}

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

void XmlNode::Adopt(XmlNode& child) {
    if (!child.inArena_ && document_) document_->heapNodesAdopted_ = true;
    child.parent_ = this;
    child.document_ = document_;
    child.arena_ = arena_;
}

XmlNode* XmlNode::AddChild(Ptr child) {
    Adopt(*child);
    children_.push_back(std::move(child));
    return children_.back().get();
}

XmlNode* XmlNode::AddChild(std::string_view childName, std::string_view childValue) {
    return AddChild(Make(XmlNodeKind::Element, childName, childValue, arena_));
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

XmlAttribute& XmlNode::AddAttribute(std::string_view attributeName,
                                    std::string_view attributeValue) {
    std::pmr::memory_resource* resource = attributes_.get_allocator().resource();
    attributes_.push_back(
        {XmlString(attributeName, resource), XmlString(attributeValue, resource), this});
    return attributes_.back();
}

void XmlNode::Clear() {
    children_.clear();
    attributes_.clear();
}

XmlDocument::XmlDocument()
    : XmlNode(XmlNodeKind::Document), arenaResource_(std::make_unique<PageArena>()) {
    document_ = this;
    arena_ = arenaResource_.get();
}

XmlDocument::~XmlDocument() {
    if (heapNodesAdopted_) {
        Clear();  // every node destroyed before the arena goes
        return;
    }
    // Only arena nodes: everything they hold goes with the arena, without visiting each.
    for (Ptr& child : children_) static_cast<void>(child.release());
}

}  // namespace korvane::grouplink
