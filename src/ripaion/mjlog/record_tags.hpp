// The tags of an mjlog record, in order, into the log model.
#pragma once

#include <pugixml.hpp>

#include "ripaion/mjlog/mjlog_error.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::mjlog {

Result<model::RawLog, MjlogError> read_record_tags(const pugi::xml_node& root);

}  // namespace ripaion::mjlog
