// The stream operations under the shared file layer that differ between
// platforms. Internal to the platform layer.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

namespace qel {

// Opens the stream of `path` in binary mode for `mode` (the path as the OS
// wants it; a directory is refused), with buffering fit for large files.
std::FILE* stream_open(const char* path, FileMode mode);

// Sets the position from the start. 0 or -1.
int stream_seek(std::FILE* fp, int64_t offset);
// Position from the start, or -1.
int64_t stream_tell(std::FILE* fp);
// Size of the open file, or -1.
int64_t stream_size(std::FILE* fp);
// Writes bytes as they are; returns the number written.
size_t stream_write(std::FILE* fp, const void* data, size_t size);
// The next byte (0-255) or EOF.
int stream_getc(std::FILE* fp);
// Writes `length` bytes of the file open as `handle` from `offset` on (-1:
// up to its end) at the end of the stream, which is left positioned after
// them. 0, or -1 when a read or write failed or the file ended first.
int stream_append_from(std::FILE* fp, int handle, int64_t offset, int64_t length);

}  // namespace qel
