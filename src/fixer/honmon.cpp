// The heading patcher of the book file "honmon".
#include "fixer/honmon.h"

#include "common/report.h"

namespace qel {

namespace {

const int ComplexSearchIdentifier = 0xFF;
const int HeadingIdentifiers[] = {0x03, 0x05, 0x07, 0x0A, 0x0D};

// Layout of the two management blocks.
const int EntrySize = 16;        // one component entry
const int EntryTableOffset = 16; // first entry of block 1, first group record
const int GroupHeadSize = 32;    // head of a group record, before its entries

// Control-code units of the text format: an indent (followed by a two-byte
// value) and the opening and closing of a narrow span.
const unsigned char ControlByte = 0x1F;
const unsigned char IndentCode = 0x09;
const unsigned char NarrowStartCode = 0x04;
const unsigned char NarrowEndCode = 0x05;

int patch_management_entries(BookPatch& patch);
int patch_listed(BookPatch& patch, const ComponentEntry& entry, const char* failure_format);
int patch_complex_search(BookPatch& patch, uint32_t block);
int read_block(File* book, uint32_t block, unsigned char* data);
int write_block(File* book, uint32_t block, const unsigned char* data);

unsigned read_u16(const unsigned char* p) {
    return static_cast<unsigned>(p[0]) << 8 | p[1];
}

uint32_t read_u32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

ComponentEntry read_entry(const unsigned char* p) {
    return ComponentEntry{p[0], read_u32(p + 2), read_u32(p + 6)};
}

// Logs why block `block` of the book file could not be read: where it lies
// and how long the file is.
void log_unreadable_block(const BookPatch& patch, uint64_t block) {
    uint64_t offset = (block - 1) * static_cast<uint64_t>(BookBlockSize);
    report_log("  ブロック %llu (位置 0x%llX) が読めません: 本文ファイル %s の大きさは %lld バイトです\n",
               static_cast<unsigned long long>(block), static_cast<unsigned long long>(offset),
               patch.path.c_str(), static_cast<long long>(file_size(patch.book)));
}

// Reads block 1 and patches the heading components it names, directly or
// through the complex-search management block. 0 or -1 after reporting; the
// file stays open either way.
int patch_management_entries(BookPatch& patch) {
    // Block 1: the book management information.
    unsigned char management[BookBlockSize];
    if (file_read(patch.book, management, BookBlockSize) != static_cast<size_t>(BookBlockSize)) {
        report("書籍管理情報ブロックが読めません\n");
        report_log("  本文ファイル %s の大きさは %lld バイトで、最初のブロック(%d バイト)に足りません\n",
                   patch.path.c_str(), static_cast<long long>(file_size(patch.book)), BookBlockSize);
        return -1;
    }

    // Visit each component entry once; entries past the block's end are not read.
    unsigned count = read_u16(management);
    for (unsigned k = 0; k < count; ++k) {
        int at = EntryTableOffset + EntrySize * static_cast<int>(k);
        if (at + EntrySize > BookBlockSize) {
            report("書籍管理情報ブロックの構成要素数 %u がブロックに収まりません\n", count);
            return -1;
        }
        ComponentEntry entry = read_entry(management + at);
        int result = 0;
        if (is_heading_identifier(entry.identifier))
            result = patch_listed(patch, entry, "識別子 %02X の書籍構成要素の修正に失敗しました\n");
        else if (entry.identifier == ComplexSearchIdentifier)
            result = patch_complex_search(patch, entry.start_block);
        if (result != 0) return -1;
    }
    return 0;
}

// Patches a heading component unless its start block was patched already;
// on failure reports `failure_format` with the identifier.
int patch_listed(BookPatch& patch, const ComponentEntry& entry, const char* failure_format) {
    if (is_patched_start(patch, entry.start_block)) return 0;
    if (patch_component(patch, entry.identifier, entry.start_block, entry.block_count) != 0) {
        report(failure_format, static_cast<unsigned>(entry.identifier));
        return -1;
    }
    patch.patched_starts.push_back(entry.start_block);
    return 0;
}

// Reads the complex-search management block and patches the heading
// components of its group records. Records or entries that would run past
// the block's end stop the walk with a message.
int patch_complex_search(BookPatch& patch, uint32_t block) {
    unsigned char data[BookBlockSize];
    if (read_block(patch.book, block, data) != 0) {
        report("複合検索管理情報ブロックが読めません\n");
        if (block != 0) log_unreadable_block(patch, block);
        else report_log("  ブロック番号が 0 です\n");
        return -1;
    }
    unsigned groups = read_u16(data);
    int at = EntryTableOffset;
    for (unsigned g = 0; g < groups; ++g) {
        if (at + GroupHeadSize > BookBlockSize) {
            report("複合検索管理情報ブロックのグループ %u がブロックに収まりません\n", g + 1);
            return -1;
        }
        unsigned entries = data[at];
        for (unsigned j = 0; j < entries; ++j) {
            int entry_at = at + GroupHeadSize + EntrySize * static_cast<int>(j);
            if (entry_at + EntrySize > BookBlockSize) {
                report("複合検索管理情報ブロックのグループ %u がブロックに収まりません\n", g + 1);
                return -1;
            }
            ComponentEntry entry = read_entry(data + entry_at);
            if (!is_heading_identifier(entry.identifier)) continue;
            if (patch_listed(patch, entry, "識別子 %02X の複合検索構成要素の修正に失敗しました\n") != 0)
                return -1;
        }
        at += GroupHeadSize + EntrySize * static_cast<int>(entries);
    }
    return 0;
}

// Positions at block `block` and reads it whole. 0 or -1; reports nothing.
int read_block(File* book, uint32_t block, unsigned char* data) {
    if (block == 0) return -1;
    if (file_seek(book, (static_cast<int64_t>(block) - 1) * BookBlockSize) != 0) return -1;
    return file_read(book, data, BookBlockSize) == static_cast<size_t>(BookBlockSize) ? 0 : -1;
}

// Positions at block `block` and writes it whole, through to the file, so that
// a write error shows here and not only when the file is closed.
int write_block(File* book, uint32_t block, const unsigned char* data) {
    if (block == 0) return -1;
    if (file_seek(book, (static_cast<int64_t>(block) - 1) * BookBlockSize) != 0) return -1;
    if (file_write(book, data, BookBlockSize) != static_cast<size_t>(BookBlockSize)) return -1;
    return file_flush(book);
}

}  // namespace

int is_heading_identifier(int identifier) {
    for (int h : HeadingIdentifiers)
        if (identifier == h) return 1;
    return 0;
}

int is_patched_start(const BookPatch& patch, uint32_t start_block) {
    for (uint32_t s : patch.patched_starts)
        if (s == start_block) return 1;
    return 0;
}

int patch_book(const std::string& outpath, BookPatch& patch) {
    // Open the book file in place; it is never created.
    patch.path = outpath + "qel\\data\\honmon";
    patch.book = file_open(patch.path.c_str(), FILE_UPDATE_RAW);
    if (!patch.book) {
        report("本文ファイル %s がオープンできません\n", patch.path.c_str());
        return -1;
    }
    int status = patch_management_entries(patch);
    // Every block was flushed as written; a failed close still means data may be lost.
    int closed = file_close(patch.book);
    patch.book = nullptr;
    if (status == 0 && closed != 0) {
        report("本文ファイル %s の書き込みに失敗しました\n", patch.path.c_str());
        return -1;
    }
    return status;
}

int patch_component(const BookPatch& patch, int identifier, uint32_t start_block, uint32_t block_count) {
    report("識別子 %02X の書籍構成要素を修正しています...", static_cast<unsigned>(identifier));
    // The value unit of an indent code at a block's end is the next block's first unit.
    int pending = 0;
    unsigned char data[BookBlockSize];
    for (uint64_t i = 0; i < block_count; ++i) {
        uint64_t block = static_cast<uint64_t>(start_block) + i;
        if (block > UINT32_MAX || read_block(patch.book, static_cast<uint32_t>(block), data) != 0) {
            report("\n");
            if (block == 0 || block > UINT32_MAX)
                report_log("  ブロック番号 %llu は範囲外です(開始ブロック %u、ブロック数 %u)\n",
                           static_cast<unsigned long long>(block), start_block, block_count);
            else
                log_unreadable_block(patch, block);
            return -1;
        }
        for (int u = 0; u < BookBlockSize; u += 2) {
            if (pending) {
                data[u] = ControlByte;
                data[u + 1] = NarrowEndCode;
                pending = 0;
            } else if (data[u] == ControlByte && data[u + 1] == IndentCode) {
                data[u + 1] = NarrowStartCode;
                pending = 1;
            }
        }
        if (write_block(patch.book, static_cast<uint32_t>(block), data) != 0) {
            report("\n");
            report("ファイル %s への書き込みに失敗しました\n", patch.path.c_str());
            report_log("  ブロック %llu (位置 0x%llX) に書き込めません\n", static_cast<unsigned long long>(block),
                       static_cast<unsigned long long>((block - 1) * BookBlockSize));
            return -1;
        }
    }
    report(" 終了しました\n");
    return 0;
}

}  // namespace qel
