#include "ripaion/model/notation_text.hpp"

#include <cstring>
#include <new>

namespace ripaion::model {
namespace {

char* heap_block(const char* bytes) noexcept {
    char* block;
    std::memcpy(&block, bytes, sizeof block);
    return block;
}

}  // namespace

void NotationText::assign(std::string_view text) {
    if (text.size() <= kInPlace) {
        release();
        if (!text.empty()) std::memcpy(bytes_, text.data(), text.size());
        tag_ = static_cast<std::uint8_t>(text.size());
        return;
    }
    // Allocated before the old text is released, so that a failure leaves
    // this text as it was.
    char* block = static_cast<char*>(::operator new(sizeof(std::size_t) + text.size()));
    const std::size_t size = text.size();
    std::memcpy(block, &size, sizeof size);
    std::memcpy(block + sizeof size, text.data(), size);
    release();
    std::memcpy(bytes_, &block, sizeof block);
    tag_ = kOnHeap;
}

std::string_view NotationText::view() const noexcept {
    if (tag_ != kOnHeap) return {bytes_, tag_};
    const char* block = heap_block(bytes_);
    std::size_t size;
    std::memcpy(&size, block, sizeof size);
    return {block + sizeof size, size};
}

void NotationText::release() noexcept {
    if (tag_ == kOnHeap) ::operator delete(heap_block(bytes_));
    tag_ = 0;
}

void NotationText::take(NotationText& other) noexcept {
    std::memcpy(bytes_, other.bytes_, kInPlace);
    tag_ = other.tag_;
    other.tag_ = 0;
}

}  // namespace ripaion::model
