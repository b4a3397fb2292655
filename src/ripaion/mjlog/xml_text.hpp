// The bytes of an XML record as UTF-8 text: a UTF-8 byte-order mark is
// dropped, UTF-16 with a byte-order mark (either byte order) is transcoded.
#pragma once

#include <string>

#include "ripaion/result.hpp"

namespace ripaion::mjlog {

struct BadUtf16 {};

// Takes the bytes by value: UTF-8 input is handed back without a copy.
Result<std::string, BadUtf16> xml_as_utf8(std::string bytes);

}  // namespace ripaion::mjlog
