// The hyperlink pass over main.txt: link numbering, target resolution, and the
// table "hyperlnk.tmp" sorted into "hyperlnk.dat".
//
// A hyperlink in a field value is "<HL>", the visible text, ":", the target
// entry number, ":", the target specification and "</HL>". The hyperlink pass
// and the body conversion take links apart with the same operations
// (split_link, assumed_link_start), so both number exactly the same links.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "common/report.h"
#include "common/settings.h"
#include "platform/platform.h"

namespace qel {

// Part-of-speech names a link target may carry, in this order.
const int PartOfSpeechCount = 11;
extern const char* const PartOfSpeechList[PartOfSpeechCount];

// Name of the link table before and after sorting.
extern const char* const LinkTableName;        // "hyperlnk.tmp"
extern const char* const SortedLinkTableName;  // "hyperlnk.dat"

// The parts of one link, as positions in its field value. A link has a full
// target when two ":" lie between its start and its closing "</HL>" (or the
// end of the value when it has none); only such links are resolved and
// numbered.
struct LinkParts {
    const char* text;               // start of the visible text
    const char* text_end;           // its end: the first ":", else the close, else the end
    const char* target;             // target entry number (full links only)
    const char* target_end;         // the second ":"
    const char* link_spec;          // after the second ":" (full links only)
    const char* link_spec_end;      // the closing "</HL>", or the end of the value
    const char* next;               // just after the closing tag, or the end of the value
    int full;                       // 1 when the link has its two ":" before the close
    int closed;                     // 1 when a closing tag ends the link
};

// Takes apart the link whose visible text starts at `start`. `close` is the
// closing tag of a link whose "<HL>" is missing (and `after_close` the
// position after it); none means the first "</HL>" from `start`.
void split_link(const char* start, const char* close, const char* after_close, LinkParts& parts);

// Where a link whose "<HL>" is missing starts: the last "<SC>" between
// `segment_start` and the stray `close`, else `segment_start`. `found` says
// whether an "<SC>" was found.
const char* assumed_link_start(const char* segment_start, const char* close, int& found);

// Copies the target entry number of a full link into `target`, cut to 8
// bytes (never inside a two-byte character); "0" becomes `entry_id`.
void link_target_number(const LinkParts& parts, const char* entry_id, std::string& target);

// Scratch texts of the target resolution, kept by a pass from link to link so
// that resolving does not allocate once they have grown.
struct LinkResolver {
    std::string description;      // the target description last resolved
    std::string first_word;       // the first word of the link's target specification, when a ":" ends it
    std::string number_text;      // translation number
    std::string sub_text;         // translation sub-number
    std::string target_text;      // idiom, sub-title or derived-word text
    std::string link_spec_text;   // the target specification of the link being resolved
    std::string shown_link_spec;  // that target specification as the log shows it
};

// Resolves a link's target specification into the target description
// "kind:pos:number:sub:text", held in `resolver` until its next use, or none
// (nullptr). With `report_on` 1 unresolvable links are logged with `key`.
const char* resolve_link_target(LinkResolver& resolver, const char* link_spec, const char* target,
                                const char* key, int report_on);

// resolve_link_target for the link target specification of a full link: the text from
// its second ":" up to its closing "</HL>" only, never the next link's.
const char* resolve_link_parts(LinkResolver& resolver, const LinkParts& parts, const char* target, const char* key,
                               int report_on);

// Create (text, for writing) / open (text, for reading) / close a link data
// file in the working directory. Create and open report their failure and
// return none.
File* create_link_data(const char* name);
File* open_link_data(const char* name);
void close_link_data(File* file);

// A point of main.txt where the hyperlink pass counts the links before it,
// for a body conversion divided there: the first record whose RA line lies
// at or after `share` per mille of the file.
struct LinkCountPoint {
    int share = 0;             // per mille of main.txt before the point; 0 for none
    int32_t minimum_size = 0;  // in a main.txt smaller than this many bytes there is none
    int32_t start = -1;        // offset of that RA line; -1 when there is none
    int links_before = 0;      // links numbered in the lines before it
    // Given the FieldTagTable index and the value of every line before the
    // point, for what else is to be known there; none for nothing.
    void (*observe_line)(void* observer, int tag, const char* value) = nullptr;
    void* observer = nullptr;
    // Called once the table has been written whole, before it is sorted: from
    // then on only the sort can keep the body from being converted. None for
    // nothing.
    void (*table_written)(void* waiter) = nullptr;
    void* waiter = nullptr;
};

// The last records of the hyperlink pass, numbered by a second thread once
// it is free (that of the quick-jump pass, when the pass is through), while
// the pass goes on with the records before. The thread starts half way
// between where the pass has got to and the end, reads the two records from
// there to take up the pass's state (the current entry number and headword
// key), and from the third (the seam) numbers links from 1 into a part file
// of its own, holding its messages. When the pass
// reaches the seam in the same state it waits for the thread, appends the
// part file with the numbers moved on by its own count and shows the held
// messages; otherwise, or when the thread gives up, it numbers the rest
// itself. Made by the one who starts both; each side takes its own fields.
struct LinkTail {
    enum State { WAITING, AT_SEAM, DONE, FAILED };
    std::mutex lock;
    std::condition_variable changed;
    int share = 0;                          // the body division's share (per mille); the tail starts after it
    int32_t minimum_size = 0;               // no tail shorter than this many bytes (set from LinkTailMinimum)
    std::string part_path;                  // its part file
    std::atomic<int32_t> reached{0};        // the pass: the offset of the last RA line it has read
    std::atomic<int32_t> limit{INT32_MAX};  // the tail: from here on the pass looks for the seam
    std::atomic<int> stop{0};               // the pass: the tail's work will not be taken
    std::atomic<int> refused{0};            // its held messages passed their limit
    int pass_ended = 0;                     // the pass is done with the tail: its work taken or not
    int running = 0;                        // the tail has started and not yet closed its files
    State state = WAITING;                  // the tail's
    int32_t seam = -1;                      // offset of the seam's RA line
    std::string entry_number, key;          // the tail's state at the seam
    int link_count = 0;                     // links the tail numbered from the seam on
    int taken = 0;                          // set by the pass: 1 when it took the tail's work
    HeldReports held;                       // the tail's messages from the seam on
};

// Below this many bytes after its start a tail is not worth a thread.
const int32_t LinkTailMinimum = 256 * 1024;

// The thread's side of `tail`: numbers the last records of main.txt as
// described there (or nothing, when the pass is near its end or through),
// and returns once the pass is done with its work; its part file is then
// removed. Holds the calling thread's messages meanwhile, and ends the hold.
void number_link_tail(const ConversionSettings& settings, LinkTail& tail);

// The hyperlink pass and the external sort; `link_count` gets the number of
// links the pass numbered, which the body conversion must number alike. With
// `point` (share not 0), also finds it and counts the links before it. With
// `tail`, a second thread may number the last records (see LinkTail). 0 or -1.
int build_link_table(const ConversionSettings& settings, int& link_count, LinkCountPoint* point = nullptr,
                     LinkTail* tail = nullptr);

}  // namespace qel
