// The sources of the book, read tag by tag into its text streams.
#include "book/sources.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "book/html_reader.h"
#include "book/jis.h"
#include "common/report.h"
#include "common/written_file.h"

namespace qel {

namespace {

enum SourceRole {
    ROLE_BODY,       // entries with headings and keys
    ROLE_MENU,       // a menu page
    ROLE_COPYRIGHT   // the copyright page
};

// What a tag does.
enum TagAction {
    TAG_IGNORE,        // structure only: nothing written
    TAG_SKIP_CONTENT,  // its content is passed over (<head>, <title>, ...)
    TAG_PARAGRAPH,     // its edges end the current line
    TAG_BREAK,         // a line break
    TAG_MODIFIER,      // a text modifier around its content
    TAG_HEADLINE,      // a heading line
    TAG_ANCHOR,        // <a>: anchor and link
    TAG_IMAGE,         // <img>: its caption
    TAG_TERM,          // <dt>: an entry and its heading
    TAG_DESCRIPTION,   // <dd>: the entry's text
    TAG_KEY            // <key>: a search key
};

struct TagInfo {
    const char* name;  // lower case
    int action;        // a TagAction
    int modifier;      // TAG_MODIFIER: the TextModifier
};

const TagInfo TagTable[] = {
    {"a", TAG_ANCHOR, MOD_LINK},          {"b", TAG_MODIFIER, MOD_EMPHASIS},
    {"strong", TAG_MODIFIER, MOD_EMPHASIS}, {"i", TAG_MODIFIER, MOD_ITALIC},
    {"em", TAG_MODIFIER, MOD_ITALIC},     {"sup", TAG_MODIFIER, MOD_SUPERSCRIPT},
    {"sub", TAG_MODIFIER, MOD_SUBSCRIPT}, {"nobr", TAG_MODIFIER, MOD_NOBREAK},
    {"br", TAG_BREAK, 0},                 {"p", TAG_PARAGRAPH, 0},
    {"div", TAG_PARAGRAPH, 0},            {"hr", TAG_PARAGRAPH, 0},
    {"h1", TAG_HEADLINE, 0},              {"h2", TAG_HEADLINE, 0},
    {"h3", TAG_HEADLINE, 0},              {"h4", TAG_HEADLINE, 0},
    {"h5", TAG_HEADLINE, 0},              {"h6", TAG_HEADLINE, 0},
    {"dt", TAG_TERM, 0},                  {"dd", TAG_DESCRIPTION, 0},
    {"key", TAG_KEY, 0},                  {"img", TAG_IMAGE, 0},
    {"head", TAG_SKIP_CONTENT, 0},        {"title", TAG_SKIP_CONTENT, 0},
    {"script", TAG_SKIP_CONTENT, 0},      {"style", TAG_SKIP_CONTENT, 0},
    {"html", TAG_IGNORE, 0},              {"body", TAG_IGNORE, 0},
    {"dl", TAG_IGNORE, 0},                {"dfn", TAG_IGNORE, 0},
    {"span", TAG_IGNORE, 0},              {"font", TAG_IGNORE, 0},
    {"meta", TAG_IGNORE, 0},              {"link", TAG_IGNORE, 0},
    {"u", TAG_IGNORE, 0},                 {"center", TAG_IGNORE, 0},
    {"small", TAG_IGNORE, 0},             {"big", TAG_IGNORE, 0},
    {"tt", TAG_IGNORE, 0},
};

// A name of at most seven bytes as one number, for quick comparison.
inline uint64_t name_code(const char* name, size_t length) {
    uint64_t code = length;
    for (size_t i = 0; i < length; ++i) code |= static_cast<uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i + 8);
    return code;
}

// Slots of the tag look-up: a power of two well above the number of tags.
const int TagSlots = 256;

inline size_t tag_slot(uint64_t code) {
    return static_cast<size_t>((code * 0x9E3779B97F4A7C15ull) >> 56);
}

const TagInfo* find_tag(std::string_view name) {
    // Every known name is shorter than eight bytes; each has a slot of its
    // own, found from its code.
    struct Slot {
        uint64_t code;
        const TagInfo* tag;
    };
    static const std::vector<Slot> slots = [] {
        std::vector<Slot> s(TagSlots, Slot{0, nullptr});
        for (const TagInfo& t : TagTable) {
            uint64_t code = name_code(t.name, std::strlen(t.name));
            size_t i = tag_slot(code);
            while (s[i].tag) i = (i + 1) % TagSlots;
            s[i] = Slot{code, &t};
        }
        return s;
    }();
    if (name.size() >= 8) return nullptr;
    uint64_t code = name_code(name.data(), name.size());
    for (size_t i = tag_slot(code); slots[i].tag; i = (i + 1) % TagSlots)
        if (slots[i].code == code) return slots[i].tag;
    return nullptr;
}

// Key types of the body and the index each feeds.
enum KeyIndex { KEY_WORD, KEY_ENDWORD, KEY_CONDITION, KEY_UNKNOWN };

int key_index(const std::string_view* type) {
    if (!type) return KEY_UNKNOWN;
    if (*type == "前方表記") return KEY_WORD;
    if (*type == "後方表記") return KEY_ENDWORD;
    if (*type == "条件") return KEY_CONDITION;
    return KEY_UNKNOWN;
}

// The reading of one source.
struct SourceWalk {
    BookBuild* build;
    int role;                     // a SourceRole
    HtmlReader reader;
    HtmlToken token;
    int bad_tags;                 // malformed tags of the reader already noted
    TextEncoder text;             // the component's stream
    TextEncoder heading;          // the heading of the entry being read
    std::string skip_until;       // name of the element whose content is passed over
    int in_heading;               // inside <dt>
    int in_entry;                 // an entry is open
    uint32_t entry_start;         // book offset of the open entry
    uint32_t after_heading;       // book offset just after its heading line
    uint32_t entry_heading;       // heading-stream offset of its heading
    std::string entry_title;      // the <dt> text as written, for titles that repeat it
    std::vector<uint16_t> heading_codes;  // characters of the <dt> text
    std::string last_title;       // title of the last heading made from a key
    uint32_t last_title_heading;  // and its heading-stream offset
    int in_key;                   // inside <key>
    int key_type;                 // its KeyIndex
    int key_has_title;            // it has a title
    std::string key_title;        // its title as written
    std::string key_raw;          // its text as written, for messages
    std::vector<uint16_t> key_codes;  // its characters
    TextEncoder key;              // collects them
    HtmlReader title;             // reads a key's title (kept, so its window is reused)
    HtmlToken title_token;        // a token of that title
    int last_percent;             // progress shown so far (body only)
};

void note(SourceWalk& w, int kind, const std::string& detail) {
    note_problem(w.build->problems, kind, w.reader.path, w.token.line, detail);
}

TextEncoder& current(SourceWalk& w) {
    return w.in_heading ? w.heading : w.text;
}

// Where an anchor or key placed now leads: the entry's start when nothing
// of its text has been written since its heading.
uint32_t place_here(SourceWalk& w) {
    uint32_t here = static_cast<uint32_t>(mark_position(w.text));
    if (w.in_heading || (w.in_entry && here == w.after_heading)) return w.entry_start;
    return here;
}

void define_anchor(SourceWalk& w, std::string_view name, uint32_t position) {
    AnchorTable& anchors = w.build->anchors;
    int64_t a = find_anchor(anchors, name);
    if (a < 0) a = add_anchor(anchors, name);
    if (anchors.position[static_cast<size_t>(a)] != NoPosition) {
        note(w, PROBLEM_DUPLICATE, std::string(name));
        return;
    }
    anchors.position[static_cast<size_t>(a)] = position;
    if (w.build->keep_definitions) w.build->definitions.emplace_back(static_cast<uint32_t>(a), w.token.line);
}

// The first characters of `text`, at most `bytes` bytes (never half a
// two-byte character), for messages.
std::string text_start(const std::string& text, size_t bytes) {
    size_t n = 0;
    while (n < text.size()) {
        size_t width = is_sjis_lead(static_cast<unsigned char>(text[n])) ? 2 : 1;
        if (n + width > bytes) break;
        n += width;
    }
    return text.substr(0, n);
}

// Adds the keys of `codes` to `store`: the normalised key and, when it holds
// katakana, its hiragana twin.
void add_keys(SourceWalk& w, KeyStore& store, const std::vector<uint16_t>& codes, int backward, uint32_t text,
              uint32_t heading, const std::string& raw) {
    unsigned char key[MaxKeyBytes], twin[MaxKeyBytes];
    int cut = 0;
    int length = normalize_key(codes.data(), codes.size(), w.build->project->delSym, backward, key, &cut);
    if (length == 0) {
        note(w, PROBLEM_EMPTY_KEY, raw.empty() ? std::string() : "「" + text_start(raw, 80) + "」");
        return;
    }
    if (cut) note(w, PROBLEM_LONG_KEY, text_start(raw, 80));
    add_search_key(store, key, length, text, heading);
    if (hiragana_variant(key, length, twin)) add_search_key(store, twin, length, text, heading);
    w.build->keys++;
}

// The heading-stream offset of a heading showing `title` (an HTML fragment):
// the entry's own heading or the last one made when the title repeats it,
// otherwise a new heading.
uint32_t heading_for_title(SourceWalk& w, const std::string& title) {
    if (w.in_entry && title == w.entry_title) return w.entry_heading;
    if (!w.last_title.empty() && title == w.last_title) return w.last_title_heading;
    ByteSink& headings = w.build->headings;
    uint32_t at = static_cast<uint32_t>(sink_offset(headings));
    TextEncoder e;
    start_encoder(e, &headings, &w.build->context, 1);
    open_html_text(w.title, title.data(), title.size(), w.reader.path);
    HtmlToken& t = w.title_token;
    while (next_html_token(w.title, t) != HTML_END) {
        if (t.kind == HTML_TEXT) {
            encode_text(e, t.text, t.length);
            continue;
        }
        const TagInfo* info = find_tag(t.name);
        if (!info || info->action != TAG_MODIFIER) continue;
        if (t.kind == HTML_START_TAG)
            open_modifier(e, info->modifier, 0, info->name);
        else
            close_modifier(e, info->modifier, info->name);
    }
    close_all_modifiers(e, 0);
    sink_put(headings, "\x1F\x0A", 2);
    w.last_title = title;
    w.last_title_heading = at;
    return at;
}

void finish_key(SourceWalk& w) {
    w.in_key = 0;
    const BookProject& p = *w.build->project;
    KeyStore* store = nullptr;
    int backward = 0;
    switch (w.key_type) {
    case KEY_WORD:
        if (p.WordSearchHyoki) store = &w.build->word;
        break;
    case KEY_ENDWORD:
        if (p.EndWordSearchHyoki) store = &w.build->endword;
        backward = 1;
        break;
    case KEY_CONDITION:
        if (p.KeywordSearch || p.ComplexSearch) store = &w.build->keyword;
        break;
    }
    if (!store) return;
    uint32_t heading = w.key_has_title ? heading_for_title(w, w.key_title)
                       : w.in_entry    ? w.entry_heading
                                       : heading_for_title(w, w.key_raw);
    add_keys(w, *store, w.key_codes, backward, place_here(w), heading, w.key_raw);
}

void begin_key(SourceWalk& w) {
    const std::string_view* type = html_attribute(w.token, "type");
    const std::string_view* title = html_attribute(w.token, "title");
    w.in_key = 1;
    w.key_type = key_index(type);
    if (w.key_type == KEY_UNKNOWN) note(w, PROBLEM_KEY_TYPE, type ? std::string(*type) : std::string());
    w.key_has_title = title != nullptr;
    if (title)
        w.key_title.assign(title->data(), title->size());
    else
        w.key_title.clear();
    w.key_raw.clear();
    w.key_codes.clear();
    start_encoder(w.key, nullptr, &w.build->context, 1);
    w.key.collect = &w.key_codes;
}

void finish_heading(SourceWalk& w) {
    w.in_heading = 0;
    close_all_modifiers(w.heading, 1);
    // The same bytes go into the entry's text, between its keyword codes.
    ByteSink& headings = w.build->headings;
    sink_put(w.build->book, headings.bytes.data() + w.entry_heading, headings.used - w.entry_heading);
    sink_put(headings, "\x1F\x0A", 2);
    put_control(w.text, 0x1F61);
    put_newline(w.text);
    w.after_heading = static_cast<uint32_t>(sink_offset(w.build->book));
    w.last_title = w.entry_title;
    w.last_title_heading = w.entry_heading;
    const BookProject& p = *w.build->project;
    if (p.DTTagIndex) {
        if (p.WordSearchHyoki)
            add_keys(w, w.build->word, w.heading_codes, 0, w.entry_start, w.entry_heading, w.entry_title);
        if (p.EndWordSearchHyoki)
            add_keys(w, w.build->endword, w.heading_codes, 1, w.entry_start, w.entry_heading, w.entry_title);
    }
}

void end_entry(SourceWalk& w) {
    if (w.in_key) finish_key(w);
    if (w.in_heading) finish_heading(w);
    if (!w.in_entry) return;
    close_all_modifiers(w.text, 1);
    end_line(w.text);
    w.in_entry = 0;
}

void begin_entry(SourceWalk& w) {
    end_entry(w);
    w.entry_start = static_cast<uint32_t>(mark_position(w.text));
    const std::string_view* id = html_attribute(w.token, "id");
    if (id) define_anchor(w, *id, w.entry_start);
    // Every entry starts the same way, so that a reader stops at the next one.
    put_control_argument(w.text, 0x1F09, 0x0001);
    put_control_argument(w.text, 0x1F41, 0x0100);
    w.entry_heading = static_cast<uint32_t>(sink_offset(w.build->headings));
    start_encoder(w.heading, &w.build->headings, &w.build->context, 1);
    w.heading_codes.clear();
    w.heading.collect = &w.heading_codes;
    w.entry_title.clear();
    w.in_heading = 1;
    w.in_entry = 1;
    w.build->entries++;
}

// The directory of a source, where the files it names lie.
std::string source_directory(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int ends_with_wav(std::string_view name) {
    if (name.size() < 4) return 0;
    static const char Wav[] = ".wav";
    for (size_t i = 0; i < 4; ++i)
        if (ascii_lower(name[name.size() - 4 + i]) != Wav[i]) return 0;
    return 1;
}

// A link to a sound file: the sound reference, or its caption alone when
// the file cannot be stored.
void start_sound(SourceWalk& w, const std::string& name) {
    TextEncoder& e = w.text;
    std::string reason;
    int item = take_media(w.build->media, w.build->anchors, source_directory(w.reader.path), name, 1, reason);
    if (item < 0) {
        note(w, PROBLEM_SOUND, name + " (" + reason + ")");
        open_modifier(e, MOD_PLAIN_LINK, 0, "a");
        return;
    }
    const MediaItem& m = w.build->media.items[static_cast<size_t>(item)];
    int format = wave_format_code(m.wave);
    unsigned char head[4] = {0x00, 0x01, static_cast<unsigned char>(format >> 8), static_cast<unsigned char>(format)};
    put_control(e, 0x1F4A);
    put_bytes(e, head, sizeof head);
    put_anchor_position(e, m.start_anchor);
    put_anchor_position(e, m.end_anchor);
    open_modifier(e, MOD_SOUND, 0, "a");
}

// An image: a colour-graphic reference with its caption, or the caption
// alone when the file cannot be stored.
void put_image(SourceWalk& w) {
    TextEncoder& e = current(w);
    const std::string_view* alt = html_attribute(w.token, "alt");
    const std::string_view* src = html_attribute(w.token, "src");
    std::string caption = alt ? std::string(*alt) : std::string();
    if (src && !w.in_heading && !w.in_key) {
        std::string reason;
        int item = take_media(w.build->media, w.build->anchors, source_directory(w.reader.path), std::string(*src), 0,
                              reason);
        if (item >= 0) {
            const MediaItem& m = w.build->media.items[static_cast<size_t>(item)];
            // Format (BMP or JPEG), then eight bytes a reader passes over.
            unsigned char head[12] = {static_cast<unsigned char>(m.kind == MEDIA_JPEG ? 0x12 : 0x00), 0x09, 0x00, 0x01};
            put_control(e, 0x1F4D);
            put_bytes(e, head, sizeof head);
            put_anchor_position(e, m.start_anchor);
            if (caption.empty()) caption = "図版";
            encode_text(e, caption.data(), caption.size());
            put_control(e, 0x1F6D);
            return;
        }
        note(w, PROBLEM_FIGURE, std::string(*src) + " (" + reason + ")");
    }
    encode_text(e, caption.data(), caption.size());
}

void start_anchor(SourceWalk& w) {
    TextEncoder& e = current(w);
    const std::string_view* name = html_attribute(w.token, "name");
    const std::string_view* href = html_attribute(w.token, "href");
    if (name) define_anchor(w, *name, place_here(w));
    if (!href) {
        open_modifier(e, name ? MOD_NAME : MOD_PLAIN_LINK, 0, "a");
        return;
    }
    size_t hash = href->find('#');
    if (w.in_heading || w.in_key) {
        open_modifier(e, MOD_PLAIN_LINK, 0, "a");
        return;
    }
    if (hash == std::string::npos) {
        if (ends_with_wav(*href)) {
            start_sound(w, std::string(*href));
            return;
        }
        note(w, PROBLEM_DEAD_LINK, std::string(*href));
        open_modifier(e, MOD_PLAIN_LINK, 0, "a");
        return;
    }
    // A first reading takes every link for a working one (a new name gets
    // its anchor now); a second one knows which anchors exist.
    std::string_view target = href->substr(hash + 1);
    int64_t anchor = find_anchor(w.build->anchors, target);
    const std::vector<uint8_t>& defined = w.build->defined;
    if (defined.empty() && anchor < 0) anchor = add_anchor(w.build->anchors, target);
    if (anchor < 0 || (!defined.empty() && (static_cast<size_t>(anchor) >= defined.size() || !defined[anchor]))) {
        note(w, PROBLEM_DEAD_LINK, std::string(*href));
        open_modifier(e, MOD_PLAIN_LINK, 0, "a");
        return;
    }
    open_modifier(e, MOD_LINK, static_cast<uint32_t>(anchor), "a");
}

void start_tag(SourceWalk& w, const TagInfo& tag) {
    if (w.in_key && tag.action != TAG_MODIFIER) {
        note(w, PROBLEM_UNCLOSED, "key");
        finish_key(w);
    }
    if (w.in_heading && tag.action != TAG_MODIFIER && tag.action != TAG_ANCHOR && tag.action != TAG_IGNORE &&
        tag.action != TAG_IMAGE && tag.action != TAG_KEY)
        finish_heading(w);
    const std::string_view* id = html_attribute(w.token, "id");
    if (id && tag.action != TAG_TERM) define_anchor(w, *id, place_here(w));
    switch (tag.action) {
    case TAG_SKIP_CONTENT:
        w.skip_until = tag.name;
        break;
    case TAG_TERM:
        if (w.role == ROLE_BODY)
            begin_entry(w);
        else
            end_line(w.text);
        break;
    case TAG_KEY:
        if (w.role == ROLE_BODY)
            begin_key(w);
        else
            note(w, PROBLEM_TAG, tag.name);
        break;
    case TAG_PARAGRAPH:
        // A paragraph's edge closes what its text left open.
        close_all_modifiers(w.text, 1);
        end_line(w.text);
        break;
    case TAG_BREAK:
        put_newline(w.text);
        break;
    case TAG_HEADLINE:
        end_line(current(w));
        open_modifier(current(w), MOD_HEADLINE, 0, tag.name);
        break;
    case TAG_MODIFIER:
        if (!w.in_key) open_modifier(current(w), tag.modifier, 0, tag.name);
        break;
    case TAG_ANCHOR:
        start_anchor(w);
        break;
    case TAG_IMAGE:
        put_image(w);
        break;
    default:
        break;
    }
}

void end_tag(SourceWalk& w, const TagInfo& tag) {
    if (w.in_key && tag.action != TAG_MODIFIER) {
        if (tag.action != TAG_KEY) note(w, PROBLEM_UNCLOSED, "key");
        finish_key(w);
        if (tag.action == TAG_KEY) return;
    }
    switch (tag.action) {
    case TAG_TERM:
        if (w.in_heading) finish_heading(w);
        break;
    case TAG_DESCRIPTION:
    case TAG_PARAGRAPH:
        if (w.in_heading) finish_heading(w);
        close_all_modifiers(w.text, 1);
        end_line(w.text);
        break;
    case TAG_KEY:
        note(w, PROBLEM_STRAY_CLOSE, tag.name);
        break;
    case TAG_BREAK:
        if (w.in_heading) finish_heading(w);
        put_newline(w.text);
        break;
    case TAG_HEADLINE:
        close_modifier(current(w), MOD_HEADLINE, tag.name);
        break;
    case TAG_MODIFIER:
        if (!w.in_key) close_modifier(current(w), tag.modifier, tag.name);
        break;
    case TAG_ANCHOR:
        close_modifier(current(w), MOD_LINK, "a");
        break;
    default:
        break;
    }
}

// Shows the share of the body read so far (both halves, when it is read in
// two): every percentage once, in order, so the console shows the same on
// every run.
void show_progress(int64_t taken, const std::atomic<int64_t>* other, int64_t total, int& last_percent) {
    if (total <= 0) return;
    int percent = static_cast<int>((taken + (other ? other->load() : 0)) * 100 / total);
    if (percent > 99) percent = 99;
    while (last_percent < percent) {
        report_console("\r本文を変換しています... %d%%", ++last_percent);
        flush_console();
    }
}

// The part of a source one walk reads.
struct SourceRange {
    int64_t begin, end;  // bytes of the file
    int first_line;      // line of the file at `begin`
    int opens;           // the walk starts the text context (1F02)
    int closes;          // the walk ends it (1F03)
    int* clean;          // a first half: set to 0 when its end may lie inside markup that the
                         // second half begins with (an element whose content is passed over,
                         // or a tag or comment that failed near the end), else 1
    int64_t total;       // bytes of the whole body, for progress; 0 when the walk shows none
    int* last_percent;   // progress shown so far
    std::atomic<int64_t>* progress;  // bytes read by the other half (shown), or by this one (kept)
};

// Reads the source `path` (or the part `range` of it) into the stream of
// `w.text`. 0, or -1 when the file cannot be opened (reported unless `range`
// is set: a second half reports through the first).
int walk_source(BookBuild& b, const std::string& path, int role, const SourceRange* range = nullptr) {
    std::unique_ptr<SourceWalk> w(new SourceWalk());
    w->build = &b;
    w->role = role;
    w->last_percent = -1;
    int status = 0;
    int opened = range ? open_html_range(w->reader, path, range->begin, range->end, range->first_line)
                       : open_html(w->reader, path);
    if (opened != 0) {
        if (!range) report("\nHTMLファイル %s がオープンできません\n", path.c_str());
        return -1;
    }
    b.context.file = path;
    start_encoder(w->text, &b.book, &b.context, 0);
    if (!range || range->opens) put_control(w->text, 0x1F02);
    int steps = 0;
    while (next_html_token(w->reader, w->token) != HTML_END) {
        b.context.line = w->token.line;
        if (w->reader.bad_tags != w->bad_tags) {
            w->bad_tags = w->reader.bad_tags;
            note(*w, PROBLEM_BAD_TAG, std::string());
        }
        if (role == ROLE_BODY && (++steps & 0xFFF) == 0) {
            if (!range)
                show_progress(w->reader.taken, nullptr, w->reader.size, w->last_percent);
            else if (range->total > 0)
                show_progress(w->reader.taken, range->progress, range->total, *range->last_percent);
            else
                range->progress->store(w->reader.taken);
        }
        if (!w->skip_until.empty()) {
            if (w->token.kind == HTML_END_TAG && w->token.name == w->skip_until) w->skip_until.clear();
            continue;
        }
        if (w->token.kind == HTML_TEXT) {
            if (w->in_key) {
                encode_text(w->key, w->token.text, w->token.length);
                w->key_raw.append(w->token.text, w->token.length);
            } else if (w->in_heading) {
                encode_text(w->heading, w->token.text, w->token.length);
                w->entry_title.append(w->token.text, w->token.length);
            } else {
                encode_text(w->text, w->token.text, w->token.length);
            }
            continue;
        }
        const TagInfo* tag = find_tag(w->token.name);
        if (!tag) {
            note(*w, PROBLEM_TAG, std::string(w->token.name));
            continue;
        }
        if (w->in_heading && tag->action == TAG_MODIFIER)
            w->entry_title += (w->token.kind == HTML_END_TAG ? "</" : "<") + std::string(w->token.name) + ">";
        if (w->token.kind == HTML_START_TAG)
            start_tag(*w, *tag);
        else
            end_tag(*w, *tag);
    }
    b.context.line = w->token.line;
    if (range && range->clean)
        *range->clean = w->skip_until.empty() &&
                        (w->reader.last_bad_tag_at < 0 ||
                         w->reader.size - w->reader.last_bad_tag_at > static_cast<int64_t>(HtmlTagLimit));
    end_entry(*w);
    close_all_modifiers(w->text, 1);
    if (!range || range->closes) put_control(w->text, 0x1F03);
    close_html(w->reader);
    if (b.book.failed) status = -1;
    return status;
}

// Starts a component at the next block of the book file.
ComponentExtent start_component(BookBuild& b) {
    sink_pad_to_block(b.book);
    return {static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1, 0};
}

void end_component(BookBuild& b, ComponentExtent& extent) {
    sink_pad_to_block(b.book);
    extent.blocks = static_cast<uint32_t>(sink_offset(b.book) / TextBlockSize) + 1 - extent.start_block;
}

// Bodies from this size on are read in two halves at once.
const int64_t TwoHalvesSize = 1 << 16;
// Percent of the body given to the first half. Of two halves of equal size
// the second ends later (measured on bodies of hundreds of megabytes), so it
// gets a little less, and the two end at about the same time.
const int64_t FirstHalfShare = 53;

// Where the second half of a body begins: the first entry ("<dt" at the start
// of a line) from FirstHalfShare percent of the body on, and the line it
// stands on; `size` receives the body's size. 0 when there is none, or the
// body is too small to be read in two halves (it is read whole).
int64_t body_split(const std::string& path, int* line, int64_t* size_out) {
    File* f = file_open(path.c_str(), FILE_READ_RAW);
    if (!f) return 0;
    int64_t size = file_size(f);
    *size_out = size;
    if (size < TwoHalvesSize) {
        file_close(f);
        return 0;
    }
    const int64_t from = size / 100 * FirstHalfShare;  // where the search for the split starts
    int64_t split = 0;
    int lines = 1;
    std::vector<char> block(1 << 16);
    int64_t at = 0;
    // Lines are counted up to the split; its search starts at the middle.
    for (;;) {
        size_t got = file_read(f, block.data(), block.size());
        if (got == 0) break;
        // A body that ends before its middle (a 0x1A byte) is read whole.
        if (std::memchr(block.data(), 0x1A, got)) break;
        for (const char* p = block.data(); (p = static_cast<const char*>(std::memchr(p, '\n', block.data() + got - p)));) {
            size_t i = static_cast<size_t>(p - block.data());
            ++lines;
            ++p;
            if (at + static_cast<int64_t>(i) + 1 >= from && i + 5 <= got && std::memcmp(p, "<dt ", 4) == 0) {
                split = at + static_cast<int64_t>(i) + 1;
                break;
            }
        }
        if (split) break;
        at += static_cast<int64_t>(got);
        // A "<dt " cut by the block's end is found again in the next block.
        if (got > 4) {
            at -= 4;
            file_seek(f, at);
            for (size_t i = got - 4; i < got; ++i) lines -= block[i] == '\n';
        }
    }
    file_close(f);
    *line = lines;
    return split;
}

// Adds what the second half `h` of the body wrote (its text in its scratch
// file) behind the first half's in `b`: text, anchors, references, figures
// and sounds, keys, headings, problems.
int join_second_half(BookBuild& b, BookBuild& h) {
    uint32_t shift = static_cast<uint32_t>(sink_offset(b.book));
    // The keys are joined on threads of their own, meanwhile the rest; the
    // second half's heading stream follows the first's (without its own
    // opening code).
    uint32_t heading_shift = static_cast<uint32_t>(b.headings.used) - 2;
    std::thread word([&] { append_search_keys(b.word, h.word, shift, heading_shift); });
    std::thread others([&] {
        append_search_keys(b.endword, h.endword, shift, heading_shift);
        append_search_keys(b.keyword, h.keyword, shift, heading_shift);
    });
    std::vector<uint32_t> map(h.anchors.name_at.size(), 0);
    reserve_anchors(b.anchors, b.anchors.name_at.size() + map.size());
    b.anchors.names.reserve(b.anchors.names.size() + h.anchors.names.size());
    for (uint32_t a = 0; a < map.size(); ++a)
        if (anchor_is_named(h.anchors, a)) map[a] = add_anchor(b.anchors, anchor_name(h.anchors, a));
    merge_media(b.media, b.anchors, h.media, map);
    for (const auto& [a, line] : h.definitions) {
        uint32_t to = map[a];
        if (b.anchors.position[to] != NoPosition) {
            note_problem(h.problems, PROBLEM_DUPLICATE, b.context.file, line, std::string(anchor_name(h.anchors, a)));
            continue;
        }
        b.anchors.position[to] = shift + h.anchors.position[a];
    }
    merge_problems(b.problems, h.problems);
    sink_put(b.headings, h.headings.bytes.data() + 2, h.headings.used - 2);
    b.entries += h.entries;
    b.keys += h.keys;
    // The text, with its references: each completed as its bytes go by, when
    // its target is placed by then.
    File* f = file_open(h.scratch.c_str(), FILE_READ_RAW);
    if (!f) {
        report("ファイル %s が読めません\n", h.scratch.c_str());
        word.join();
        others.join();
        return -1;
    }
    std::vector<char> chunk(1 << 20);
    size_t next = 0;
    uint32_t done = 0;
    for (;;) {
        size_t got = file_read(f, chunk.data(), chunk.size());
        if (got == 0) break;
        done += static_cast<uint32_t>(got);
        while (next < h.fixups.size() && h.fixups[next].offset < done) {
            b.fixups.push_back({h.fixups[next].offset + shift, map[h.fixups[next].anchor]});
            ++next;
        }
        sink_put(b.book, chunk.data(), got);
    }
    file_close(f);
    word.join();
    others.join();
    // A scratch file read back short would shift everything after it.
    if (done != sink_offset(h.book)) {
        report("ファイル %s が読めません\n", h.scratch.c_str());
        return -1;
    }
    remove_tree(h.scratch.c_str());
    return 0;
}

// Makes room in advance for the keys and headings of `bytes` of body (about
// what the converter's bodies hold), so that the stores do not grow by
// copying themselves over and over.
void reserve_for_body(BookBuild& b, int64_t bytes) {
    size_t items = static_cast<size_t>(bytes / 256), arena = static_cast<size_t>(bytes / 12);
    for (KeyStore* store : {&b.word, &b.endword, &b.keyword}) {
        store->items.reserve(items);
        store->arena.reserve(arena);
    }
    if (b.headings.bytes.size() < static_cast<size_t>(bytes / 16)) b.headings.bytes.resize(static_cast<size_t>(bytes / 16));
}

// Reads the body: in two halves at once when it is large, else whole.
int read_body(BookBuild& b, const std::string& path) {
    int line = 1;
    int64_t total = 0;
    int64_t split = 0;
    // A second reading (links to missing anchors) is done whole.
    if (b.defined.empty() && !b.scratch.empty() && !b.whole) split = body_split(path, &line, &total);
    if (split <= 0) return walk_source(b, path, ROLE_BODY);
    reserve_for_body(b, split);

    // The second half goes into a build of its own and a scratch file: its
    // positions count from its own start until it joins the first.
    std::unique_ptr<BookBuild> h(new BookBuild());
    File* scratch = file_open(b.scratch.c_str(), FILE_WRITE_RAW);
    if (!scratch) {
        report("ファイル %s が新規作成できません\n", b.scratch.c_str());
        return -1;
    }
    start_book_build(*h, *b.project, scratch);
    h->context.gaiji = &b.gaiji;
    h->context.resolve = 0;
    h->book.base = 0;
    h->book.fixups = nullptr;
    h->keep_definitions = 1;
    h->scratch = b.scratch;
    reserve_for_body(*h, total - split);
    int last_percent = -1;
    std::atomic<int64_t> second_read(0);
    int clean = 1;
    SourceRange first{0, split, 1, 1, 0, &clean, total, &last_percent, &second_read};
    SourceRange second{split, total, line, 0, 1, nullptr, 0, nullptr, &second_read};
    std::atomic<int> second_done(0);
    int second_status = 0;
    // Each half sorts its own keys when it is through; the two are merged.
    auto sort_keys = [](BookBuild& build) {
        sort_search_keys(build.word);
        sort_search_keys(build.endword);
        sort_search_keys(build.keyword);
    };
    std::thread other([&] {
        second_status = walk_source(*h, path, ROLE_BODY, &second);
        second_status |= sink_flush(h->book);
        sort_keys(*h);
        second_done.store(1);
    });
    int status = walk_source(b, path, ROLE_BODY, &first);
    sort_keys(b);
    // The first half shows the progress of both until the second is done.
    while (!second_done.load()) {
        show_progress(split, &second_read, total, last_percent);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    other.join();
    show_progress(total, nullptr, total, last_percent);
    if (close_written_file(scratch, b.scratch) != 0) second_status = -1;
    if (status != 0 || second_status != 0) {
        if (second_status != 0 && status == 0) report("\nHTMLファイル %s が読めません\n", path.c_str());
        return -1;
    }
    // The halves must meet between two entries, outside any markup;
    // otherwise the body is read again, whole.
    if (!clean) {
        remove_tree(b.scratch.c_str());
        return 1;
    }
    return join_second_half(b, *h);
}

}  // namespace

void start_book_build(BookBuild& b, const BookProject& project, File* book) {
    b.project = &project;
    b.problems = BookProblems();
    b.problems.holding = 1;
    b.context.gaiji = &b.gaiji;
    b.context.problems = &b.problems;
    b.context.anchors = &b.anchors;
    b.context.fixups = &b.fixups;
    b.context.line = 0;
    b.context.resolve = 1;
    b.keep_definitions = 0;
    b.definitions.clear();
    b.whole = 0;
    b.book.file = book;
    b.book.base = TextBlockSize;
    b.book.failed = 0;
    b.book.used = 0;
    b.book.fixups = &b.fixups;
    b.book.anchors = &b.anchors;
    b.book.fixups_passed = 0;
    b.headings.file = nullptr;
    b.headings.fixups = nullptr;
    b.headings.anchors = nullptr;
    b.headings.fixups_passed = 0;
    b.headings.base = 0;
    b.headings.used = 0;
    b.headings.failed = 0;
    sink_put(b.headings, "\x1F\x02", 2);
    b.text = b.menu = b.copyright = ComponentExtent{0, 0};
    b.entries = 0;
    b.keys = 0;
}

int dead_links_written(const BookBuild& b) {
    for (const LinkFixup& f : b.fixups)
        if (b.anchors.position[f.anchor] == NoPosition && anchor_is_named(b.anchors, f.anchor)) return 1;
    return 0;
}

void restart_book_build(BookBuild& b, File* book, int knowing_anchors) {
    if (knowing_anchors) b.defined.assign(b.anchors.position.size(), 0);
    for (size_t a = 0; a < b.anchors.position.size(); ++a) {
        if (knowing_anchors) b.defined[a] = b.anchors.position[a] != NoPosition;
        b.anchors.position[a] = NoPosition;
    }
    b.fixups.clear();
    b.word = KeyStore();
    b.endword = KeyStore();
    b.keyword = KeyStore();
    b.book.bytes.clear();
    b.headings.bytes.clear();
    start_book_build(b, *b.project, book);
}

int write_body(BookBuild& b, const std::string& path) {
    report("本文を変換しています...");
    report_log("\n");
    b.text = start_component(b);
    int status = read_body(b, path);
    end_component(b, b.text);
    if (status != 0) return status;
    report_console("\r本文を変換しています... ");
    report("終了しました (%d 項目)\n", b.entries);
    return 0;
}

int write_menu(BookBuild& b, const std::vector<BookSource>& pages) {
    b.menu = start_component(b);
    // The top menu: one line per page, linked to the page's start.
    b.context.file = b.project->path;
    TextEncoder top;
    start_encoder(top, &b.book, &b.context, 0);
    put_control(top, 0x1F02);
    std::vector<uint32_t> page_anchor;
    for (const BookSource& page : pages) {
        uint32_t anchor = add_unnamed_anchor(b.anchors);
        page_anchor.push_back(anchor);
        open_modifier(top, MOD_LINK, anchor, "a");
        encode_text(top, page.title.data(), page.title.size());
        close_modifier(top, MOD_LINK, "a");
        put_newline(top);
    }
    put_control(top, 0x1F03);
    for (size_t i = 0; i < pages.size(); ++i) {
        b.anchors.position[page_anchor[i]] = static_cast<uint32_t>(sink_offset(b.book));
        if (walk_source(b, pages[i].path, ROLE_MENU) != 0) return -1;
    }
    end_component(b, b.menu);
    return 0;
}

int write_copyright(BookBuild& b, const std::string& path) {
    b.copyright = start_component(b);
    if (walk_source(b, path, ROLE_COPYRIGHT) != 0) return -1;
    end_component(b, b.copyright);
    return 0;
}

}  // namespace qel
