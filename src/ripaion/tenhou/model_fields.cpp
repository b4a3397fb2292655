#include "ripaion/tenhou/model_fields.hpp"

#include <array>

namespace ripaion::tenhou::detail {
namespace {

constexpr std::array<std::string_view, kRawLogFieldCount> kRawLogNames = {
    "log", "name", "rule", "ratingc", "lobby", "dan", "rate", "sx",
};
constexpr std::array<std::string_view, kRuleFieldCount> kRuleNames = {
    "disp", "aka", "aka51", "aka52", "aka53",
};

}  // namespace

RawLogField raw_log_field(std::string_view key) noexcept {
    for (std::uint8_t i = 0; i < kRawLogFieldCount; ++i) {
        if (kRawLogNames[i] == key) return static_cast<RawLogField>(i);
    }
    return RawLogField::None;
}

RuleField rule_field(std::string_view key) noexcept {
    for (std::uint8_t i = 0; i < kRuleFieldCount; ++i) {
        if (kRuleNames[i] == key) return static_cast<RuleField>(i);
    }
    return RuleField::None;
}

std::string_view raw_log_field_name(RawLogField f) noexcept {
    const auto i = static_cast<std::uint8_t>(f);
    return i < kRawLogFieldCount ? kRawLogNames[i] : std::string_view{};
}

}  // namespace ripaion::tenhou::detail
