// mjlog records on the one pipeline: the format told from the bytes, and
// the failures of the XML reader mapped to the pipeline's values.
#include <gtest/gtest.h>

#include <optional>

#include "mjlog_test_support.hpp"
#include "ripaion/pipeline/pipeline.hpp"

using namespace mjlogtest;
using ripaion::pipeline::detect_input_format;
using PipelineFailure = ripaion::pipeline::Failure;
using ripaion::pipeline::InputFormat;

namespace {

TEST(MjlogPipeline, FormatToldFromTheFirstBytes) {
    const std::pair<std::string, InputFormat> cases[] = {
        {"\x1F\x8B\x08", InputFormat::Gzip},
        {std::string("\xFF\xFE<\0", 4), InputFormat::Mjlog},
        {std::string("\xFE\xFF\0<", 4), InputFormat::Mjlog},
        {"\xFF\xFE[", InputFormat::TenhouJson},  // a mark without a tag: not a record
        {"<mjloggm ver=\"2.3\">", InputFormat::Mjlog},
        {"\xEF\xBB\xBF \r\n\t<?xml version=\"1.0\"?>", InputFormat::Mjlog},
        {"{\"log\": []}", InputFormat::TenhouJson},
        {"\xEF\xBB\xBF{}", InputFormat::TenhouJson},
        {"  [1]", InputFormat::TenhouJson},
        {"", InputFormat::TenhouJson},
        {"\x1F", InputFormat::TenhouJson},
    };
    for (const auto& [bytes, format] : cases) EXPECT_EQ(detect_input_format(bytes), format) << bytes;
}

TEST(MjlogPipeline, RecordsConvertAndFailAsTheirReaderSays) {
    const std::string xml = read_file(std::filesystem::path(RIPAION_TEST_DATA_DIR) / "mjlog" / "dnovikoff-bug1.xml");
    const std::string json = read_file(std::filesystem::path(RIPAION_TEST_DATA_DIR) / "logs" / "dnovikoff-bug1.json");
    auto from_xml = ripaion::pipeline::convert(std::string_view(xml), InputFormat::Mjlog);
    auto from_json = ripaion::pipeline::convert(std::string_view(json), InputFormat::TenhouJson);
    ASSERT_TRUE(from_xml.ok() && from_json.ok());
    EXPECT_EQ(ripaion::pipeline::output_text(from_xml.value()), ripaion::pipeline::output_text(from_json.value()));
    // The owned form reads the same.
    auto owned = ripaion::pipeline::convert(std::string(xml), InputFormat::Mjlog);
    ASSERT_TRUE(owned.ok());
    EXPECT_EQ(owned.value().count(), from_xml.value().count());

    const auto failure_of = [](std::string bytes) -> std::optional<PipelineFailure> {
        auto r = ripaion::pipeline::convert(std::move(bytes), InputFormat::Mjlog);
        if (r.ok()) return std::nullopt;
        return r.error();
    };
    EXPECT_EQ(failure_of(xml.substr(0, xml.size() / 2)), PipelineFailure::MjlogParse);
    EXPECT_EQ(failure_of("\xff\xfe\x00"), PipelineFailure::MjlogParse);
    std::string three_player = xml;
    three_player.replace(three_player.find("type=\"169\""), 10, "type=\"185\"");
    EXPECT_EQ(failure_of(three_player), PipelineFailure::InvalidLog);
    // JSON bytes given as a record are not a well-formed record.
    EXPECT_EQ(failure_of(json), PipelineFailure::MjlogParse);
}

TEST(MjlogPipeline, CompressedLogsAreToldOnceDecompressed) {
    const std::string xml = read_file(std::filesystem::path(RIPAION_TEST_DATA_DIR) / "mjlog" / "dnovikoff-bug1.xml");
    const std::string json = read_file(std::filesystem::path(RIPAION_TEST_DATA_DIR) / "logs" / "dnovikoff-bug1.json");
    const std::string want = ripaion::pipeline::output_text(ripaion::pipeline::convert(std::string_view(json)).value());
    for (const std::string& plain : {xml, json}) {
        const std::string gz = gzip_of(plain);
        ASSERT_EQ(detect_input_format(gz), InputFormat::Gzip);
        for (const std::string& bytes : {gz, gz + std::string(512, '\0')}) {  // zero padding read as zcat reads it
            auto owned = ripaion::pipeline::convert(std::string(bytes), InputFormat::Gzip);
            auto borrowed = ripaion::pipeline::convert(std::string_view(bytes), InputFormat::Gzip);
            ASSERT_TRUE(owned.ok() && borrowed.ok()) << plain.substr(0, 20);
            EXPECT_EQ(ripaion::pipeline::output_text(owned.value()), want);
            EXPECT_EQ(ripaion::pipeline::output_text(borrowed.value()), want);
        }
    }
    // A compressed JSON log that is not one fails as the JSON reader says.
    const auto bad_json = ripaion::pipeline::convert(gzip_of("{\"log\": ["), InputFormat::Gzip);
    ASSERT_FALSE(bad_json.ok());
    EXPECT_EQ(bad_json.error(), PipelineFailure::Parse);
    EXPECT_EQ(bad_json.error().reason, "");
    // Damaged or nested compression is the record reader's failure, with why.
    const std::string gz = gzip_of(xml);
    const std::pair<std::string, std::string> failures[] = {
        {gz.substr(0, gz.size() - 9), "corrupt or truncated gzip stream"},
        {gz + "junk", "corrupt or truncated gzip stream"},
        {gzip_of(gz), "gzip inside gzip"},
    };
    for (const auto& [bytes, reason] : failures) {
        const auto r = ripaion::pipeline::convert(std::string_view(bytes), InputFormat::Gzip);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error(), PipelineFailure::MjlogParse);
        EXPECT_EQ(r.error().reason, reason);
    }
}

}  // namespace
