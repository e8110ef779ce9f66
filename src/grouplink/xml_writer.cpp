// The one layout TMeter reads: a line break and TABs before every element, comment and CDATA
// section; an element's text after its children, right before its end tag.
#include <algorithm>

#include "grouplink/xml_model.h"

namespace korvane::grouplink {
namespace {

void AppendText(std::string& out, std::string_view text, const WriteSettings& settings) {
    if (settings.encodeReferences && settings.entityTable) {
        settings.entityTable->EncodeTo(out, text);
    } else {
        out += text;
    }
}

void AppendAttributes(std::string& out, const std::pmr::vector<XmlAttribute>& attributes,
                      const WriteSettings& settings) {
    for (const XmlAttribute& attribute : attributes) {
        out += ' ';
        out += attribute.name;
        out += '=';
        out += settings.quote;
        AppendText(out, attribute.value, settings);
        out += settings.quote;
    }
}

}  // namespace

std::string XmlNode::Serialize(const WriteSettings& settings) const {
    std::string out;
    SerializeTo(out, settings, settings.indent);
    return out;
}

void XmlNode::SerializeTo(std::string& out, const WriteSettings& settings, int indent) const {
    switch (kind_) {
        case XmlNodeKind::Document:
            for (const auto& child : children_) child->SerializeTo(out, settings, indent);
            return;
        case XmlNodeKind::ProcessingInstruction:
            out += "<?";
            out += name;
            AppendAttributes(out, attributes_, settings);
            out += "?>";
            return;
        default:
            break;
    }

    if (settings.newline) {
        out += "\r\n";
        out.append(static_cast<std::size_t>(std::max(indent, 0)), '\t');
    }
    switch (kind_) {
        case XmlNodeKind::Comment:
            out += "<!--";
            out += value;
            out += "-->";
            return;
        case XmlNodeKind::CData:
            out += "<![CDATA[";
            out += value;
            out += "]]>";
            return;
        default:
            break;
    }

    out += '<';
    out += name;
    AppendAttributes(out, attributes_, settings);
    if (children_.empty() && value.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    const int childIndent = settings.newline && !children_.empty() ? indent + 1 : indent;
    for (const auto& child : children_) child->SerializeTo(out, settings, childIndent);
    if (!value.empty()) AppendText(out, value, settings);
    out += "</";
    out += name;
    out += '>';
}

}  // namespace korvane::grouplink
