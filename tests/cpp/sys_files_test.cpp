// The POSIX file helpers and the output writer: whole reads and writes,
// error numbers, the interrupt check, and standard output for "-".
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "test_files.hpp"
#include "ripaion/sys/output_file.hpp"
#include "ripaion/sys/posix_file.hpp"

namespace {

namespace fs = std::filesystem;
using namespace ripaion::sys;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "ripaion-sys-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path operator/(const char* name) const { return path_ / name; }

private:
    fs::path path_;
};

std::string sample(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

TEST(PosixFile, WritesThenReadsBackWhole) {
    TempDir dir;
    const std::string path = (dir / "f").string();
    for (std::size_t size : {0u, 1u, 8191u, 8192u, 100000u}) {
        const std::string bytes = sample(size);
        {
            auto file = create_for_writing(path);
            ASSERT_TRUE(file);
            ASSERT_TRUE(write_all(file.value().get(), bytes));
            ASSERT_TRUE(file.value().close_checked());
        }
        auto file = open_for_reading(path);
        ASSERT_TRUE(file);
        auto read = read_to_end(file.value().get());
        ASSERT_TRUE(read);
        EXPECT_EQ(read.value(), bytes) << size;
    }
}

TEST(PosixFile, ReadsAStreamOfUnknownSize) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string bytes = sample(50000);  // beyond a pipe's buffer: the writer must wait for the reader
    std::thread writer([&] {
        (void)write_all(fds[1], bytes);
        close(fds[1]);
    });
    auto read = read_to_end(fds[0]);
    writer.join();
    close(fds[0]);
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value(), bytes);
}

TEST(PosixFile, FailuresAreErrorNumbers) {
    TempDir dir;
    auto missing = open_for_reading((dir / "missing").string());
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().number, ENOENT);
    EXPECT_FALSE(missing.error().stopped);

    // A NUL byte would make the system see a shorter path, here an
    // existing directory.
    auto with_nul = open_for_reading(std::string((dir / "").string()) + std::string("\0x", 2));
    ASSERT_FALSE(with_nul);
    EXPECT_EQ(with_nul.error().number, ENOENT);

    auto in_missing_dir = create_for_writing((dir / "no/such").string());
    ASSERT_FALSE(in_missing_dir);
    EXPECT_EQ(in_missing_dir.error().number, ENOENT);

    auto directory = open_for_reading((dir / "").string());
    ASSERT_TRUE(directory);
    auto read = read_to_end(directory.value().get());
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().number, EISDIR);
    EXPECT_EQ(system_error_text(EISDIR), "Is a directory");
    EXPECT_EQ(system_error_text(-5), "Unknown error -5");
}

// An interrupted read asks the check; reading goes on while the check says
// so and stops with `stopped` once it does not.
std::atomic<int> g_checks{0};
std::atomic<bool> g_stop{false};
bool counting_check() {
    ++g_checks;
    return g_stop.load();
}
void ignore_signal(int) {}

struct InterruptedRead {
    bool stop;
    bool expect_data;
};

class InterruptCheck : public ::testing::TestWithParam<InterruptedRead> {};

TEST_P(InterruptCheck, IsAskedAfterAnInterruption) {
    struct sigaction action {}, old {};
    action.sa_handler = ignore_signal;  // no SA_RESTART: the read fails with EINTR
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &action, &old), 0);
    g_checks = 0;
    g_stop = GetParam().stop;

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::atomic<bool> done{false};
    ripaion::Result<std::string, SystemError> result{std::string()};
    std::thread reader([&] {
        result = read_to_end(fds[0], counting_check);
        done = true;
    });
    // Signals until the check has run: one sent before the read blocks is
    // simply handled.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (g_checks == 0 && std::chrono::steady_clock::now() < give_up) {
        pthread_kill(reader.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!done) (void)write_all(fds[1], "late");
    close(fds[1]);
    reader.join();
    close(fds[0]);
    sigaction(SIGUSR1, &old, nullptr);

    EXPECT_GE(g_checks.load(), 1);
    if (GetParam().expect_data) {
        ASSERT_TRUE(result);
        EXPECT_EQ(result.value(), "late");
    } else {
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().number, EINTR);
        EXPECT_TRUE(result.error().stopped);
    }
}

INSTANTIATE_TEST_SUITE_P(Read, InterruptCheck,
                         ::testing::Values(InterruptedRead{false, true}, InterruptedRead{true, false}),
                         [](const auto& info) { return info.param.stop ? "Stops" : "Retries"; });

TEST(WriteOutput, CreatesOrTruncatesTheFile) {
    TempDir dir;
    const std::string path = (dir / "out.mjson").string();
    ASSERT_TRUE(write_output(path, "a long first text\nline\n"));
    ASSERT_TRUE(write_output(path, "{}\n{}\n"));
    EXPECT_EQ(support::read_file(path), "{}\n{}\n");

    auto failed = write_output((dir / "no/such").string(), "x\n");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), OutputFailure::Create);
}

// Runs `write` with descriptor 1 redirected into a pipe; what arrived there.
template <class Write>
std::string captured_standard_output(Write write) {
    std::fflush(stdout);
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    const int saved = dup(1);
    dup2(fds[1], 1);
    close(fds[1]);
    write();
    dup2(saved, 1);
    close(saved);
    auto read = read_to_end(fds[0]);
    close(fds[0]);
    return read ? read.value() : "read failed";
}

TEST(WriteOutput, DashIsStandardOutput) {
    const std::string text = "{\"type\":\"a\"}\n{\"type\":\"b\"}\nlast\n";
    bool ok = false;
    EXPECT_EQ(captured_standard_output([&] { ok = write_output("-", text).ok(); }), text);
    EXPECT_TRUE(ok);
    EXPECT_EQ(captured_standard_output([&] { ok = write_output("-/.", "x\n").ok(); }), "x\n");
    EXPECT_TRUE(ok);
}

TEST(WriteOutput, ClosedStandardOutputDiscardsTheLines) {
    std::fflush(stdout);
    const int saved = dup(1);
    close(1);
    const bool ok = write_output("-", "x\ny\n").ok();
    dup2(saved, 1);
    close(saved);
    EXPECT_TRUE(ok);
}

}  // namespace
