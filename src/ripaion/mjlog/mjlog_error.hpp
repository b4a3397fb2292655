// How reading an mjlog record fails: the bytes are not a well-formed record,
// or the record is read but describes a game the conversion does not take.
#pragma once

#include <string>

namespace ripaion::mjlog {

struct MjlogError {
    enum class Kind {
        Malformed,  // not a well-formed mjlog record (XML, gzip, attributes)
        Refused,    // read, but a game the conversion refuses
    };
    Kind kind = Kind::Malformed;
    std::string message;  // diagnostic for tests; never shown to the caller
};

inline MjlogError malformed(std::string message) { return {MjlogError::Kind::Malformed, std::move(message)}; }
inline MjlogError refused(std::string message) { return {MjlogError::Kind::Refused, std::move(message)}; }

}  // namespace ripaion::mjlog
