// Writing the dictionary data in one streaming pass: each record's lines are
// built as text, complemented into main.txt's buffer, and its index words and
// media members are appended to the other files as the record goes out.
#include "dictionary.h"

#include <cstdio>
#include <string>

#include "gaiji.h"
#include "hostile.h"
#include "media.h"
#include "output.h"
#include "plan.h"
#include "random.h"
#include "words.h"

namespace qelsample {

namespace {

// The forms of a hyperlink target specification the sample uses.
enum LinkKind {
    LK_SENSE,           // "2": meaning 2 (TR::2::)
    LK_POS_SENSE,       // "n.:2": meaning 2 of the noun
    LK_SUBSENSE,        // "n.:1(2)": sub-meaning 2 of the noun's meaning 1
    LK_SUBSENSE_PLAIN,  // "1:(2)": sub-meaning 2 of meaning 1
    LK_POS,             // "n.:": the noun block
    LK_SECTION,         // "【類語】": a labelled section
    LK_SENSE_SECTION,   // "3:【類語】": the section while meaning 3 is in force
    LK_EXAMPLE,         // "用例" or "2:用例": an example
    LK_FIGURE,          // "図"
    LK_SOURCE,          // "語源"
    LK_TITLE,           // "◇:[title]": a work title
    LK_TITLE_PLAIN,     // "◇": the works section
    LK_IDIOM,           // "\"idiom\"": an idiom by its text
    LK_IDIOMS,          // "成句": the first idiom
    LK_DERIVED,         // "DR:\"form\"": a derived form
    LK_SELF,            // target 0: the entry that holds the link
    LK_NULL_SENSE,      // "null:2": meaning 2, after a "nul" word
    LK_UNRESOLVED,      // a link target specification no rule reads: a link to the entry as a whole
    LK_NULL,            // "null:null:null": silently a link to the entry as a whole
    LK_UNPLACED,        // "9": a meaning the target lacks; its anchor ends the entry
    LK_MISSING,         // an entry number no record has; the anchor lands further on
    LinkKindCount
};

struct LinkKindInfo {
    int weight;    // share among the links after the first rounds
    bool numeric;  // its reading looks past the link for ":", so it must end its line
};

// The links that find no place of their own (the last four) are rare, as
// they would be in edited data.
const LinkKindInfo LinkKinds[LinkKindCount] = {
    {300, true}, {80, true}, {40, true}, {20, true}, {80, false}, {70, false}, {20, true},
    {50, true},  {20, false}, {30, false}, {20, false}, {10, false}, {80, false}, {20, false},
    {60, false}, {30, true}, {10, true}, {2, false}, {2, false}, {2, true}, {2, true},
};

// The first links cycle through every kind this many times, so that even a
// small sample holds each of them.
const int RotationRounds = 3;

// How a link is written.
enum LinkForm {
    LF_PLAIN,         // <HL>text:target:link_spec</HL>
    LF_MISSING_OPEN,  // <SC>text</SC>:target:link_spec</HL>, the "<HL>" left out
    LF_IN_COMMENT,    // a plain link inside <CMT>...</CMT>
};

// Buffer sizes: main.txt goes through a large one.
const size_t MainBufferSize = 8u << 20;
const size_t SmallBufferSize = 1u << 20;

struct Generator {
    uint64_t seed = 0;
    int count = 0;
    OutFile main, english, translation, figures, sounds_q3, sounds_ra;
    std::string text;             // the lines of the record being built (decoded)
    int rotation_any = 0;         // next kind of the rotation, any kind allowed
    int rotation_free = 0;        // next kind of the rotation, non-numeric kinds only
    int figure_count = 0;
    int sound_count = 0;
    DictionaryTotals* totals = nullptr;
};

void add_line(Generator& g, const char* tag, const std::string& value) {
    g.text += tag;
    g.text += '=';
    g.text += value;
    g.text += '\n';
}

std::string number_text(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06d", n);
    return buf;
}

std::string hex_range(uint64_t offset, size_t length) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08llx,%zx", static_cast<unsigned long long>(offset), length);
    return buf;
}

// ---- Links ----------------------------------------------------------------

struct LinkSpec {
    std::string target;   // target entry number text
    std::string link_spec;     // target specification
    std::string visible;  // the link's text, without markup
};

// Fills `out` for a link of `kind` into the record `t`. Returns false when the
// record lacks what the kind points at.
bool spec_for(const RecordPlan& t, LinkKind kind, Rng& r, LinkSpec& out) {
    out.target = number_text(t.number);
    out.visible = t.key;
    // Blocks whose part of speech names them alone, and blocks with sub-meanings.
    int unique[MaxBlocks], unique_count = 0, with_sub[MaxBlocks], sub_count = 0;
    for (int b = 0; b < t.block_count; ++b) {
        if (blocks_matching_pos(t, b) == 1) unique[unique_count++] = b;
        if (t.blocks[b].subsenses > 0) with_sub[sub_count++] = b;
    }
    auto any_sense = [&](int b) { return std::to_string(between(r, 1, t.blocks[b].senses)); };
    auto section_label = [&]() {
        int present[5], n = 0;
        for (int i = 0; i < 5; ++i)
            if (t.sections & (1 << i)) present[n++] = i;
        return std::string(SectionLabels[present[below(r, n)]]);
    };
    switch (kind) {
    case LK_SENSE:
        out.link_spec = any_sense(below(r, t.block_count));
        return true;
    case LK_POS_SENSE: {
        if (unique_count == 0) return false;
        int b = unique[below(r, unique_count)];
        out.link_spec = std::string(PartsOfSpeech[t.blocks[b].pos].abbreviation) + ":" + any_sense(b);
        return true;
    }
    case LK_SUBSENSE: {
        for (int i = 0; i < unique_count; ++i) {
            int b = unique[(i + below(r, unique_count)) % unique_count];
            if (t.blocks[b].subsenses == 0) continue;
            out.link_spec = std::string(PartsOfSpeech[t.blocks[b].pos].abbreviation) + ":1(" +
                       std::to_string(between(r, 1, t.blocks[b].subsenses)) + ")";
            return true;
        }
        return false;
    }
    case LK_SUBSENSE_PLAIN: {
        if (sub_count == 0) return false;
        int b = with_sub[below(r, sub_count)];
        out.link_spec = "1:(" + std::to_string(between(r, 1, t.blocks[b].subsenses)) + ")";
        return true;
    }
    case LK_POS:
        if (unique_count == 0) return false;
        out.link_spec = std::string(PartsOfSpeech[t.blocks[unique[below(r, unique_count)]].pos].abbreviation) + ":";
        return true;
    case LK_SECTION:
        if (t.sections == 0) return false;
        out.link_spec = section_label();
        return true;
    case LK_SENSE_SECTION:
        if (t.sections == 0) return false;
        out.link_spec = std::to_string(t.section_sense) + ":" + section_label();
        return true;
    case LK_EXAMPLE: {
        int found_b = -1, found_s = -1;
        for (int b = 0; b < t.block_count && found_b < 0; ++b)
            for (int s = 0; s < t.blocks[b].senses; ++s)
                if (t.blocks[b].examples & (1u << s)) {
                    found_b = b;
                    found_s = s + 1;
                    break;
                }
        if (found_b < 0) return false;
        out.link_spec = chance(r, 60) ? std::string("用例") : std::to_string(found_s) + ":用例";
        return true;
    }
    case LK_FIGURE:
        if (!t.figure) return false;
        out.link_spec = "図";
        return true;
    case LK_SOURCE:
        if (!t.source) return false;
        out.link_spec = "語源";
        return true;
    case LK_TITLE: {
        if (t.titles == 0) return false;
        std::string title = work_title(t.key, t.salt, below(r, t.titles));
        out.link_spec = "◇:[" + title + "]";
        out.visible = title;
        return true;
    }
    case LK_TITLE_PLAIN:
        if (t.titles == 0) return false;
        out.link_spec = "◇";
        return true;
    case LK_IDIOM: {
        if (t.idioms == 0) return false;
        std::string idiom = idiom_text(t.key, t.salt, below(r, t.idioms));
        out.visible = idiom;
        // An extra blank does not matter: idioms are compared without blanks.
        if (chance(r, 15) && idiom.find(' ') != std::string::npos) idiom.insert(idiom.find(' '), " ");
        out.link_spec = "\"" + idiom + "\"";
        return true;
    }
    case LK_IDIOMS:
        if (t.idioms == 0) return false;
        out.link_spec = "成句";
        return true;
    case LK_DERIVED: {
        if (t.derived == 0) return false;
        std::string form = derived_key(t.key, below(r, t.derived));
        out.link_spec = "DR:\"" + form + "\"";
        out.visible = form;
        return true;
    }
    case LK_SELF:
        out.target = "0";
        out.link_spec = "1";
        out.visible = "この語の1";
        return true;
    case LK_NULL_SENSE:
        out.link_spec = "null:" + any_sense(below(r, t.block_count));
        return true;
    case LK_UNRESOLVED:
        out.link_spec = chance(r, 50) ? "n." : "全体";
        return true;
    case LK_NULL:
        out.link_spec = "null:null:null";
        return true;
    case LK_UNPLACED:
        out.link_spec = std::to_string(MaxSenses + 2);
        return true;
    case LK_MISSING:
        out.target = number_text(t.gap_number);
        out.link_spec = "1";
        return true;
    default:
        return false;
    }
}

LinkKind next_kind(Generator& g, Rng& r, bool last_on_line) {
    if (last_on_line) {
        if (g.rotation_any < RotationRounds * LinkKindCount) return static_cast<LinkKind>(g.rotation_any++ % LinkKindCount);
        int weights[LinkKindCount];
        for (int k = 0; k < LinkKindCount; ++k) weights[k] = LinkKinds[k].weight;
        return static_cast<LinkKind>(pick_weighted(r, weights, LinkKindCount));
    }
    int weights[LinkKindCount];
    for (int k = 0; k < LinkKindCount; ++k) weights[k] = LinkKinds[k].numeric ? 0 : LinkKinds[k].weight;
    if (g.rotation_free < RotationRounds * LinkKindCount) {
        for (;;) {
            int k = g.rotation_free++ % LinkKindCount;
            if (!LinkKinds[k].numeric) return static_cast<LinkKind>(k);
        }
    }
    return static_cast<LinkKind>(pick_weighted(r, weights, LinkKindCount));
}

// A link from record `src`. A link that is not last on its line uses only
// kinds whose reading stops at the link's end. A link without its "<HL>" is
// always a plain meaning number, so that nothing in it ends the repair early.
std::string make_link(Generator& g, const RecordPlan& src, Rng& r, bool last_on_line, LinkForm form = LF_PLAIN) {
    LinkKind kind = form == LF_MISSING_OPEN ? LK_SENSE : next_kind(g, r, last_on_line);
    LinkSpec ls;
    bool found = false;
    if (kind == LK_SELF) {
        found = spec_for(src, kind, r, ls);
    } else {
        for (int attempt = 0; attempt < 40 && !found; ++attempt) {
            int j = src.index + between(r, -60, 60);
            if (j < 0 || j >= g.count || j == src.index) continue;
            RecordPlan t = make_plan(g.seed, g.count, j);
            found = spec_for(t, kind, r, ls);
        }
    }
    if (!found) {
        // Nothing near has what the kind points at: the entry's own first
        // meaning always exists; where a number may not stand, the entry as a whole.
        spec_for(src, last_on_line ? LK_SELF : LK_NULL, r, ls);
    }
    ++g.totals->links;
    if (form == LF_MISSING_OPEN)
        return "<SC>" + ls.visible.substr(0, ls.visible.find(' ')) + "</SC>:" + ls.target + ":" + ls.link_spec +
               "</HL>";
    std::string visible = ls.visible;
    int style = below(r, 100);
    if (style < 12)
        visible = "<B>" + visible + "</B>";
    else if (style < 16)
        visible = "<I>" + visible + "</I>";
    std::string link = "<HL>" + visible + ":" + ls.target + ":" + ls.link_spec + "</HL>";
    if (form == LF_IN_COMMENT) return "<CMT>要確認 " + link + "</CMT>";
    return link;
}

// The end of a line that may carry a link: nothing, or a reference in
// brackets that ends the line.
std::string reference_tail(Generator& g, const RecordPlan& p, Rng& r, int percent) {
    if (!chance(r, percent)) return "";
    int form = below(r, 1000);
    if (form < 1) return "（→ " + make_link(g, p, r, true, LF_MISSING_OPEN) + "）";
    if (form < 4) return make_link(g, p, r, true, LF_IN_COMMENT);
    return (chance(r, 70) ? "（→" : "（⇒") + make_link(g, p, r, true) + "）";
}

// ---- Media ----------------------------------------------------------------

std::string add_figure(Generator& g) {
    std::string member = figure_member(g.figure_count++);
    uint64_t offset = g.figures.offset;
    put(g.figures, member);
    ++g.totals->figures;
    return hex_range(offset, member.size());
}

// A sound member in both bundles at the same offset; an empty one when `empty`.
std::string add_sound(Generator& g, bool empty) {
    uint64_t offset = g.sounds_q3.offset;
    ++g.totals->sounds;
    if (empty) return hex_range(offset, 0);
    int n = g.sound_count++;
    std::string aiff = aiff_sound_member(n);
    put(g.sounds_q3, aiff);
    put(g.sounds_ra, realaudio_sound_member(n));
    return hex_range(offset, aiff.size());
}

// ---- Records --------------------------------------------------------------

// Whether a showcase record also shows every inline tag and the faulty
// markup (a link without its "<HL>"): the first ten showcase records and then
// one in 500 records, so that the repairs stay as rare as in edited data.
bool shows_markup(const RecordPlan& p) {
    return p.showcase && (p.index < 500 || p.index % 500 == 3);
}

std::string part_of_speech_value(const BlockPlan& b) {
    return std::string(PartsOfSpeech[b.pos].name) + " <SPO>" + PartsOfSpeech[b.pos].abbreviation + "</SPO>";
}

// A gloss with, now and then, a label, ruby, an external character or markup.
std::string decorated_gloss(Rng& r, const std::string& gloss) {
    std::string out;
    int lead = below(r, 100);
    if (lead < 8)
        out += style_label(r);
    else if (lead < 11)
        out += "<G2>#21#</G2>";
    out += gloss;
    int tail = below(r, 100);
    if (tail < 3) {
        static const char* const Ruby[][2] = {{"林檎", "りんご"}, {"葡萄", "ぶどう"}, {"檸檬", "れもん"}, {"薔薇", "ばら"}};
        int k = below(r, 4);
        out += std::string("、") + Ruby[k][0] + "<RUBY>" + Ruby[k][1] + "</RUBY>";
    } else if (tail < 6) {
        out += "（" + gaiji_reference(BodyGaijiCodes[below(r, BodyGaijiCodeCount)]) + "）";
    } else if (tail < 8) {
        out += "（<I>lit.</I> " + japanese_word(r) + "）";
    }
    return out;
}

void write_example(Generator& g, const RecordPlan& p, Rng& r, const std::string& word, const std::string& gloss,
                   bool english_link) {
    Example e = make_example(r, word, gloss);
    add_line(g, "KEYEX", e.key);
    std::string value = e.english;
    if (english_link) value += " (cf. " + make_link(g, p, r, false) + ")";
    if (!chance(r, 8) || english_link) value += " <OBJ>" + e.japanese + reference_tail(g, p, r, 6);
    add_line(g, "EX", value);
    if (chance(r, 15)) add_line(g, "EXKEY", word);
    if (chance(r, 8)) add_line(g, "EXSUB", "（＝" + japanese_gloss(r) + "）");
}

void write_notes(Generator& g, const RecordPlan& p, Rng& r) {
    if (chance(r, 10)) add_line(g, "NB", japanese_note(r) + reference_tail(g, p, r, 30));
    if (chance(r, 1)) add_line(g, "NBP", "<B>注意</B> " + japanese_note(r));
    if (chance(r, 1)) add_line(g, "NBPSUB", japanese_note(r));
    if (chance(r, 1)) add_line(g, "NBSUB", japanese_note(r));
    if (chance(r, 1)) add_line(g, "NSBUS", japanese_note(r));
}

// The inflected forms of a block's part of speech.
std::string inflection_value(const BlockPlan& b, const std::string& key) {
    switch (b.pos) {
    case 0: return "（複 <B>" + key + "s</B>）";
    case 1: case 2: case 5: return "（過去・過分 <B>" + key + "ed</B>）";
    case 3: case 4: return "（比較 <B>" + key + "er</B>、最上 <B>" + key + "est</B>）";
    default: return "（" + key + " の変化形なし）";
    }
}

void write_block(Generator& g, const RecordPlan& p, Rng& r, int b, std::string& first_gloss) {
    const BlockPlan& blk = p.blocks[b];
    add_line(g, "PS", part_of_speech_value(blk));
    if (chance(r, p.showcase ? 100 : 12)) add_line(g, "IF", inflection_value(blk, p.key));
    for (int s = 1; s <= blk.senses; ++s) {
        std::string gloss = japanese_gloss(r);
        if (first_gloss.empty()) first_gloss = gloss;
        if (blk.unnumbered) {
            add_line(g, "MN", decorated_gloss(r, gloss) + reference_tail(g, p, r, 20));
            if (chance(r, p.showcase ? 100 : 40)) add_line(g, "MNSUB", "（" + japanese_note(r) + "）");
        } else {
            add_line(g, ("TR" + std::to_string(s)).c_str(), decorated_gloss(r, gloss) + reference_tail(g, p, r, 22));
        }
        if (s == 1) {
            for (int k = 1; k <= blk.subsenses; ++k) {
                std::string tag = "TRSUB1(" + std::to_string(k) + ")";
                std::string value = chance(r, 50) ? std::string(subject_label(r)) : std::string();
                add_line(g, tag.c_str(), value + japanese_gloss(r) + reference_tail(g, p, r, 10));
            }
            if (b == 0 && p.figure) add_line(g, "IMG", add_figure(g));
        }
        if (blk.examples & (1u << (s - 1))) {
            bool english_link = shows_markup(p) && b == 0 && s == 1;
            write_example(g, p, r, p.key, gloss, english_link);
            if (chance(r, 40)) write_example(g, p, r, p.key, gloss, false);
        }
        write_notes(g, p, r);
    }
}

// Showcase lines: every inline tag, escaped characters and every body gaiji code.
void write_showcase_lines(Generator& g, const RecordPlan& p, Rng& r) {
    std::string all_gaiji;
    for (int i = 0; i < BodyGaijiCodeCount; ++i) all_gaiji += gaiji_reference(BodyGaijiCodes[i]);
    add_line(g, "NB", "記号一覧　" + all_gaiji);
    add_line(g, "NBP", "<B>注意</B> H<SUB>2</SUB>O、x<SUP>2</SUP>、<SO>古形</SO>、<DSR>語法注記</DSR>、"
                       "<FONT size=2>小さな文字</FONT>、<SC>AD</SC> 1066");
    add_line(g, "NBPSUB", "記号の扱い　A > B、R&D、\"quoted\"、'single'、<<B>x</B>>、Mr\xA5Smith");
    add_line(g, "NBSUB", "<I>italic</I> と <SPO>spoken</SPO> と 林檎<RUBY>りんご</RUBY><CMT>編集用の注記</CMT>の例");
    add_line(g, "NSBUS", "発音 /<G5>" + phonetic_letters(r, p.key) + "</G5>/ 参照" + make_link(g, p, r, true, LF_IN_COMMENT));
    add_line(g, "NB", japanese_note(r) + "（→ " + make_link(g, p, r, true, LF_MISSING_OPEN) + "）");
}

void write_sections(Generator& g, const RecordPlan& p, Rng& r) {
    for (int i = 0; i < 5; ++i) {
        if (!(p.sections & (1 << i))) continue;
        std::string tag = "OT" + std::to_string(i + 1);
        std::string value = SectionLabels[i];
        switch (i) {
        case 0: {  // synonyms: links to other entries, never numeric
            int n = between(r, 1, 3);
            for (int k = 0; k < n; ++k) {
                if (k > 0) value += "，";
                value += make_link(g, p, r, false);
            }
            break;
        }
        case 1: value += japanese_note(r) + " <B>" + p.key + "</B> の後には名詞が来る。"; break;
        case 2: value += "<B>" + p.key + "ed</B>; <B>" + p.key + "ing</B>"; break;
        case 3: value += "/<G5>" + phonetic_letters(r, p.key) + "</G5>/ とも発音する。"; break;
        case 4: value += "《英》<B>" + p.key + "e</B>、《豪》<B>" + p.key + "a</B>"; break;
        }
        add_line(g, tag.c_str(), value);
        if (chance(r, p.showcase ? 100 : 30)) add_line(g, (tag + "SUB").c_str(), "（" + japanese_note(r) + "）");
    }
}

void write_works(Generator& g, const RecordPlan& p, Rng& r) {
    if (p.titles == 0) return;
    add_line(g, "TL", "◇");
    for (int k = 0; k < p.titles; ++k) {
        std::string value = "[" + work_title(p.key, p.salt, k) + "]『" + japanese_word(r) + "の" + japanese_word(r) + "』";
        if (k == 1 && p.showcase) value = "◇" + value;
        add_line(g, "TLSUB", value);
    }
    if (p.showcase) add_line(g, "TL", "◇『" + japanese_word(r) + "物語』（" + japanese_word(r) + "）");
}

void write_idioms(Generator& g, const RecordPlan& p, Rng& r) {
    for (int k = 0; k < p.idioms; ++k) {
        std::string idiom = idiom_text(p.key, p.salt, k);
        add_line(g, "KEYID", idiom);
        add_line(g, "ID", "<B>" + idiom + "</B>　" + japanese_gloss(r) + reference_tail(g, p, r, 15));
        if (chance(r, p.showcase ? 100 : 25)) add_line(g, "IDSUB", "（" + japanese_note(r) + "）");
    }
}

void write_derived(Generator& g, const RecordPlan& p, Rng& r) {
    for (int d = 0; d < p.derived; ++d) {
        add_line(g, "DR", "<B>" + derived_display(p.display, d) + "</B>|" + derived_key(p.key, d));
        if (p.showcase && d == 0) {
            add_line(g, "PR", "/<G5>" + phonetic_letters(r, derived_key(p.key, d)) + "</G5>/");
            add_line(g, "SND", add_sound(g, false));
        }
        if (p.derived_pos[d]) add_line(g, "PS", part_of_speech_value(BlockPlan{chance(r, 50) ? 0 : 4}));
        std::string gloss = japanese_gloss(r);
        add_line(g, "TR1", gloss + reference_tail(g, p, r, 8));
        if (chance(r, 30)) add_line(g, "TR2", japanese_gloss(r));
        if (chance(r, 20)) write_example(g, p, r, derived_key(p.key, d), gloss, false);
    }
}

// Writes one record and returns the gloss of its first meaning.
std::string write_record_lines(Generator& g, const RecordPlan& p, Rng& r) {
    add_line(g, "RA", std::to_string(p.index + 1));
    add_line(g, "RN", number_text(p.number));
    std::string display = p.display;
    if (!p.special && chance(r, 4)) {
        // An accented letter, written as an external character of set 99.
        size_t e = display.find('e', 1);
        if (e != std::string::npos) {
            char ref[8];
            std::snprintf(ref, sizeof ref, "#%02X#", HeadwordGaijiCodes[below(r, HeadwordGaijiCodeCount)].code);
            display.replace(e, 1, ref);
        }
    }
    add_line(g, "EN", display + "|" + p.key);
    if (chance(r, p.showcase ? 100 : 25)) {
        std::string hyphenated;
        for (char c : p.display) hyphenated += c == '\xA5' ? '-' : c;
        add_line(g, "ENN", hyphenated);
    }
    if (chance(r, p.showcase ? 100 : 15)) add_line(g, "KEY", p.key + "s");
    if (chance(r, p.showcase ? 100 : 3)) add_line(g, "CMT", "校正済み　" + japanese_note(r));
    if (p.showcase || chance(r, 70)) add_line(g, "PR", "/<G5>" + phonetic_letters(r, p.key) + "</G5>/");
    if (p.showcase) add_line(g, "SND", add_sound(g, true));
    if (p.sound) add_line(g, "SND", add_sound(g, false));
    if (p.showcase || chance(r, 5)) add_line(g, "ENV", std::string(style_label(r)) + "<B>" + p.key + "e</B>");
    if (p.showcase || chance(r, 12)) add_line(g, "EV", std::string("★★★").substr(0, 2 * between(r, 1, 3)));
    if (p.showcase || chance(r, 6)) add_line(g, "ET", style_label(r));
    if (p.showcase || chance(r, 2)) add_line(g, "ENVN", "（主に英）");
    if (p.showcase || chance(r, 2)) add_line(g, "F", "（形式）<SUP>1</SUP>");
    if (p.showcase || chance(r, 8)) add_line(g, "LOC", "p." + std::to_string(1 + p.index / 3));

    std::string first_gloss;
    for (int b = 0; b < p.block_count; ++b) write_block(g, p, r, b, first_gloss);
    if (shows_markup(p)) write_showcase_lines(g, p, r);
    write_sections(g, p, r);
    write_works(g, p, r);
    if (p.source) {
        add_line(g, "SRC", "【語源】ラテン語 <I>" + p.key + "us</I> から");
        if (chance(r, p.showcase ? 100 : 30)) add_line(g, "SRCSUB", "（初出 " + std::to_string(1300 + p.index % 600) + "年頃）");
    }
    if (p.showcase || chance(r, 2)) add_line(g, "TQ", "“An <B>" + p.key + "</B> a day\xA5keeps the doctor away.”");
    if (p.showcase || chance(r, 2)) add_line(g, "MEN", "<B>重要語</B>");
    write_idioms(g, p, r);
    write_derived(g, p, r);
    if (p.showcase || chance(r, 3)) add_line(g, "J2E", japanese_word(r) + " → <B>" + p.key + "</B>");
    if (p.showcase || chance(r, 1)) add_line(g, "J2E", "END");
    if (p.showcase || chance(r, 2)) add_line(g, "RES", "");
    if (p.showcase || chance(r, 3)) add_line(g, "SM", p.key + "　" + japanese_word(r));
    return first_gloss;
}

// Index words of the record at `position`: most records get their key and
// some inflections in en.dat and a translation in tr.dat.
void write_index_words(Generator& g, const RecordPlan& p, Rng& r, uint32_t position, const std::string& first_gloss) {
    const char* pos = PartsOfSpeech[p.blocks[0].pos].abbreviation;
    auto english = [&](const std::string& word) {
        put_index_record(g.english, word, pos, position, static_cast<uint32_t>(p.index), "");
        ++g.totals->english_words;
    };
    if (p.showcase || chance(r, 90)) english(p.key);
    if (chance(r, 35)) english(p.key + "s");
    if (chance(r, 15)) english(p.key + (chance(r, 50) ? "ed" : "ing"));
    for (int d = 0; d < p.derived; ++d) english(derived_key(p.key, d));
    if (p.showcase || chance(r, 80)) {
        std::string word = first_gloss.substr(0, first_gloss.find("、"));
        put_index_record(g.translation, word, p.key, position, static_cast<uint32_t>(p.index), "");
        ++g.totals->translation_words;
        if (chance(r, 20)) {
            put_index_record(g.translation, japanese_word(r), p.key, position, static_cast<uint32_t>(p.index), "");
            ++g.totals->translation_words;
        }
    }
}

int close_all(Generator& g) {
    int status = 0;
    for (OutFile* f : {&g.main, &g.english, &g.translation, &g.figures, &g.sounds_q3, &g.sounds_ra})
        if (f->file && close_out(*f) != 0) status = -1;
    return status;
}

}  // namespace

void put_index_record(OutFile& out, const std::string& word, const std::string& second, uint32_t position,
                      uint32_t number, const std::string& third) {
    put_byte(out, 0x01);
    put_byte(out, 0x00);
    put_byte(out, static_cast<unsigned char>(word.size()));
    put(out, word);
    put(out, std::string_view("\0\0", 2));
    put_byte(out, static_cast<unsigned char>(second.size()));
    put(out, second);
    put(out, std::string_view("\0\0", 2));
    put_le32(out, position);
    put(out, std::string_view("\0\0", 2));
    put_le32(out, number);
    put(out, std::string_view("\0\0\0\0\0\0\0\0", 8));
    put_byte(out, static_cast<unsigned char>(third.size()));
    put(out, third);
}

int write_dictionary(const SampleOptions& options, DictionaryTotals& totals) {
    Generator g;
    g.seed = options.seed;
    g.count = options.records;
    g.totals = &totals;
    std::string dic = options.directory + "/dic/";
    std::string data = options.directory + "/data/";
    if (open_out(g.main, dic + "main.txt", MainBufferSize, true) != 0 ||
        open_out(g.english, dic + "en.dat", SmallBufferSize) != 0 ||
        open_out(g.translation, dic + "tr.dat", SmallBufferSize) != 0 ||
        open_out(g.figures, data + "img.dat", SmallBufferSize) != 0 ||
        open_out(g.sounds_q3, data + "qelq3.bnd", SmallBufferSize) != 0 ||
        open_out(g.sounds_ra, data + "qelra.bnd", SmallBufferSize) != 0) {
        close_all(g);
        return -1;
    }

    // Headers: the index lists start with 256 bytes nobody reads; the bundles
    // with a signature, so that no member starts at offset 0.
    std::string header(256, '\0');
    header.replace(0, 24, "qelsample index list 1.0");
    put(g.english, header);
    put(g.translation, header);
    put(g.figures, std::string_view(BundleSignature, sizeof BundleSignature));
    put(g.sounds_q3, std::string_view(BundleSignature, sizeof BundleSignature));
    put(g.sounds_ra, std::string_view(BundleSignature, sizeof BundleSignature));

    for (int i = 0; i < g.count; ++i) {
        RecordPlan p = make_plan(g.seed, g.count, i);
        Rng r = rng_for(g.seed, static_cast<uint64_t>(i), StreamText);
        uint32_t position = static_cast<uint32_t>(g.main.offset);
        g.text.clear();
        std::string first_gloss = write_record_lines(g, p, r);
        put(g.main, g.text);
        write_index_words(g, p, r, position, first_gloss);
    }
    if (options.hostile) write_hostile_records(g.main, g.english, g.translation, entry_number(g.seed, g.count) + 10);
    totals.main_bytes = g.main.offset;
    return close_all(g);
}

}  // namespace qelsample
