// The text of a draw or discard entry that is written as a string: a call,
// kan or riichi notation. Nearly all are under a dozen bytes and are kept in
// place; a longer one (only an odd or hostile log has them) is kept on the
// heap. This keeps an ActionItem at 16 bytes where a std::string member made
// it 40, which matters for a model of thousands of entries that is written,
// read and freed once per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace ripaion::model {

class NotationText {
public:
    NotationText() noexcept = default;
    explicit NotationText(std::string_view text) { assign(text); }
    NotationText(const NotationText& other) { assign(other.view()); }
    NotationText(NotationText&& other) noexcept { take(other); }
    NotationText& operator=(const NotationText& other) {
        if (this != &other) assign(other.view());
        return *this;
    }
    NotationText& operator=(NotationText&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    NotationText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    ~NotationText() { release(); }

    // Replaces the text (a copy of `text` is kept).
    void assign(std::string_view text);

    std::string_view view() const noexcept;
    operator std::string_view() const noexcept { return view(); }
    std::size_t size() const noexcept { return view().size(); }
    bool empty() const noexcept { return tag_ == 0; }

    friend bool operator==(const NotationText& a, std::string_view b) noexcept { return a.view() == b; }
    friend std::string operator+(std::string_view a, const NotationText& b) {
        std::string out(a);
        out += b.view();
        return out;
    }
    friend std::ostream& operator<<(std::ostream& os, const NotationText& t) { return os << t.view(); }

private:
    static constexpr std::size_t kInPlace = 12;
    static constexpr std::uint8_t kOnHeap = 0xFF;

    void release() noexcept;
    void take(NotationText& other) noexcept;

    // The length when the text is kept in place, or kOnHeap: then `bytes_`
    // holds a pointer to a block of the length (a std::size_t) and the text.
    std::uint8_t tag_ = 0;
    char bytes_[kInPlace] = {};
};

}  // namespace ripaion::model
