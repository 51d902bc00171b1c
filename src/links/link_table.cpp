// The hyperlink pass: every link in the shown fields of main.txt is numbered,
// its target resolved into a target description, and one line per resolved
// link written to "hyperlnk.tmp", which the external sort orders by target
// entry into "hyperlnk.dat".
#include "links/link_table.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "common/settings.h"
#include "common/written_file.h"
#include "text/inline_tags.h"
#include "text/main_text.h"
#include "text/sjis.h"
#include "text/text_copy.h"

namespace qel {

const char* const PartOfSpeechList[PartOfSpeechCount] = {
    "adj.", "adv.", "auxil.v.", "conj.", "interj.", "n.", "prep.", "pron.", "v.", "v.i.", "v.t.",
};

const char* const LinkTableName = "hyperlnk.tmp";
const char* const SortedLinkTableName = "hyperlnk.dat";

namespace {

// Longest target entry number and raw link target specification kept in a table line.
const size_t TargetNumberBytes = 8;
const size_t RawLinkSpecBytes = 1023;

// The hyperlink pass's own state.
struct LinkTablePass {
    File* table;             // hyperlnk.tmp, being written
    int link_counter;        // links numbered so far
    LinkResolver resolver;   // scratch of the target resolution
    std::string entry_number;  // RN value of the current record
    std::string key;         // headword key of the current entry
    std::string target;      // target entry number of the current link
    std::string raw;         // its link target specification as the table records it
    std::string table_line;  // the table line being formed
    int part = 0;            // 1: lines go to a tail's part file, each behind the length of its target field
};

// Section labels of a target specification, in the order they are tried.
struct SectionLabel {
    const char* label;  // the label text at the current position
    int index;          // FieldTagTable index of the kind it gives
    int after_number;   // also tried right after a translation number
};
const SectionLabel SectionLabels[] = {
    {"【類語】", FT_OT1, 1},   {"【語法】", FT_OT2, 1}, {"【活用】", FT_OT3, 1},
    {"【発音】", FT_OT4, 1},   {"【地域的", FT_OT5, 1}, {"◇", FT_TL, 0},
    {"用例", FT_KEYEX, 1},     {"図", FT_IMG, 0},       {"語源", FT_SRC, 0},
};
// After a number the regional-variant label must match whole.
const char* const WholeRegionalLabel = "【地域的異形】";

inline bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

inline bool starts_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Position of the first ":" at a character start in [p, end), or none.
const char* colon_before(const char* p, const char* end) {
    while (p < end && *p != '\0') {
        if (*p == ':') return p;
        p = next_char(p);
    }
    return nullptr;
}

// Cuts `text` to at most `limit` bytes, never inside a two-byte character.
void cut_text(std::string& text, size_t limit) {
    if (text.size() <= limit) return;
    size_t n = 0;
    while (n < limit) {
        size_t step = static_cast<unsigned char>(text[n]) >= 0x80 ? 2 : 1;
        if (n + step > limit) break;
        n += step;
    }
    text.resize(n);
}

// The link target specification up to its next "<", as logs and table lines show it.
const std::string& link_spec_shown(LinkResolver& resolver, const char* link_spec) {
    copy_until_char(link_spec, resolver.shown_link_spec, '<');
    return resolver.shown_link_spec;
}

// Kind name of a FieldTagTable index.
const char* kind_name(int index) {
    return FieldTagTable[index].name;
}

// Tries the section labels at `p`; returns the matching label, or none. With
// `after_number` set the labels "◇", "図" and "語源" are not tried and the
// regional-variant label must match whole.
const SectionLabel* match_section_label(const char* p, int after_number) {
    for (const SectionLabel& s : SectionLabels) {
        if (after_number && !s.after_number) continue;
        const char* label = (after_number && s.index == FT_OT5) ? WholeRegionalLabel : s.label;
        if (starts_with(p, label)) return &s;
    }
    return nullptr;
}

// One scan of a field value for links, from `value` on: the same tags are
// met here as in convert_inline, so both number the same links.
void scan_value(LinkTablePass& pass, const char* value) {
    // A link's tag is "<HL" or "</HL": a value without the two letters side
    // by side holds none, and nothing else of it concerns this pass.
    if (std::strstr(value, "HL") == nullptr) return;
    const std::string& key = pass.key;
    std::string& target = pass.target;
    std::string& raw = pass.raw;
    std::string& table_line = pass.table_line;
    const char* segment = value;          // where a missing "<HL>" repair stops searching
    const char* no_comment_end = nullptr;  // from here on no "</CMT>" follows
    const char* p = value;
    for (;;) {
        // Text between tags is stepped over character by character, as
        // convert_inline steps.
        p = next_tag_start(p);
        if (*p == '\0') break;
        if (p[1] == '<') {
            ++p;
            continue;
        }
        InlineTag tag;
        const char* after = read_inline_tag(p, tag);
        LinkParts parts;
        if (tag.name == "HL" && !tag.closing) {
            split_link(after, nullptr, nullptr, parts);
        } else if (tag.name == "HL") {
            // A closing tag without its "<HL>": the link is assumed to start
            // at the last small-caps word, else at the segment start.
            int found;
            split_link(assumed_link_start(segment, p, found), p, after, parts);
        } else {
            // Once no "</CMT>" follows, none follows any later comment either.
            const char* comment_end = nullptr;
            if (!tag.closing && tag.name == "CMT" && no_comment_end == nullptr) {
                comment_end = skip_comment(after);
                if (comment_end == nullptr) no_comment_end = after;
            }
            p = comment_end ? comment_end : after;
            continue;
        }

        // Number the link when its target resolves.
        if (parts.full) {
            link_target_number(parts, pass.entry_number.c_str(), target);
            const char* resolved = resolve_link_parts(pass.resolver, parts, target.c_str(), key.c_str(), 1);
            if (resolved) {
                // Both passes cut the target entry number to its 8 characters;
                // the log says where the data held a longer one.
                size_t target_length = static_cast<size_t>(parts.target_end - parts.target);
                if (target_length > TargetNumberBytes) {
                    count_data_fault(FAULT_CUT_VALUE);
                    report_log("リンク先の項目番号「%.*s」は8文字を超えるため「%s」として扱います(%s)\n",
                               static_cast<int>(target_length), parts.target, target.c_str(), key.c_str());
                }
                copy_until_char(parts.link_spec, raw, '<');
                if (raw.size() > RawLinkSpecBytes) {
                    std::string start = raw;
                    cut_text(start, 40);
                    count_data_fault(FAULT_CUT_VALUE);
                    report_log("リンク先指定「%s...」は%zuバイトを超えるため切り詰めて記録します(%s)\n",
                               start.c_str(), RawLinkSpecBytes, key.c_str());
                }
                cut_text(raw, RawLinkSpecBytes);

                // The target entry number goes right-aligned in its 8
                // characters, so that a byte-wise sort orders by number.
                size_t padding = target.size() < TargetNumberBytes ? TargetNumberBytes - target.size() : 0;
                table_line.clear();
                if (pass.part) {
                    append_decimal(table_line, static_cast<long>(padding + target.size()), 0);
                    table_line.push_back(' ');
                }
                table_line.append(padding, ' ').append(target).append("|HL");
                append_decimal(table_line, ++pass.link_counter, 6);
                table_line.append("|").append(resolved).append("|").append(pass.entry_number);
                table_line.append("|").append(key).append("|(").append(raw).append(")\n");
                file_write(pass.table, table_line.data(), table_line.size());
            }
        }
        if (!parts.closed) break;
        p = segment = parts.next;
    }
}

// What one line of main.txt gives the pass: the headword key, the entry
// number, and the links of a shown field.
void pass_line(LinkTablePass& pass, const ConversionSettings& settings, int tag, int shown, const char* value) {
    switch (tag) {
        case FT_EN:
            copy_until_char(find_char(value, '|'), pass.key, '\0');
            return;
        case FT_RN:
            copy_until_char(value, pass.entry_number, '\0');
            return;
        default:
            break;
    }
    if (shown != 1) return;
    // With complex search an example's own text is not converted with its
    // links: only the translation after " <OBJ>" is.
    if (tag == FT_EX && settings.COMPLEX != 0) {
        if (const char* object = std::strstr(value, " <OBJ>")) value = object;
    }
    scan_value(pass, value);
}

// The pass at the RA line at `offset`, with a tail beside it: 0 to go on;
// -1 when the tail is given up (the pass numbers the rest itself); 1 when
// the pass met it at the seam in the same state and the tail finished its
// work, which the pass then takes.
int meet_link_tail(LinkTail& tail, const LinkTablePass& pass, int32_t offset) {
    tail.reached.store(offset, std::memory_order_relaxed);
    if (offset < tail.limit.load(std::memory_order_acquire)) return 0;
    std::unique_lock<std::mutex> guard(tail.lock);
    tail.changed.wait(guard, [&tail] { return tail.state != LinkTail::WAITING; });
    if (tail.state != LinkTail::FAILED && offset < tail.seam) return 0;
    int same = tail.state != LinkTail::FAILED && offset == tail.seam && pass.entry_number == tail.entry_number &&
               pass.key == tail.key;
    if (same) {
        tail.changed.wait(guard, [&tail] { return tail.state != LinkTail::AT_SEAM; });
        if (tail.state == LinkTail::DONE) return 1;
    }
    tail.stop.store(1);
    return -1;
}

// Appends the tail's part file to the table, each link's number moved on by
// `base`: a part line is the length of its target field, a space and the
// table line. 0, or -1 when it cannot be read whole.
int append_link_tail(File* table, const std::string& part_path, int base) {
    File* part = file_open(part_path.c_str(), FILE_READ_RAW);
    if (part == nullptr) return -1;
    std::vector<char> block(1 << 16);
    std::string line, out;
    int status = 0;
    size_t got;
    while (status == 0 && (got = file_read(part, block.data(), block.size())) > 0) {
        const char* p = block.data();
        const char* end = p + got;
        while (p < end) {
            const char* line_end = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (line_end == nullptr) {
                line.append(p, end);
                break;
            }
            line.append(p, line_end + 1);
            p = line_end + 1;
            // The target field's length, then the line; its number follows
            // the target field and "|HL", and runs up to the next "|".
            // A line that does not hold them is not the tail's.
            size_t space = line.find(' ');
            size_t target_length = space == std::string::npos ? 0 : std::strtoul(line.c_str(), nullptr, 10);
            if (space == std::string::npos || target_length > line.size() - space) {
                status = -1;
                break;
            }
            size_t number = space + 1 + target_length + 3;
            size_t number_end = line.find('|', number);
            if (number_end == std::string::npos || line.compare(number - 3, 3, "|HL") != 0) {
                status = -1;
                break;
            }
            out.assign(line, space + 1, target_length + 3);
            append_decimal(out, std::strtol(line.c_str() + number, nullptr, 10) + base, 6);
            out.append(line, number_end, std::string::npos);
            file_write(table, out.data(), out.size());
            line.clear();
        }
    }
    if (!line.empty()) status = -1;
    file_close(part);
    return status;
}

// The pass is through with `tail` (none: no tail), having taken its work
// or not: the tail stops, and may remove its part file. Returns once the
// tail has closed its files: the external sort that follows flushes every
// stream of the process before it starts, which must not meet a stream the
// tail is still writing.
void end_link_tail(LinkTail* tail, int taken) {
    if (tail == nullptr) return;
    std::unique_lock<std::mutex> guard(tail->lock);
    tail->taken = taken;
    tail->pass_ended = 1;
    if (!taken) tail->stop.store(1);
    tail->changed.notify_all();
    tail->changed.wait(guard, [tail] { return tail->running == 0; });
}

// The tail's state is published: it reached the seam, finished, or failed.
void set_tail_state(LinkTail& tail, LinkTail::State state) {
    std::lock_guard<std::mutex> guard(tail.lock);
    tail.state = state;
    tail.changed.notify_all();
}

}  // namespace

void number_link_tail(const ConversionSettings& settings, LinkTail& tail) {
    // What it says before the seam is the pass's to say.
    HeldReports before;
    drop_reports(before);
    hold_reports(before);
    LinkTablePass pass;
    pass.link_counter = 0;
    pass.table = nullptr;
    MainText* text = open_main_text(settings.DICPATH.c_str(), "main.txt");
    int status = -1;
    int32_t seam = -1;
    if (text != nullptr) {
        // Half way between where the pass has got to and the end, and not
        // before the body's division, whose point the pass must find.
        int32_t size = main_text_size(text);
        std::lock_guard<std::mutex> guard(tail.lock);
        int64_t from = tail.reached.load();
        int64_t start = from + (size - from) / 2;
        int64_t division = static_cast<int64_t>(size) * tail.share / 1000;
        if (start < division) start = division;
        if (!tail.pass_ended && size - start >= tail.minimum_size &&
            seek_main_text(text, static_cast<int32_t>(start)) == 0) {
            tail.limit.store(static_cast<int32_t>(start), std::memory_order_release);
            tail.running = 1;
            status = 0;
        }
    }
    if (status == 0) pass.table = file_open(NullDeviceName, FILE_WRITE_RAW);
    if (pass.table == nullptr) status = -1;

    // From the first RA line on, two records take up the state; the third
    // RA line is the seam. The line the start falls in is passed over.
    std::string line;
    if (status == 0) {
        status = -1;
        int records = 0;
        read_main_line(text, line);
        while (const char* l = read_main_line(text, line)) {
            const FieldTagInfo info = classify_line(l);
            if (info.index == FT_RA && ++records == 3) {
                seam = line_start_offset(text);
                status = 0;
                break;
            }
            if (records > 0 && info.index != FT_RA) pass_line(pass, settings, info.index, info.shown, line_value(l));
            if (tail.stop.load(std::memory_order_relaxed)) break;
        }
    }
    if (pass.table != nullptr) file_close(pass.table);
    pass.table = nullptr;
    if (status == 0) {
        remove_old_file(tail.part_path.c_str());
        pass.table = file_open(tail.part_path.c_str(), FILE_WRITE_RAW);
        if (pass.table == nullptr) status = -1;
    }
    {
        std::lock_guard<std::mutex> guard(tail.lock);
        if (status == 0) {
            tail.seam = seam;
            tail.entry_number = pass.entry_number;
            tail.key = pass.key;
        }
        tail.state = status == 0 ? LinkTail::AT_SEAM : LinkTail::FAILED;
        tail.changed.notify_all();
    }

    // From the seam to the end, numbering from 1; it gives up when told to,
    // or rather than wait with more to say than it may hold.
    if (status == 0) {
        tail.held.refused = &tail.refused;
        hold_reports(tail.held);
        pass.part = 1;
        pass.link_counter = 0;
        long lines = 0;
        while (const char* l = read_main_line(text, line)) {
            const FieldTagInfo info = classify_line(l);
            if (info.index != FT_RA) pass_line(pass, settings, info.index, info.shown, line_value(l));
            if ((++lines & 4095) == 0 && (tail.stop.load(std::memory_order_relaxed) || tail.refused.load())) break;
        }
        if (tail.stop.load() || tail.refused.load() || main_text_bytes_read(text) != main_text_size(text)) status = -1;
        if (close_written_file(pass.table, tail.part_path) != 0) status = -1;
        pass.table = nullptr;
        {
            std::lock_guard<std::mutex> guard(tail.lock);
            tail.link_count = pass.link_counter;
        }
        set_tail_state(tail, status == 0 ? LinkTail::DONE : LinkTail::FAILED);
    }
    end_holding();
    close_main_text(text);

    // The pass is done with the part file once it has appended it or given
    // the tail up.
    std::unique_lock<std::mutex> guard(tail.lock);
    tail.running = 0;
    tail.changed.notify_all();
    if (seam >= 0) {
        tail.changed.wait(guard, [&tail] { return tail.pass_ended != 0; });
        guard.unlock();
        std::remove(os_path(tail.part_path.c_str()).c_str());
    }
}

void split_link(const char* start, const char* close, const char* after_close, LinkParts& parts) {
    if (close == nullptr) {
        close = std::strstr(start, "</HL>");
        after_close = close ? close + 5 : nullptr;
    }
    const char* end = close ? close : end_of_text(start);
    parts.text = start;
    parts.closed = close != nullptr;
    parts.next = close ? after_close : end;
    parts.link_spec_end = end;
    parts.target = parts.target_end = parts.link_spec = end;
    parts.full = 0;

    const char* first = colon_before(start, end);
    parts.text_end = first ? first : end;
    if (first == nullptr) return;
    const char* second = colon_before(first + 1, end);
    if (second == nullptr) return;
    parts.target = first + 1;
    parts.target_end = second;
    parts.link_spec = second + 1;
    parts.full = 1;
}

const char* assumed_link_start(const char* segment_start, const char* close, int& found) {
    found = 0;
    if (close - segment_start >= 4) {
        for (const char* p = close - 4;; --p) {
            if (std::memcmp(p, "<SC>", 4) == 0) {
                found = 1;
                return p;
            }
            if (p == segment_start) break;
        }
    }
    return segment_start;
}

void link_target_number(const LinkParts& parts, const char* entry_id, std::string& target) {
    // Cut to 8 bytes, never inside a two-byte character.
    const char* p = parts.target;
    while (p < parts.target_end) {
        size_t step = static_cast<unsigned char>(*p) >= 0x80 && p + 1 < parts.target_end ? 2 : 1;
        if (static_cast<size_t>(p - parts.target) + step > TargetNumberBytes) break;
        p += step;
    }
    target.assign(parts.target, static_cast<size_t>(p - parts.target));
    if (target == "0") target = entry_id;
}

const char* resolve_link_target(LinkResolver& resolver, const char* link_spec, const char* target,
                                const char* key, int report_on) {
    std::string& first_word = resolver.first_word;
    std::string& target_text = resolver.target_text;
    std::string& number_text = resolver.number_text;
    std::string& sub_text = resolver.sub_text;
    std::string& description = resolver.description;
    // 1. The target must be an entry number.
    if (!is_digit(*target)) {
        if (report_on) {
            count_data_fault(FAULT_UNKNOWN_TARGET);
            report_log("飛び先不明のハイパーリンク「%s:%s」があります(%s)\n", target,
                       link_spec_shown(resolver, link_spec).c_str(), key);
        }
        return nullptr;
    }

    // 2. Links the dictionary marks as pointing nowhere.
    if (starts_with(link_spec, "null:null:null")) return nullptr;

    // 3. The first word exists only when a ":" ends it.
    const char* colon = find_char(link_spec, ':');
    int has_word = colon > link_spec && colon[-1] == ':';
    if (has_word)
        first_word.assign(link_spec, static_cast<size_t>(colon - 1 - link_spec));
    else
        first_word.clear();
    if (has_word && first_word == "DR") {
        parse_quoted(colon, target_text);
        description.assign("DR::::").append(target_text);
        return description.c_str();
    }

    // 4. A part of speech, or a "null" word, comes before the real target.
    int kind = -1;
    const char* pos = "";
    if (has_word) {
        for (const char* name : PartOfSpeechList)
            if (first_word == name) {
                kind = FT_PS;
                pos = name;
            }
    }
    const char* p = link_spec;
    if (kind == FT_PS || (has_word && first_word.compare(0, 3, "nul") == 0)) p = colon;

    // 5. A translation number, an idiom, or a section label.
    number_text.clear();
    sub_text.clear();
    target_text.clear();
    if (*p == '(') ++p;
    if (is_digit(*p)) {
        kind = FT_TR;
        p = copy_digits(p, number_text);
        if (p[0] == '(' && is_digit(p[1])) {
            kind = FT_TRSUB;
            p = copy_digits(p + 1, sub_text);
        }
        p = find_char(p, ':');
        if (*p == '(') ++p;
        if (is_digit(*p)) {
            kind = FT_TRSUB;
            copy_digits(p, sub_text);
        } else if (const SectionLabel* s = match_section_label(p, 1)) {
            kind = s->index;
        }
    } else if (*p == '"' || starts_with(p, "成句")) {
        kind = FT_KEYID;
        if (*p == '"') {
            parse_quoted(p, target_text);
            strip_tags(target_text);
        }
    } else if (const SectionLabel* s = match_section_label(p, 0)) {
        // 6. A work title may name a bracketed sub-title.
        kind = s->index;
        if (kind == FT_TL) {
            p = find_char(p, ':');
            if (*p == '[') {
                kind = FT_TLSUB;
                copy_until_char(p, target_text, ']');
                target_text.push_back(']');
            }
        }
    }

    // 7. The five fields, or the report of a target nobody can find.
    if (kind < 0) {
        if (report_on) {
            count_data_fault(FAULT_UNRESOLVABLE_LINK);
            report_log("解決不能なハイパーリンク「%s」があります(%s)\n", link_spec_shown(resolver, link_spec).c_str(), key);
        }
        return nullptr;
    }
    description.assign(kind_name(kind))
        .append(":")
        .append(pos)
        .append(":")
        .append(number_text)
        .append(":")
        .append(sub_text)
        .append(":")
        .append(target_text);
    return description.c_str();
}

const char* resolve_link_parts(LinkResolver& resolver, const LinkParts& parts, const char* target, const char* key,
                               int report_on) {
    resolver.link_spec_text.assign(parts.link_spec, static_cast<size_t>(parts.link_spec_end - parts.link_spec));
    return resolve_link_target(resolver, resolver.link_spec_text.c_str(), target, key, report_on);
}

File* create_link_data(const char* name) {
    remove_old_file(name);
    File* file = file_open(name, FILE_WRITE_TEXT);
    if (file == nullptr) report("ハイパーリンクデータファイル %s が新規作成できません\n", name);
    return file;
}

File* open_link_data(const char* name) {
    File* file = file_open(name, FILE_READ_TEXT);
    if (file == nullptr) report("ハイパーリンクデータファイル %s がオープンできません\n", name);
    return file;
}

void close_link_data(File* file) {
    file_close(file);
}

int build_link_table(const ConversionSettings& settings, int& link_count, LinkCountPoint* point, LinkTail* tail) {
    report("ハイパーリンクデータを生成しています...");
    report_log("\n");

    // Open main.txt and create the unsorted table.
    MainText* text = open_main_text(settings.DICPATH.c_str(), "main.txt");
    if (text == nullptr) {
        end_link_tail(tail, 0);
        return -1;
    }
    File* table = create_link_data(LinkTableName);
    if (table == nullptr) {
        end_link_tail(tail, 0);
        close_main_text(text);
        return -1;
    }
    LinkTablePass pass;
    pass.table = table;
    pass.link_counter = 0;
    PassProgress progress = start_progress(text, "ハイパーリンクデータを生成しています... ");
    // The point where the links before are counted, when one is asked for;
    // its target lies beyond every offset while there is none, and the lines
    // before it are shown to its observer.
    int64_t point_target = INT64_MAX;
    void (*observe_line)(void*, int, const char*) = nullptr;
    if (point != nullptr) {
        point->start = -1;
        point->links_before = 0;
        if (point->share > 0 && main_text_size(text) >= point->minimum_size) {
            point_target = static_cast<int64_t>(main_text_size(text)) * point->share / 1000;
            observe_line = point->observe_line;
        }
    }

    // Number the links of every shown field; with a tail beside, up to
    // where it takes over.
    LinkTail* beside = tail;
    int taken = 0;
    int appended = 0;
    std::string line;
    while (const char* l = read_main_line(text, line)) {
        const FieldTagInfo tag = classify_line(l);
        const FieldTagInfo* info = &tag;
        const char* value = line_value(l);
        if (info->index == FT_RA && line_start_offset(text) >= point_target) {
            point->start = line_start_offset(text);
            point->links_before = pass.link_counter;
            point_target = INT64_MAX;
            observe_line = nullptr;
        }
        if (observe_line != nullptr) observe_line(point->observer, info->index, value);
        if (info->index == FT_RA) {
            show_progress(progress, line_start_offset(text));
            if (beside != nullptr) {
                int met = meet_link_tail(*beside, pass, line_start_offset(text));
                if (met < 0) beside = nullptr;
                if (met > 0) {
                    // The rest of the table is the tail's, numbered on from here.
                    taken = 1;
                    if (append_link_tail(table, tail->part_path, pass.link_counter) != 0) appended = -1;
                    pass.link_counter += tail->link_count;
                    break;
                }
            }
            continue;
        }
        pass_line(pass, settings, info->index, info->shown, value);
    }
    if (taken && appended == 0)
        release_reports(tail->held);
    else if (tail != nullptr)
        drop_reports(tail->held);
    end_link_tail(tail, taken);
    link_count = pass.link_counter;
    close_main_text(text);
    if (appended != 0) {
        report("\nハイパーリンクデータファイル %s が読めません\n", tail->part_path.c_str());
        close_written_file(table, LinkTableName);
        return -1;
    }
    report_console("\rハイパーリンクデータを生成しています... ");
    // A table cut short by a full disk would lose links without a word.
    if (close_written_file(table, LinkTableName) != 0) return -1;
    report("終了しました\n");
    if (point != nullptr && point->table_written != nullptr) point->table_written(point->waiter);

    // Sort the table by target entry. A sort that fails must not leave an
    // empty or stale "hyperlnk.dat" behind for the body conversion to trust.
    report("ハイパーリンクデータをソートしています...");
    std::string command = settings.SORTCMD + " " + LinkTableName + " > " + SortedLinkTableName;
    remove_old_file(SortedLinkTableName);
    int status = run_command(command.c_str());
    if (status != 0) {
        std::remove(os_path(SortedLinkTableName).c_str());
        report(" 失敗しました\n");
        report("ソートコマンド「%s」の実行に失敗しました\n", command.c_str());
        return 0;
    }
    report(" 終了しました\n");
    return 0;
}

}  // namespace qel
