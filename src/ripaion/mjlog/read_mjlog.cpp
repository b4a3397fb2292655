#include "ripaion/mjlog/read_mjlog.hpp"

#include <pugixml.hpp>

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

#include "ripaion/gzip/gunzip.hpp"
#include "ripaion/mjlog/record_tags.hpp"
#include "ripaion/mjlog/xml_text.hpp"

namespace ripaion::mjlog {
namespace {

// The parsed tree costs some 64 bytes a tag and 40 an attribute, a few times
// the text they take (`<a/>`, ` a=""`): the counts are bounded before the
// tree is built, so that the tree never takes more than a few megabytes
// whatever the text. The largest real record holds 2,206 tags with 523
// attributes, at most 12 on one tag.
constexpr std::size_t kMaxTags = 100'000;
constexpr std::size_t kMaxAttributes = 200'000;
constexpr std::size_t kMaxAttributesPerTag = 64;

// Counted from the text: a tag starts with '<', an attribute holds '='.
// Quoted values of real records hold neither (names are percent-encoded);
// a record whose values do only counts more than it holds.
std::optional<std::string> too_large_for_a_record(std::string_view text) {
    std::size_t tags = 0, attributes = 0, on_this_tag = 0;
    for (const char c : text) {
        if (c == '<') {
            ++tags;
            on_this_tag = 0;
        } else if (c == '=') {
            ++attributes;
            if (++on_this_tag > kMaxAttributesPerTag) return "more attributes on one tag than a record holds";
        }
    }
    if (tags > kMaxTags) return "more tags than a game holds";
    if (attributes > kMaxAttributes) return "more attributes than a game holds";
    return std::nullopt;
}

}  // namespace

Result<model::RawLog, MjlogError> read_mjlog(std::string bytes) {
    if (gzip::has_gzip_magic(bytes)) {
        auto plain = gzip::gunzip(bytes);
        if (!plain) return fail(malformed(std::string(gzip::gunzip_error_text(plain.error()))));
        std::string().swap(bytes);
        bytes = std::move(plain).value();
    }
    auto text = xml_as_utf8(std::move(bytes));
    if (!text) return fail(malformed("invalid UTF-16"));
    return read_mjlog_xml(std::move(text).value());
}

Result<model::RawLog, MjlogError> read_mjlog_xml(std::string text) {
    // A text of tiny tags or attributes (a small gzip file inflates to 64 MB
    // of them) is refused before its tree is built.
    if (auto why = too_large_for_a_record(text)) return fail(malformed(std::move(*why)));
    pugi::xml_document doc;
    // Escapes only: attribute values are numbers and percent-encoded names,
    // so whitespace and line-end normalisation would be wasted work.
    const pugi::xml_parse_result parsed =
        doc.load_buffer_inplace(text.data(), text.size(), pugi::parse_escapes, pugi::encoding_utf8);
    if (!parsed) {
        return fail(malformed(std::string("not well-formed XML: ") + parsed.description() + " at byte " +
                              std::to_string(parsed.offset)));
    }
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) != "mjloggm") return fail(malformed("root element is not mjloggm"));
    for (pugi::xml_node n = root.next_sibling(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element) return fail(malformed("a second top-level element"));
    }
    return read_record_tags(root);
}

}  // namespace ripaion::mjlog
