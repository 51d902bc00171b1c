// The index-word lists en.dat and tr.dat and the search keys they give.
#include "text/index_words.h"

#include <cstdio>

#include "common/report.h"
#include "text/sjis.h"

namespace qel {

// Every list starts with a header of this many bytes, never looked at.
const int64_t IndexWordHeaderSize = 256;

struct IndexWordList {
    File* file;
    std::string path;  // as formed, for messages
    int ended;         // 1 once the end of the list has been met
};

namespace {

std::string full_width_word;  // the full-width form of the word being written

// Reads `count` bytes into `text` (replacing it). 0 when the file ends first.
int read_text(File* file, size_t count, std::string& text) {
    text.resize(count);
    if (count == 0) return 1;
    return file_read(file, text.data(), count) == count;
}

// Reads and drops `count` bytes. 0 when the file ends first.
int skip_bytes(File* file, int count) {
    for (int i = 0; i < count; ++i) {
        if (file_getc(file) == EOF) return 0;
    }
    return 1;
}

// Reads a length byte, or -1 at the end of the file.
int read_length(File* file) {
    return file_getc(file);
}

// Reads four bytes, lowest first. 0 when the file ends first.
int read_number(File* file, uint32_t& value) {
    unsigned char bytes[4];
    if (file_read(file, bytes, 4) != 4) return 0;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return 1;
}

// Reads the rest of a record after its first byte. 0 when the file ends inside it.
int read_record_body(File* file, IndexWordRecord* record) {
    uint32_t position = 0;
    int length;
    if (!skip_bytes(file, 1)) return 0;
    if ((length = read_length(file)) < 0 || !read_text(file, static_cast<size_t>(length), record->word)) return 0;
    if (!skip_bytes(file, 2)) return 0;
    if ((length = read_length(file)) < 0 || !read_text(file, static_cast<size_t>(length), record->second_text))
        return 0;
    if (!skip_bytes(file, 2) || !read_number(file, position)) return 0;
    if (!skip_bytes(file, 2) || !read_number(file, record->second_number)) return 0;
    if (!skip_bytes(file, 8)) return 0;
    if ((length = read_length(file)) < 0 || !read_text(file, static_cast<size_t>(length), record->third_text))
        return 0;
    record->entry_position = static_cast<int32_t>(position);
    return 1;
}

}  // namespace

IndexWordList* open_index_word_list(const char* directory, const char* name) {
    std::string path = std::string(directory) + name;
    File* file = file_open(path.c_str(), FILE_READ_RAW);
    if (file == nullptr) {
        report("索引語リストファイル %s がオープンできません\n", path.c_str());
        return nullptr;
    }
    // A file shorter than its header simply holds no record.
    file_seek(file, IndexWordHeaderSize);
    return new IndexWordList{file, path, 0};
}

IndexWordRecord* read_index_word(IndexWordList* list, IndexWordRecord* record) {
    if (list == nullptr || list->ended) return nullptr;

    // The end of the file at a record's first byte is the normal end.
    if (file_getc(list->file) == EOF) {
        list->ended = 1;
        return nullptr;
    }

    // A record cut short by the end of the file ends the list too; it is
    // dropped whole and noted in the log.
    if (!read_record_body(list->file, record)) {
        list->ended = 1;
        report_log("索引語リストファイル %s の最後のレコードが途中で切れています\n", list->path.c_str());
        return nullptr;
    }
    return record;
}

void close_index_word_list(IndexWordList* list) {
    if (list == nullptr) return;
    file_close(list->file);
    delete list;
}

IndexWordRecord* write_index_keys(File* body, IndexWordList* list, IndexWordRecord* current, int32_t position,
                                  const char* title, int full_width) {
    while (current != nullptr && current->entry_position <= position) {
        const char* word = current->word.c_str();
        if (full_width) word = to_full_width(full_width_word, word).c_str();
        file_printf(body, "<key title=\"%s\" type=\"前方表記\">%s</key>\n", title, word);
        file_printf(body, "<key title=\"%s\" type=\"後方表記\">%s</key>\n", title, word);
        current = read_index_word(list, current);
    }
    return current;
}

}  // namespace qel
