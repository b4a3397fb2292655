#include "ripaion/mjlog/read_mjlog.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <cstddef>
#include <utility>

#include "ripaion/gzip/gunzip.hpp"
#include "ripaion/mjlog/record_tags.hpp"
#include "ripaion/mjlog/xml_text.hpp"

namespace ripaion::mjlog {
namespace {

// Some 45 times the most of any record seen (2,206).
constexpr std::ptrdiff_t kMaxTags = 100'000;

}  // namespace

Result<model::RawLog, MjlogError> read_mjlog(std::string bytes) {
    if (gzip::has_gzip_magic(bytes)) {
        auto plain = gzip::gunzip(bytes);
        if (!plain) {
            return fail(malformed(plain.error() == gzip::GunzipError::TooLarge ? "gzip content beyond the size bound"
                                                                        : "corrupt gzip stream"));
        }
        std::string().swap(bytes);
        bytes = std::move(plain).value();
    }
    auto text = xml_as_utf8(std::move(bytes));
    if (!text) return fail(malformed("invalid UTF-16"));
    return read_mjlog_xml(std::move(text).value());
}

Result<model::RawLog, MjlogError> read_mjlog_xml(std::string text) {
    // The parsed tree takes about a hundred bytes a tag: a text of tiny tags
    // (a small gzip file inflates to 64 MB of them) is refused before it is
    // built. Real games hold a few thousand tags.
    if (std::count(text.begin(), text.end(), '<') > kMaxTags) return fail(malformed("more tags than a game holds"));
    pugi::xml_document doc;
    // Escapes only: attribute values are numbers and percent-encoded names,
    // so whitespace and line-end normalisation would be wasted work.
    const pugi::xml_parse_result parsed =
        doc.load_buffer_inplace(text.data(), text.size(), pugi::parse_escapes, pugi::encoding_utf8);
    if (!parsed) return fail(malformed(std::string("XML: ") + parsed.description()));
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) != "mjloggm") return fail(malformed("root element is not mjloggm"));
    for (pugi::xml_node n = root.next_sibling(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element) return fail(malformed("a second top-level element"));
    }
    return read_record_tags(root);
}

}  // namespace ripaion::mjlog
