// The reader of main.txt and the field-tag classification of its lines.
#include "text/main_text.h"

#include <cstring>
#include <memory>

#include "common/decimal.h"
#include "common/report.h"
#include "platform/platform.h"
#include "text/sjis.h"

namespace qel {

const FieldTagInfo FieldTagTable[FieldTagCount + 1] = {
    {0, 0, "CMT", 0, 0},     {1, 1, "DR", 0, 0},      {2, 1, "EN", 0, 0},      {3, 0, "ENN", 0, 0},
    {4, 1, "ENV", 0, 0},     {5, 1, "ENVN", 0, 0},    {6, 1, "ET", 0, 0},      {7, 1, "EV", 0, 0},
    {8, 1, "EX", 0, 0},      {9, 0, "EXKEY", 0, 0},   {10, 1, "EXSUB", 0, 0},  {11, 1, "F", 0, 0},
    {12, 1, "ID", 0, 0},     {13, 1, "IDSUB", 0, 0},  {14, 1, "IF", 0, 0},     {15, 1, "IMG", 0, 0},
    {16, 1, "J2E", 0, 0},    {17, 0, "KEY", 0, 0},    {18, 0, "KEYEX", 0, 0},  {19, 0, "KEYID", 0, 0},
    {20, 0, "LOC", 0, 0},    {21, 1, "MEN", 0, 0},    {22, 1, "MN", 0, 0},     {23, 1, "MNSUB", 0, 0},
    {24, 1, "NB", 0, 0},     {25, 1, "NBP", 0, 0},    {26, 1, "NBPSUB", 0, 0}, {27, 1, "NBSUB", 0, 0},
    {28, 1, "NSBUS", 0, 0},  {29, 1, "OT1", 0, 0},    {30, 1, "OT1SUB", 0, 0}, {31, 1, "OT2", 0, 0},
    {32, 1, "OT2SUB", 0, 0}, {33, 1, "OT3", 0, 0},    {34, 1, "OT3SUB", 0, 0}, {35, 1, "OT4", 0, 0},
    {36, 1, "OT4SUB", 0, 0}, {37, 1, "OT5", 0, 0},    {38, 1, "OT5SUB", 0, 0}, {39, 1, "PR", 0, 0},
    {40, 1, "PS", 0, 0},     {41, 0, "RA", 0, 0},     {42, 0, "RES", 0, 0},    {43, 0, "RN", 0, 0},
    {44, 0, "SM", 0, 0},     {45, 0, "SND", 0, 0},    {46, 1, "SRC", 0, 0},    {47, 1, "SRCSUB", 0, 0},
    {48, 1, "TL", 0, 0},     {49, 1, "TLSUB", 0, 0},  {50, 1, "TQ", 0, 0},     {51, 1, "TR", 0, 0},
    {52, 1, "TRSUB", 0, 0},  {-1, 0, nullptr, 0, 0},
};

// The file is read in blocks of this size and decoded in memory. A block as
// large as the stream's buffer is read into place without a copy through it.
const size_t ReadBlockSize = 256 * 1024;

struct MainText {
    File* file;
    std::unique_ptr<char[]> block;  // decoded bytes read ahead, then a "\n" that stops scans
    size_t position;                // next unread byte of `block`
    size_t length;                  // bytes held in `block`
    int ended;                      // 1 once the file has no more bytes
    int64_t bytes_read;             // stored bytes consumed since the open, line ends included
    int64_t line_start;             // bytes_read when the current line began
    int64_t file_size;              // size of the file when it was opened
};

namespace {

// Reads the next block and decodes it: every stored byte is the complement of
// the text's byte, so the stored line end 0xF5 becomes "\n". 0 when the file
// has no more bytes (a read error looks the same as the end of the file).
int fill_block(MainText* text) {
    if (text->ended) return 0;
    char* block = text->block.get();
    size_t length = file_read(text->file, block, ReadBlockSize);
    text->position = 0;
    text->length = length;

    // Complement eight bytes at a time, then the few bytes left over. The
    // length is kept in a local: a store through `block` may alias anything
    // of type char, which would force a reload of text->length every byte.
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, block + i, 8);
        word = ~word;
        std::memcpy(block + i, &word, 8);
    }
    for (; i < length; ++i) block[i] = static_cast<char>(~static_cast<unsigned char>(block[i]));
    block[length] = '\n';
    if (length == 0) text->ended = 1;
    return length > 0;
}

// The first `length` bytes of `text` (1 to 8) as one number that orders as
// the texts do: the first byte highest, missing bytes 0. Tag names hold no 0
// byte, so a name that begins with a key is never below the key's number.
uint64_t ordered_bytes(const char* text, size_t length) {
    uint64_t value = 0;
    for (size_t i = 0; i < length; ++i) value = value << 8 | static_cast<unsigned char>(text[i]);
    return value << (8 * (8 - length));
}

// The longest tag name; no longer key begins a name.
const size_t LongestTagName = 6;

// Slots of the hash of whole tag names: a power of two, some five times the
// names, so that a name is found at its first or second slot.
const size_t TagSlots = 256;

inline size_t tag_slot(uint64_t ordered) {
    return static_cast<size_t>((ordered * 0x9E3779B97F4A7C15ull) >> 56) & (TagSlots - 1);
}

// The tag names by ordered_bytes, the row of the first name of each letter
// A-Z, and the names hashed by ordered_bytes: nearly every line carries a
// whole tag name, which the hash finds at once.
struct TagNames {
    uint64_t ordered[FieldTagCount];  // ordered_bytes of the name
    int first_row[26];                // first row whose name begins with the letter, or -1
    uint64_t slot_name[TagSlots];     // ordered_bytes of the name in the slot; 0 for none
    int slot_row[TagSlots];           // its row
    TagNames() {
        for (int& r : first_row) r = -1;
        for (uint64_t& n : slot_name) n = 0;
        for (int i = FieldTagCount - 1; i >= 0; --i) {
            const char* name = FieldTagTable[i].name;
            ordered[i] = ordered_bytes(name, std::strlen(name));
            first_row[name[0] - 'A'] = i;
            size_t slot = tag_slot(ordered[i]);
            while (slot_name[slot] != 0) slot = (slot + 1) & (TagSlots - 1);
            slot_name[slot] = ordered[i];
            slot_row[slot] = i;
        }
    }
};
const TagNames Tags;

}  // namespace

MainText* open_main_text(const char* directory, const char* name) {
    std::string path = std::string(directory) + name;
    File* file = file_open(path.c_str(), FILE_READ_RAW);
    if (file == nullptr) {
        report("本文ファイル %s がオープンできません\n", path.c_str());
        return nullptr;
    }
    int64_t size = file_size(file);
    if (size < 0) {
        report("本文ファイル %s へのfstat()に失敗しました\n", path.c_str());
        file_close(file);
        return nullptr;
    }
    // Entry positions are 32-bit offsets here and in the index-word lists: a
    // file reaching 2 GiB would have positions that wrap around.
    if (size > INT32_MAX) {
        report("本文ファイル %s が大きすぎます(2GB以上)\n", path.c_str());
        file_close(file);
        return nullptr;
    }
    MainText* text = new MainText{file, std::make_unique<char[]>(ReadBlockSize + 1), 0, 0, 0, 0, 0, size};
    return text;
}

void close_main_text(MainText* text) {
    if (text == nullptr) return;
    file_close(text->file);
    delete text;
}

const char* read_main_line(MainText* text, std::string& line) {
    text->line_start = text->bytes_read;
    if (text->position == text->length && !fill_block(text)) return nullptr;

    // A line that ends inside the block is handed out where it lies, its line
    // end replaced by a terminator; a NUL in it ends its text all the same.
    char* start = text->block.get() + text->position;
    char* end = static_cast<char*>(std::memchr(start, '\n', text->length - text->position + 1));
    if (end != text->block.get() + text->length) {
        size_t count = static_cast<size_t>(end - start) + 1;
        *end = '\0';
        text->position += count;
        text->bytes_read += static_cast<int64_t>(count);
        return start;
    }

    // A line that runs on into the next block is gathered in `line`.
    line.clear();
    int cut = 0;  // 1 once a NUL has ended the line's text
    for (;;) {
        if (text->position == text->length && !fill_block(text)) return nullptr;

        // Take the decoded bytes up to the line end, a NUL or the end of the
        // block (where the "\n" after the block ends the search).
        const char* start = text->block.get() + text->position;
        const char* p = static_cast<const char*>(std::memchr(start, '\n', text->length - text->position + 1));
        if (!cut) {
            const void* nul = std::memchr(start, '\0', static_cast<size_t>(p - start));
            if (nul != nullptr) p = static_cast<const char*>(nul);
        }
        size_t count = static_cast<size_t>(p - start);
        if (!cut) line.append(start, count);
        text->position += count;
        text->bytes_read += static_cast<int64_t>(count);
        if (text->position == text->length) continue;

        // A NUL ends the text; the rest of the line is consumed unseen.
        if (*p == '\0') {
            cut = 1;
            continue;
        }
        text->position += 1;
        text->bytes_read += 1;
        return line.c_str();
    }
}

int seek_main_text(MainText* text, int32_t offset) {
    if (offset < 0 || offset > text->file_size || file_seek(text->file, offset) != 0) return -1;
    text->position = text->length = 0;
    text->ended = 0;
    text->bytes_read = text->line_start = offset;
    return 0;
}

int32_t line_start_offset(const MainText* text) {
    return static_cast<int32_t>(text->line_start);
}

int32_t main_text_size(const MainText* text) {
    return static_cast<int32_t>(text->file_size);
}

int32_t main_text_bytes_read(const MainText* text) {
    return static_cast<int32_t>(text->bytes_read);
}

int32_t progress_divisor(const MainText* text) {
    return static_cast<int32_t>(text->file_size / 100);
}

long progress_percent(int32_t offset, int32_t divisor) {
    if (divisor == 0) return 0;
    return static_cast<long>(offset / divisor);
}

PassProgress start_progress(const MainText* text, const char* message) {
    return PassProgress{message, progress_divisor(text), -1};
}

void show_progress(PassProgress& progress, int32_t offset) {
    if (progress.message == nullptr) return;
    long percent = progress_percent(offset, progress.divisor);
    if (percent <= progress.last_percent) return;
    report_console("\r%s%ld%%", progress.message, percent);
    flush_console();
    progress.last_percent = percent;
}

FieldTagInfo classify_line(const char* line) {
    // Build the key: three bytes for the OT tags, J2E for J2E and J2E2, else the
    // run of upper-case letters (empty for a comment line); with its
    // ordered_bytes when it is no longer than a name.
    size_t key_length = 0;
    uint64_t key = 0;
    if (line[0] == 'O' && line[1] == 'T') {
        key_length = line[2] != '\0' ? 3 : 2;
        key = ordered_bytes(line, key_length);
    } else if (line[0] == 'J' && line[1] == '2' && line[2] == 'E') {
        key_length = 3;
        key = ordered_bytes(line, key_length);
    } else {
        unsigned char c;
        while ((c = static_cast<unsigned char>(line[key_length])) >= 'A' && c <= 'Z') {
            key = key << 8 | c;
            ++key_length;
        }
        if (key_length >= 1 && key_length <= LongestTagName) key <<= 8 * (8 - key_length);
    }

    // The first row whose name begins with the key. An empty key matches
    // CMT. A key that is a whole name is that name's row, as no other name
    // beginning with it sorts before it. Otherwise, as the table is sorted,
    // the names that begin with the key follow each other from the first
    // name not below the key, so that name begins with the key or none
    // does; the search starts at the rows of the key's first letter.
    const FieldTagInfo* row = &FieldTagTable[FT_CMT];
    if (key_length > 0) {
        row = &FieldTagTable[FieldTagCount];
        int i = Tags.first_row[line[0] - 'A'];
        if (key_length <= LongestTagName && i >= 0) {
            size_t slot = tag_slot(key);
            while (Tags.slot_name[slot] != 0 && Tags.slot_name[slot] != key) slot = (slot + 1) & (TagSlots - 1);
            if (Tags.slot_name[slot] == key) {
                row = &FieldTagTable[Tags.slot_row[slot]];
            } else {
                uint64_t key_bytes = ~static_cast<uint64_t>(0) << (8 * (8 - key_length));
                while (i < FieldTagCount && Tags.ordered[i] < key) ++i;
                if (i < FieldTagCount && (Tags.ordered[i] & key_bytes) == key) row = &FieldTagTable[i];
            }
        }
        if (row->index == FT_NONE) return *row;
    }

    // The SUB forms of OT1-OT5, and the numbers of TR and TRSUB lines (the
    // table's rows hold 0 there; the returned copy gets the line's numbers).
    FieldTagInfo found = *row;
    switch (row->index) {
    case FT_OT1:
    case FT_OT2:
    case FT_OT3:
    case FT_OT4:
    case FT_OT5:
        if (line[2] >= '0' && line[2] <= '9' && line[3] == 'S') found = row[1];
        break;
    case FT_TR:
        found.number1 = read_int(line + 2);
        break;
    case FT_TRSUB:
        found.number1 = read_int(line + 5);
        found.number2 = read_int(find_char(line + 5, '('));
        break;
    default:
        break;
    }
    return found;
}

const char* line_value(const char* line) {
    // The tag before the "=" is plain ASCII: it is passed byte by byte, and
    // the double-byte aware search takes over at the first byte that is not.
    const char* p = line;
    while (static_cast<unsigned char>(*p) - 1u < 0x7Fu) {
        if (*p == '=') return p + 1;
        ++p;
    }
    return find_char(p, '=');
}

}  // namespace qel
