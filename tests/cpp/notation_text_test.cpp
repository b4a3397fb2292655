// The notation text of draw and discard entries: short texts in place, long
// ones on the heap, both behaving as owned values.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ripaion/model/raw_log.hpp"

namespace {

using ripaion::model::ActionItem;
using ripaion::model::NotationText;

TEST(NotationText, KeepsTextsOfEveryLength) {
    for (std::size_t n : {0u, 1u, 7u, 11u, 12u, 13u, 40u, 100000u}) {
        std::string text(n, 'x');
        for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>('a' + i % 26);
        NotationText t(text);
        EXPECT_EQ(t.view(), text) << n;
        EXPECT_EQ(t.size(), n);
        EXPECT_EQ(t.empty(), n == 0);
        EXPECT_TRUE(t == text);
    }
}

TEST(NotationText, CopiesAndMovesAreIndependentValues) {
    const std::string long_text(50, 'L');
    for (const std::string& text : {std::string("c181719"), long_text}) {
        NotationText a(text);
        NotationText b = a;         // copy
        a = std::string("r38");     // the copy keeps its own text
        EXPECT_EQ(b, text);
        EXPECT_EQ(a, "r38");
        NotationText c = std::move(b);
        EXPECT_EQ(c, text);
        EXPECT_TRUE(b.empty());  // a moved-from text is empty
        const NotationText& same = c;
        c = same;  // assignment to itself keeps the text
        EXPECT_EQ(c, text);
        a = std::move(c);
        EXPECT_EQ(a, text);
        a = long_text;  // replacing texts in place and on the heap, either way
        a = "k";
        a = long_text + long_text;
        EXPECT_EQ(a.view(), long_text + long_text);
    }
}

TEST(NotationText, EntriesStaySmallAndSurviveGrowth) {
    EXPECT_EQ(sizeof(ActionItem), 16u);
    std::vector<ActionItem> items;
    for (int i = 0; i < 1000; ++i) {
        ActionItem& item = items.emplace_back();
        item.kind = ActionItem::Kind::Notation;
        item.notation = std::string(static_cast<std::size_t>(i % 30), static_cast<char>('a' + i % 26));
    }
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(items[static_cast<std::size_t>(i)].notation,
                  std::string(static_cast<std::size_t>(i % 30), static_cast<char>('a' + i % 26)));
    }
    EXPECT_EQ("notation:" + items[3].notation, "notation:ddd");
}

}  // namespace
