// Buffered binary output files and directory creation for the generator.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qelsample {

// One file being written through a buffer of its own.
struct OutFile {
    std::FILE* file = nullptr;  // the open file, or none after a failed open
    std::string path;           // for messages
    std::vector<char> buffer;   // bytes not yet written
    size_t used = 0;            // bytes of `buffer` in use
    bool complement = false;    // store every byte as 0xFF minus the byte (main.txt)
    uint64_t offset = 0;        // bytes written so far, buffered ones included
    bool failed = false;        // a write failed; reported once at close
};

// Creates (truncates) `path` for writing with a buffer of `buffer_size` bytes.
// Returns 0, or -1 after printing a message to standard error.
int open_out(OutFile& out, const std::string& path, size_t buffer_size, bool complement = false);

// Appends bytes (complemented when the file says so).
void put(OutFile& out, std::string_view bytes);
void put_byte(OutFile& out, unsigned char byte);
// Appends a 32-bit number, least significant byte first.
void put_le32(OutFile& out, uint32_t value);

// Writes what is buffered and closes the file. Returns 0, or -1 after printing
// a message when any write failed.
int close_out(OutFile& out);

// Writes a whole small file at once. Returns 0 or -1 (with a message).
int write_whole_file(const std::string& path, std::string_view bytes);

// Creates `path` and its missing parents (like mkdir -p). Returns 0 or -1.
int make_directories(const std::string& path);

}  // namespace qelsample
