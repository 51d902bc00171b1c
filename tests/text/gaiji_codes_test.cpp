// The gaiji texts by code and by name, and the symbol settings.
#include "text/gaiji_codes.h"

#include <gtest/gtest.h>

#include <string>

using namespace qel;

namespace {

// Each test starts from an empty value.
struct GaijiTables : testing::Test {
    GaijiCodes codes;
};

}  // namespace

TEST_F(GaijiTables, TextByNumber) {
    set_gaiji_slot(codes, 0, 0x41, "zero-41");
    set_gaiji_slot(codes, 7, 0xA5, "ninetynine-A5");
    // 1. Set -1 is set 0; set 99 is row 7.
    EXPECT_EQ(gaiji_text(codes, -1, 0x41), "zero-41");
    EXPECT_EQ(gaiji_text(codes, 0, 0x41), "zero-41");
    EXPECT_EQ(gaiji_text(codes, 99, 0xA5), "ninetynine-A5");
    // 2. No row, a code out of range, an empty slot: the notation.
    EXPECT_EQ(gaiji_text(codes, 7, 0x41), "{G7-41}");
    EXPECT_EQ(gaiji_text(codes, 8, 0x41), "{G8-41}");
    EXPECT_EQ(gaiji_text(codes, 99, 300), "{G99-12C}");
    EXPECT_EQ(gaiji_text(codes, -1, 0x05), "{G0-05}");
    EXPECT_EQ(gaiji_text(codes, -5, -1), "{G-5-FFFFFFFF}");
    // 3. Rows for sets.
    EXPECT_EQ(gaiji_row(6), 6);
    EXPECT_EQ(gaiji_row(99), 7);
    EXPECT_EQ(gaiji_row(7), -1);
    EXPECT_EQ(gaiji_row(-1), -1);
}

TEST_F(GaijiTables, LookupByNameNewestWins) {
    set_gaiji_slot(codes, 7, 0xA5, "slot-99-A5");
    set_gaiji_slot(codes, 1, 0x21, "slot-1-21");
    add_gaiji_name(codes, "G-1-41", "minus-one");
    add_gaiji_name(codes, "PR", "old");
    add_gaiji_name(codes, "PR", "new");
    // 1. Code names address the table; characters after the code are ignored.
    EXPECT_STREQ(gaiji_lookup(codes, "G99-a5"), "slot-99-A5");
    EXPECT_STREQ(gaiji_lookup(codes, "G1-21xyz"), "slot-1-21");
    // 2. No -1 rule here: the name list decides.
    EXPECT_STREQ(gaiji_lookup(codes, "G-1-41"), "minus-one");
    EXPECT_STREQ(gaiji_lookup(codes, "G-1-42"), "G-1-42");
    // 3. The newest definition wins; names compare whole.
    EXPECT_STREQ(gaiji_lookup(codes, "PR"), "new");
    EXPECT_STREQ(gaiji_lookup(codes, "P"), "P");
    EXPECT_STREQ(gaiji_lookup(codes, "PRX"), "PRX");
    // 4. A code name out of range or without a row is an ordinary name.
    EXPECT_STREQ(gaiji_lookup(codes, "G1-100"), "G1-100");
    EXPECT_STREQ(gaiji_lookup(codes, "G7-41"), "G7-41");
    EXPECT_STREQ(gaiji_lookup(codes, "G"), "G");
    // 5. The list keeps its own copies of the texts, not the caller's buffer.
    char name[] = "temp";
    add_gaiji_name(codes, name, "kept");
    name[0] = 'x';
    EXPECT_STREQ(gaiji_lookup(codes, "temp"), "kept");
    // 6. A fresh value holds nothing.
    const GaijiCodes fresh;
    EXPECT_STREQ(gaiji_lookup(fresh, "PR"), "PR");
    EXPECT_EQ(gaiji_text(fresh, 99, 0xA5), "{G99-A5}");
}

TEST_F(GaijiTables, SymbolSettings) {
    set_gaiji_slot(codes, 1, 0x21, "&#x00E9;");
    add_gaiji_name(codes, "arrow", "=>");
    std::string out = "old";
    // 1. Empty value, empty text.
    EXPECT_EQ(parse_symbol_setting(out, codes, ""), "");
    // 2. A token, a blank and a quoted text.
    EXPECT_EQ(parse_symbol_setting(out, codes, "G1-21 \"abc\""), "&#x00E9;abc");
    // 3. Blanks after a quoted item add nothing; items follow directly.
    EXPECT_EQ(parse_symbol_setting(out, codes, "\"[\"  arrow\"]\""), "[=>]");
    // 4. Plain words pass unchanged; escapes work inside quotes.
    EXPECT_EQ(parse_symbol_setting(out, codes, "go \"\\\"\" back"), "go\"back");
    // 5. A line end in the value ends it (no endless loop).
    EXPECT_EQ(parse_symbol_setting(out, codes, "arrow\r\n"), "=>");
}
