// The reader of the dictionary body main.txt (complemented bytes, lines ended
// by the stored byte 0xF5) and the classification of its lines by field tag.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

// Indices of FieldTagTable; every pass over main.txt dispatches on them.
enum FieldTagIndex {
    FT_NONE = -1,
    FT_CMT = 0, FT_DR, FT_EN, FT_ENN, FT_ENV, FT_ENVN, FT_ET, FT_EV, FT_EX, FT_EXKEY,
    FT_EXSUB = 10, FT_F, FT_ID, FT_IDSUB, FT_IF, FT_IMG, FT_J2E, FT_KEY, FT_KEYEX, FT_KEYID,
    FT_LOC = 20, FT_MEN, FT_MN, FT_MNSUB, FT_NB, FT_NBP, FT_NBPSUB, FT_NBSUB, FT_NSBUS, FT_OT1,
    FT_OT1SUB = 30, FT_OT2, FT_OT2SUB, FT_OT3, FT_OT3SUB, FT_OT4, FT_OT4SUB, FT_OT5, FT_OT5SUB, FT_PR,
    FT_PS = 40, FT_RA, FT_RES, FT_RN, FT_SM, FT_SND, FT_SRC, FT_SRCSUB, FT_TL, FT_TLSUB,
    FT_TQ = 50, FT_TR, FT_TRSUB
};

// One row of FieldTagTable: what classification returns.
struct FieldTagInfo {
    int index;         // 0-52, or -1 for a tag that is not in the table
    int shown;         // 1 when the value is text of the entry (written, scanned for links, counted)
    const char* name;  // the tag name; none in the end row
    int number1;       // TR, TRSUB: the number after the tag name (0 in the table)
    int number2;       // TRSUB: the number after the first "(" (0 in the table)
};

// The 53 field tags in byte order of their names, then the end row (index -1).
const int FieldTagCount = 53;
extern const FieldTagInfo FieldTagTable[FieldTagCount + 1];

// One open main.txt.
struct MainText;

// Opens directory + name for reading (raw) and takes its size; the offsets
// start at 0. Returns none after reporting "本文ファイル %s がオープンできません"
// or "本文ファイル %s へのfstat()に失敗しました".
MainText* open_main_text(const char* directory, const char* name);
void close_main_text(MainText* text);

// Decodes the next line (whole, whatever its length) and returns its text, or
// none at the end of the file (a last line without 0xF5 is not delivered, but
// its bytes count). A NUL byte inside a line ends its text. The text lies in
// the reader's block, or in `line` when the line runs across two blocks; it
// stays valid until the next read.
const char* read_main_line(MainText* text, std::string& line);

// Goes on reading at `offset`, which must be a line start (as the offsets of
// RA lines are); the offsets stay those of the file. 0, or -1 when the file
// cannot be positioned there.
int seek_main_text(MainText* text, int32_t offset);

// File offset of the current line's first byte.
int32_t line_start_offset(const MainText* text);
// Size of the open file in bytes.
int32_t main_text_size(const MainText* text);
// Stored bytes consumed since the open, line ends included.
int32_t main_text_bytes_read(const MainText* text);

// Progress of a pass: divisor = size / 100; percent = offset / divisor, or 0
// when the divisor is 0 (a file under 100 bytes).
int32_t progress_divisor(const MainText* text);
long progress_percent(int32_t offset, int32_t divisor);

// The progress display of one pass over main.txt: the step's message with the
// figure, shown again on the console each time the figure grows.
struct PassProgress {
    const char* message;  // the step's message, e.g. "本文データをHTMLに変換しています... "; none
                          // for a pass whose progress another one shows
    int32_t divisor;      // progress_divisor of the file
    long last_percent;    // the figure last shown; -1 before the first
};

// A display for a pass over `text` that has shown nothing yet.
PassProgress start_progress(const MainText* text, const char* message);

// Shows "\r" + message + the figure of `offset` when it is above the last one.
void show_progress(PassProgress& progress, int32_t offset);

// Classifies a line by its leading tag and returns a copy of its FieldTagTable
// row (an unlisted tag gives the end row) with number1/number2 of a TR or
// TRSUB line filled in from the line.
FieldTagInfo classify_line(const char* line);

// The value of a line: the text after the first "=" (double-byte aware), or
// the terminator's position when there is none.
const char* line_value(const char* line);

}  // namespace qel
