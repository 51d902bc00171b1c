// Hostile additions to the sample: see hostile.h.
#include "hostile.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "dictionary.h"

namespace qelsample {

namespace {

std::string record_head(int number, const std::string& entry_number, const std::string& headword) {
    return "RA=" + std::to_string(number) + "\nRN=" + entry_number + "\nEN=" + headword + "|" + headword + "\n";
}

// Repeats `piece` until the text holds at least `size` bytes.
std::string repeated(const std::string& piece, size_t size) {
    std::string text;
    while (text.size() < size) text += piece;
    return text;
}

// Lines of 20000 bytes: plain text with markup, entities and gaiji references;
// links nested 5000 deep; comments never closed; a tag never closed.
std::string long_lines_record(int number) {
    return record_head(number, std::to_string(number), "longlines") + "PS=名\nTR1=" +
           repeated("<B>word</B> & #41# \"q\" 語 <G1>#21#</G1> ", 20000) + "END-OF-LINE-1\nTR2=" +
           repeated("<HL>", 20000) + "x:" + std::to_string(number) + ":1\nTR3=" + repeated("<CMT>c ", 20000) +
           "END-OF-LINE-3\nTR4=" + std::string(20000, 'y') + "<B\n";
}

// The idioms of the link group: 500 of about 20 bytes each.
std::string group_idiom(int i) {
    return "an idiom number " + std::to_string(1000 + i);
}

// The target of the 500 links: it holds half of their idioms; the links to
// the other half find no place and end the entry as unplaced anchors.
std::string group_target_record(int number) {
    std::string text = record_head(number, std::to_string(number), "grouptarget") + "PS=名\nTR1=target\n";
    for (int i = 0; i < 500; i += 2) text += "KEYID=" + group_idiom(i) + "\nID=<B>" + group_idiom(i) + "</B>\n";
    return text;
}

std::string group_source_record(int number, int target) {
    std::string links;
    for (int i = 0; i < 500; ++i)
        links += "<HL>l" + std::to_string(i) + ":" + std::to_string(target) + ":\"" + group_idiom(i) + "\"</HL> ";
    return record_head(number, std::to_string(number), "groupsource") + "PS=名\nTR1=" + links + "\n";
}

std::string broken_markup_record(int number) {
    return record_head(number, std::to_string(number), "brokenmarkup") +
           "PS=名\n"
           "TR1=before <B unclosed tag\n"
           "TR2=stray</HL>after stray\n"
           "TR3=<HL>open link:" + std::to_string(number) + ":1 without close\n"
           "TR4=<HL>no target</HL>visible tail\n"
           "TR5=<<<<>>>>&&&&#4#<G>#41#</G><G9\n"
           "TR6=</HL></HL>:</HL>::</HL>\n";
}

// A headword of 600 bytes with a derived form, and a Japanese headword.
std::string long_headword_record(int number) {
    std::string headword(600, 'h');
    return record_head(number, std::to_string(number), headword) + "PS=名\nTR1=<HL>see:" +
           std::to_string(number) + ":1</HL>\nDR=" + headword + "s|" + headword + "s\nTR1=derived\n";
}

// Figures past the bundle's end, values that are not hexadecimal or too
// large, a name too long for a file; sounds that cannot be read.
std::string media_record(int number) {
    return record_head(number, std::to_string(number), repeated("見出し", 600)) +
           "PS=名\nTR1=media\n"
           "IMG=7fffff00,100\n"
           "IMG=zz,yy\n"
           "IMG=ffffffffff,-1\n"
           "IMG=\n"
           "IMG=" + std::string(300, '1') + ",1\n"
           "SND=xyz\n"
           "SND=30,0\n";
}

// An entry number of 300 digits, last, with a link to itself.
std::string long_number_record(int number) {
    std::string entry_number(300, '9');
    return record_head(number, entry_number, "longnumber") + "PS=名\nTR1=<HL>self:" + entry_number + ":1</HL>\n";
}

// A record of the index-word lists cut short after `keep` bytes.
void put_cut_index_record(OutFile& out, size_t keep) {
    const char record[] = "\x01\x00\x03" "cut";
    put(out, std::string_view(record, keep < sizeof record - 1 ? keep : sizeof record - 1));
}

}  // namespace

void write_hostile_records(OutFile& main, OutFile& english, OutFile& translation, int first_number) {
    std::string english_word(255, 'w');
    std::string japanese_word = repeated("語", 254);
    int number = first_number;
    auto add = [&](const std::string& text) {
        uint32_t position = static_cast<uint32_t>(main.offset);
        put(main, text);
        put_index_record(english, english_word, "", position, static_cast<uint32_t>(number), std::string(255, 't'));
        put_index_record(translation, japanese_word, "", position, static_cast<uint32_t>(number), "");
        ++number;
    };
    add(long_lines_record(number));
    add(group_target_record(number));
    add(group_source_record(number, number - 1));
    add(broken_markup_record(number));
    add(long_headword_record(number));
    add(media_record(number));
    add(long_number_record(number));
    put_cut_index_record(english, 20);
    put_cut_index_record(translation, 3);
}

std::string hostile_gaiji_glyphs() {
    std::string out = "# Hostile glyphs: definition lines and bitmap rows of 3000 bytes.\r\n";
    std::string row = std::string(3000, '@') + "\r\n";
    const int sets[] = {3, 4, 6};
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "G%d-%02X", sets[i / 128], 0x80 + i % 128);
        // Half-width, one-cell and four-cell glyphs.
        const char* kind = i % 3 == 0 ? "H:" : i % 3 == 1 ? "Z:" : "Z4:";
        out += "CHAR:" + std::string(name) + ":" + kind + std::string(3000, 'x') + "\r\n";
        for (int r = 0; r < 16; ++r) out += row;
    }
    return out;
}

}  // namespace qelsample
