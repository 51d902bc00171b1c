// The sample's external characters and the table qelgaiji.tbl that defines them.
#include "gaiji.h"

#include <cstdio>

#include "random.h"

namespace qelsample {

namespace {

// One definition line of the table. Kind 'H' and 'Z' are glyphs (16 bitmap
// lines follow), '"' a replacement text.
struct GaijiDefinition {
    const char* name;     // G<set>-<hex code>, or a symbolic name
    char kind;            // 'H', 'Z' or '"'
    int cells;            // Z: cell count (0: not written, 1 written as "Z1")
    const char* unicode;  // "U+...." field, or none for a private-use code point
    const char* text;     // the replacement text of a '"' definition
};

const GaijiDefinition Definitions[] = {
    // Headwords (always set 99): the syllable dot and accented letters.
    {"G99-A5", 'H', 0, "U+00B7", nullptr},
    {"G99-A1", 'H', 0, "U+00E9", nullptr},
    {"G99-A2", 'H', 0, "U+00E8", nullptr},
    {"G99-A3", 'H', 0, "U+00FC", nullptr},
    {"G99-A4", 'H', 0, "U+00F1", nullptr},
    {"G99-A6", 'H', 0, "U+00E7", nullptr},
    {"G99-A7", '"', 0, nullptr, "oe"},
    // Body, set 99 through G9 tags.
    {"G99-B0", 'H', 0, nullptr, nullptr},
    {"G99-C1", 'Z', 0, "U+2460", nullptr},
    // Body, set 0 (no G tag).
    {"G0-80", 'H', 0, "U+00E6", nullptr},
    {"G0-81", '"', 0, nullptr, "ae"},
    {"G0-82", 'H', 0, nullptr, nullptr},
    // Set 1: accented letters and circled numbers.
    {"G1-21", 'H', 0, "U+00E9", nullptr},
    {"G1-22", 'H', 0, "U+00E0", nullptr},
    {"G1-23", 'Z', 0, "U+2460", nullptr},
    {"G1-24", 'Z', 0, "U+2461", nullptr},
    {"G1-25", 'Z', 0, "U+2462", nullptr},
    // Set 2: marks of the dictionary's own, some two and three cells wide.
    {"G2-21", 'Z', 0, nullptr, nullptr},
    {"G2-22", 'Z', 2, nullptr, nullptr},
    {"G2-23", 'Z', 3, nullptr, nullptr},
    // Set 3: arrows as replacement texts.
    {"G3-41", '"', 0, nullptr, "→"},
    {"G3-42", '"', 0, nullptr, "⇒"},
    // Set 4: letters with macrons.
    {"G4-21", 'H', 0, "U+0101", nullptr},
    {"G4-22", 'H', 0, "U+012B", nullptr},
    {"G4-23", 'H', 0, "U+016B", nullptr},
    // Set 6: a star, written with an explicit cell count of 1.
    {"G6-21", 'Z', 1, "U+2605", nullptr},
    // Symbolic names for the settings' symbols.
    {"spk", 'Z', 0, nullptr, nullptr},
    {"arrow", '"', 0, nullptr, "⇒"},
};

// Set 5 is the phonetic font: every ASCII letter stands for a character.
// Lower-case letters are themselves; upper-case ones are phonetic symbols.
struct PhoneticSymbol {
    char letter;
    const char* unicode;  // none: a glyph of the dictionary's own
};
const PhoneticSymbol PhoneticSymbols[] = {
    {'A', "U+00E6"}, {'B', nullptr},  {'C', nullptr},  {'D', "U+00F0"}, {'E', "U+0259"}, {'F', nullptr},
    {'G', nullptr},  {'H', nullptr},  {'I', "U+026A"}, {'J', nullptr},  {'K', nullptr},  {'L', "U+02CC"},
    {'M', "U+02C8"}, {'N', "U+014B"}, {'O', "U+0254"}, {'P', nullptr},  {'Q', "U+02D0"}, {'R', "U+025A"},
    {'S', "U+0283"}, {'T', "U+03B8"}, {'U', "U+028A"}, {'V', "U+028C"}, {'W', nullptr},  {'X', nullptr},
    {'Y', nullptr},  {'Z', "U+0292"},
};

// Writes 16 bitmap rows of `width` dots: a frame and a pattern from the name.
// Some rows end early (their missing dots are clear).
void write_bitmap(std::string& out, const std::string& name, int width) {
    uint64_t h = 1469598103934665603ull;
    for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    Rng r{h};
    for (int row = 0; row < 16; ++row) {
        std::string line;
        for (int col = 0; col < width; ++col) {
            bool frame = row == 1 || row == 14 || col % 16 == 1 || col % 16 == (width == 8 ? 6 : 14);
            bool inside = row > 1 && row < 14 && col % 16 > 1 && col % 16 < (width == 8 ? 6 : 14);
            bool dot = (row > 0 && row < 15 && frame && col % 16 != 0) || (inside && below(r, 3) == 0);
            line += dot ? '@' : '.';
        }
        if (row % 5 == 4) {
            while (!line.empty() && line.back() == '.') line.pop_back();
        }
        out += line;
        out += "\r\n";
    }
}

void write_definition(std::string& out, const GaijiDefinition& d) {
    out += "CHAR:";
    out += d.name;
    out += ':';
    if (d.kind == '"') {
        out += '"';
        out += d.text;
        out += "\"\r\n";
        return;
    }
    out += d.kind;
    if (d.kind == 'Z' && d.cells > 0) out += std::to_string(d.cells);
    out += ':';
    if (d.unicode) {
        out += d.unicode;
        out += ':';
    }
    out += "\r\n";
    int width = d.kind == 'H' ? 8 : 16 * (d.cells > 1 ? d.cells : 1);
    write_bitmap(out, d.name, width);
}

}  // namespace

const GaijiCode BodyGaijiCodes[] = {
    {0, 0x80}, {0, 0x81}, {0, 0x82}, {1, 0x21}, {1, 0x22}, {1, 0x23}, {1, 0x24}, {1, 0x25}, {2, 0x21},
    {2, 0x22}, {2, 0x23}, {3, 0x41}, {3, 0x42}, {4, 0x21}, {4, 0x22}, {4, 0x23}, {6, 0x21}, {99, 0xB0},
    {99, 0xC1},
};
const int BodyGaijiCodeCount = static_cast<int>(sizeof BodyGaijiCodes / sizeof BodyGaijiCodes[0]);

const GaijiCode HeadwordGaijiCodes[] = {
    {99, 0xA1}, {99, 0xA2}, {99, 0xA3}, {99, 0xA4}, {99, 0xA6}, {99, 0xA7},
};
const int HeadwordGaijiCodeCount = static_cast<int>(sizeof HeadwordGaijiCodes / sizeof HeadwordGaijiCodes[0]);

const char* const SpeakerSymbolName = "spk";
const char* const ArrowSymbolName = "arrow";

std::string gaiji_reference(const GaijiCode& g) {
    char ref[8];
    std::snprintf(ref, sizeof ref, "#%02X#", g.code);
    if (g.set == 0) return ref;
    std::string tag = g.set == 99 ? "G9" : "G" + std::to_string(g.set);
    return "<" + tag + ">" + ref + "</" + tag + ">";
}

std::string gaiji_table_text() {
    std::string out;
    out += "# External characters of the sample dictionary.\r\n";
    out += "# CHAR:<name>:H|Z[cells]:[U+code]: is followed by 16 bitmap lines ('@' = dot);\r\n";
    out += "# CHAR:<name>:\"text\" gives a replacement text.\r\n";
    out += "\r\n";
    for (const GaijiDefinition& d : Definitions) write_definition(out, d);
    out += "# Phonetic font (set 5).\r\n";
    for (const PhoneticSymbol& s : PhoneticSymbols) {
        char name[16];
        std::snprintf(name, sizeof name, "G5-%02X", s.letter);
        write_definition(out, GaijiDefinition{name, 'H', 0, s.unicode, nullptr});
    }
    for (char c = 'a'; c <= 'z'; ++c) {
        char name[16], text[2] = {c, 0};
        std::snprintf(name, sizeof name, "G5-%02x", c);
        write_definition(out, GaijiDefinition{name, '"', 0, nullptr, text});
    }
    return out;
}

}  // namespace qelsample
