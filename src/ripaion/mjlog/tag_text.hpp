// A tag of an mjlog record as an error message shows it: its name and
// attributes as XML writes them, long values and long lists cut short.
#pragma once

#include <cstddef>
#include <string>

#include <pugixml.hpp>

namespace ripaion::mjlog {

// `<NAME a="1" b="2"> (tag N)`, N being the tag's place among the record's
// tags, from 1.
std::string tag_text(const pugi::xml_node& tag, std::size_t place);

}  // namespace ripaion::mjlog
