// The smaller files of the sample: settings, Readme.txt and the book file.
#include "extras.h"

#include <cstdint>
#include <string>

#include "gaiji.h"

namespace qelsample {

namespace {

const int BlockSize = 2048;

// The book's components: identifier, start block, block count.
struct BookComponent {
    int identifier;
    uint32_t start;
    uint32_t blocks;
};

// Component table of block 1. Heading components are 03, 05, 07, 0A and 0D;
// 07 shares its data with 03; the last 0D has no blocks.
const BookComponent BookComponents[] = {
    {0x00, 2, 4},   // body text: holds indent codes that stay as they are
    {0x01, 6, 1},   // copyright
    {0x03, 7, 3},   // heading, one indent code split over blocks 7 and 8
    {0x05, 10, 2},  // heading, one indent code split over blocks 10 and 11
    {0x07, 7, 3},   // heading sharing its data with 03
    {0x0A, 12, 1},  // heading
    {0x0D, 13, 2},  // heading whose last unit is an indent code
    {0x04, 15, 1},  // not a heading; starts with what looks like an indent value
    {0x02, 16, 1},  // not a heading
    {0xFF, 17, 1},  // complex-search management block
    {0x0D, 18, 0},  // heading of no blocks
};

// Group records of the complex-search block: each lists components.
const BookComponent ComplexGroup0[] = {
    {0x05, 10, 2},  // already patched through the table of block 1
    {0x0A, 19, 1},  // a heading only the complex search names
    {0x02, 16, 1},
};
const BookComponent ComplexGroup1[] = {
    {0x03, 20, 1},
    {0xFF, 17, 1},  // passed over
};
const uint32_t BookBlocks = 20;

void put_be(std::string& book, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) book[at + i] = static_cast<char>((value >> (8 * (bytes - 1 - i))) & 0xFF);
}

void put_component(std::string& book, size_t at, const BookComponent& c) {
    book[at] = static_cast<char>(c.identifier);
    book[at + 1] = 0x01;
    put_be(book, at + 2, c.start, 4);
    put_be(book, at + 6, c.blocks, 4);
}

// Heading data for `blocks` blocks starting at `start`: heading records
// (indent code 1F 09 00 02, hiragana in JIS X 0208, line end 1F 0A). With
// `split`, an indent code is placed in the last unit of every block but the
// last, so its value lies in the next block; with `last_unit`, the data's very
// last unit is an indent code. One 1F 09 at an odd offset per block is data.
void fill_headings(std::string& book, uint32_t start, uint32_t blocks, bool split, bool last_unit, int salt) {
    size_t begin = (start - 1) * static_cast<size_t>(BlockSize);
    size_t end = begin + blocks * static_cast<size_t>(BlockSize);
    size_t at = begin;
    int n = salt;
    auto unit = [&](int a, int b) {
        if (at + 1 < end) {
            book[at] = static_cast<char>(a);
            book[at + 1] = static_cast<char>(b);
        }
        at += 2;
    };
    while (at + 64 < end) {
        size_t block_end = begin + ((at - begin) / BlockSize + 1) * BlockSize;
        bool final_block = block_end == end;
        // Bring the next indent code to the block's last unit when asked.
        if (split && !final_block && at + 48 >= block_end) {
            while (at < block_end - 2) unit(0x24, 0x21 + (n++ % 80));
            unit(0x1F, 0x09);
            unit(0x00, 0x02);
        } else {
            unit(0x1F, 0x09);
            unit(0x00, 0x02);
        }
        int chars = 3 + n % 9;
        for (int i = 0; i < chars; ++i) unit(0x24, 0x21 + (n++ % 80));
        if (n % 7 == 0) {
            // 1F 09 at an odd offset: the second byte of one unit and the first of the next.
            unit(0x24, 0x1F);
            unit(0x09, 0x24);
        }
        unit(0x1F, 0x0A);
    }
    // Clear the tail and, when asked, end with an indent code in the last unit.
    for (; at < end; at += 2) {
        book[at] = 0;
        book[at + 1] = 0;
    }
    if (last_unit) {
        book[end - 2] = 0x1F;
        book[end - 1] = 0x09;
    }
}

}  // namespace

std::string settings_text() {
    std::string out;
    out += "# Settings of a run on the sample dictionary: the data lie in dic\\ and\r\n";
    out += "# data\\, the book sources go to src\\, the book is built in book\\. Every\r\n";
    out += "# optional part is on; the pronunciation and menu arrow symbols name\r\n";
    out += "# external characters of qelgaiji.tbl (spk, arrow).\r\n";
    out += "BASEPATH=src\\\r\n";
    out += "OUTPATH=book\\\r\n";
    out += "DICPATH=dic\\\r\n";
    out += "DATAPATH=data\\\r\n";
    out += "SORTCMD=\r\n";
    out += "MACINTOSH=1\r\n";
    out += "FIGURE=1\r\n";
    out += "JPEG=1\r\n";
    out += "SOUND=1\r\n";
    out += "GENSOUND=1\r\n";
    out += "COMPLEX=1\r\n";
    out += "QUICKJUMP=1\r\n";
    out += "QUICKRET=1\r\n";
    out += "ITALIC=1\r\n";
    out += std::string("PRONSYM=") + SpeakerSymbolName + "\r\n";
    out += std::string("ARROWSYM=") + ArrowSymbolName + "\r\n";
    return out;
}

std::string readme_text(int records, unsigned long long seed) {
    std::string out;
    out += "モラベル英和辞典（見本データ）\r\n";
    out += "\r\n";
    out += "このデータは変換の試験と実演のために自動生成した見本です。  見出し語、訳語、用例は\r\n";
    out += "すべて架空のもので、実在の辞書の内容ではありません。 \r\n";
    out += "収録項目数  " + std::to_string(records) + "   （生成の種 " + std::to_string(seed) + "）\r\n";
    out += "\r\n";
    out += "Copyright (C) Moravel sample data. All rights waived.\r\n";
    out += "\x1A";
    out += "(bytes after the end-of-file mark are not part of the text)\r\n";
    return out;
}

std::string book_text() {
    std::string book(BookBlocks * static_cast<size_t>(BlockSize), '\0');

    // Block 1: the component table.
    const int count = static_cast<int>(sizeof BookComponents / sizeof BookComponents[0]);
    put_be(book, 0, count, 2);
    for (int k = 0; k < count; ++k) put_component(book, 16 + 16 * k, BookComponents[k]);

    // Data of the components.
    fill_headings(book, 2, 4, false, false, 11);   // body text with indent codes of its own
    fill_headings(book, 6, 1, false, false, 5);
    fill_headings(book, 7, 3, true, false, 1);     // 03 and 07
    fill_headings(book, 10, 2, true, false, 2);    // 05
    fill_headings(book, 12, 1, false, false, 3);   // 0A
    fill_headings(book, 13, 2, false, true, 4);    // 0D, ends with an indent code
    fill_headings(book, 15, 1, false, false, 6);   // 04
    book[14 * BlockSize] = 0x00;                   // block 15 starts like an indent value
    book[14 * BlockSize + 1] = 0x02;
    fill_headings(book, 16, 1, false, false, 7);   // 02
    fill_headings(book, 18, 1, false, false, 8);   // behind the empty heading component
    fill_headings(book, 19, 1, false, false, 9);   // 0A of the complex search
    fill_headings(book, 20, 1, false, false, 10);  // 03 of the complex search

    // Block 17: the complex-search management block with two group records.
    size_t cs = 16 * static_cast<size_t>(BlockSize);
    put_be(book, cs, 2, 2);
    size_t at = cs + 16;
    book[at] = 3;
    for (int j = 0; j < 3; ++j) put_component(book, at + 32 + 16 * j, ComplexGroup0[j]);
    at += 32 + 16 * 3;
    book[at] = 2;
    for (int j = 0; j < 2; ++j) put_component(book, at + 32 + 16 * j, ComplexGroup1[j]);
    return book;
}

std::string hostile_book_text(int book) {
    std::string b(4 * static_cast<size_t>(BlockSize), '\0');
    // Block 2: heading data with an indent code, and one in the block's last
    // unit (its value unit is the first of block 3).
    b[BlockSize] = 0x1F;
    b[BlockSize + 1] = 0x09;
    b[2 * BlockSize - 2] = 0x1F;
    b[2 * BlockSize - 1] = 0x09;
    if (book == 1) {
        // 200 entries declared, 127 fit: two headings sharing blocks 2 and 3
        // (patched once), then entries that are no heading.
        put_be(b, 0, 200, 2);
        for (int k = 0; k < 127; ++k)
            put_component(b, 16 + 16 * static_cast<size_t>(k), {k == 0 ? 0x03 : k == 1 ? 0x05 : 0x01, 2, 2});
    } else {
        // A heading, then the complex-search block (block 4): 65535 group
        // records, the first of 255 entries, which run past the block.
        put_be(b, 0, 2, 2);
        put_component(b, 16, {0x03, 2, 1});
        put_component(b, 32, {0xFF, 4, 1});
        size_t cs = 3 * static_cast<size_t>(BlockSize);
        put_be(b, cs, 0xFFFF, 2);
        b[cs + 16] = static_cast<char>(255);
        for (int j = 0; j < 100; ++j) put_component(b, cs + 48 + 16 * static_cast<size_t>(j), {0x05, 3, 1});
    }
    return b;
}

}  // namespace qelsample
