// The index-word lists en.dat and tr.dat and the search keys they give.
#include "text/index_words.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/report.h"
#include "text/full_width.h"

namespace qel {

// Every list starts with a header of this many bytes, never looked at.
const int64_t IndexWordHeaderSize = 256;

// The list is read in blocks of this size; records are taken from memory.
const size_t IndexBlockSize = 64 * 1024;

struct IndexWordList {
    File* file;
    std::string path;                        // as formed, for messages
    int ended;                               // 1 once the end of the list has been met
    std::unique_ptr<unsigned char[]> block;  // bytes read ahead
    size_t position;                         // next unread byte of `block`
    size_t length;                           // bytes held in `block`
    std::string full_width_word;             // the full-width form of the word being written
    std::string key_lines;                   // the two key lines of the word being written
};

namespace {

// Takes the next `count` bytes of the list into `bytes`. 0 when the file
// ends first (a read error looks the same).
int read_bytes(IndexWordList* list, void* bytes, size_t count) {
    unsigned char* out = static_cast<unsigned char*>(bytes);
    while (count > 0) {
        if (list->position == list->length) {
            list->position = 0;
            list->length = file_read(list->file, list->block.get(), IndexBlockSize);
            if (list->length == 0) return 0;
        }
        size_t n = std::min(count, list->length - list->position);
        std::memcpy(out, list->block.get() + list->position, n);
        list->position += n;
        out += n;
        count -= n;
    }
    return 1;
}

// Takes `count` bytes into `text` (replacing it). 0 when the file ends first.
int read_text(IndexWordList* list, size_t count, std::string& text) {
    text.resize(count);
    return read_bytes(list, text.data(), count);
}

// The four bytes at `bytes`, lowest first.
uint32_t little_endian(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Reads the rest of a record after its first byte, each run of fixed fields
// in one piece. 0 when the file ends inside it.
int read_record_body(IndexWordList* list, IndexWordRecord* record) {
    unsigned char head[2];      // a byte not looked at; the word's length
    unsigned char middle[3];    // two bytes not looked at; the second text's length
    unsigned char numbers[21];  // 2 not looked at, the entry position, 2 not looked at, the second
                                // number, 8 not looked at; the third text's length
    if (!read_bytes(list, head, sizeof head) || !read_text(list, head[1], record->word)) return 0;
    if (!read_bytes(list, middle, sizeof middle) || !read_text(list, middle[2], record->second_text)) return 0;
    if (!read_bytes(list, numbers, sizeof numbers) || !read_text(list, numbers[20], record->third_text)) return 0;
    record->entry_position = static_cast<int32_t>(little_endian(numbers + 2));
    record->second_number = little_endian(numbers + 8);
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
    return new IndexWordList{file, path, 0, std::make_unique<unsigned char[]>(IndexBlockSize), 0, 0, {}, {}};
}

IndexWordRecord* read_index_word(IndexWordList* list, IndexWordRecord* record) {
    if (list == nullptr || list->ended) return nullptr;

    // The end of the file at a record's first byte is the normal end.
    unsigned char first;
    if (!read_bytes(list, &first, 1)) {
        list->ended = 1;
        return nullptr;
    }

    // A record cut short by the end of the file ends the list too; it is
    // dropped whole and noted in the log.
    if (!read_record_body(list, record)) {
        list->ended = 1;
        count_data_fault(FAULT_INDEX_LIST);
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

IndexWordRecord* skip_index_words(IndexWordList* list, IndexWordRecord* current, int32_t position) {
    while (current != nullptr && current->entry_position < position) current = read_index_word(list, current);
    return current;
}

int64_t index_word_list_offset(IndexWordList* list) {
    int64_t read = file_tell(list->file);
    return read < 0 ? -1 : read - static_cast<int64_t>(list->length - list->position);
}

int index_word_list_ended(const IndexWordList* list) {
    return list->ended;
}

IndexWordRecord* write_index_keys(File* body, IndexWordList* list, IndexWordRecord* current, int32_t position,
                                  const char* title, int full_width) {
    while (current != nullptr && current->entry_position <= position) {
        // The word is a text: a NUL byte read from the list ends it.
        const char* word = current->word.c_str();
        if (full_width) word = to_full_width(list->full_width_word, word).c_str();
        std::string& key_lines = list->key_lines;
        key_lines.assign("<key title=\"").append(title).append("\" type=\"前方表記\">");
        key_lines.append(word).append("</key>\n");
        key_lines.append("<key title=\"").append(title).append("\" type=\"後方表記\">");
        key_lines.append(word).append("</key>\n");
        file_write(body, key_lines.data(), key_lines.size());
        current = read_index_word(list, current);
    }
    return current;
}

}  // namespace qel
