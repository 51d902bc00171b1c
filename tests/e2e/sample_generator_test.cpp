// The sample generator qelsample, checked on its own terms: the files it
// writes agree with each other (offsets, ranges, gaiji codes, link targets),
// the output follows from the seed alone, and nonsense arguments are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

using namespace qeltest;

namespace {

const std::string Generator = std::string(QEL_TOOLS_DIR) + "/qelsample";

// Runs the generator with `args`; returns its exit code and fills `output`.
int run_generator(const std::string& args, std::string& output, const std::string& scratch) {
    std::string out_file = scratch + "/.generator-output";
    int code = shell("'" + Generator + "' " + args + " > '" + out_file + "' 2>&1");
    output = read_file(out_file);
    std::remove(out_file.c_str());
    return code;
}

// One decoded line of main.txt.
struct MainLine {
    uint32_t offset;    // file offset of its first byte
    std::string tag;    // up to the "="
    std::string value;  // after the "="
};

// Decodes main.txt: complemented bytes, lines ended by the stored 0xF5.
std::vector<MainLine> decode_main(const std::string& stored, std::string& problem) {
    std::vector<MainLine> lines;
    uint32_t start = 0;
    std::string text;
    for (uint32_t i = 0; i < stored.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(stored[i]);
        if (b == 0xF5) {
            size_t eq = text.find('=');
            if (eq == std::string::npos) problem = "a line without '=': " + text;
            lines.push_back({start, text.substr(0, eq), eq == std::string::npos ? "" : text.substr(eq + 1)});
            text.clear();
            start = i + 1;
            continue;
        }
        char c = static_cast<char>(0xFF - b);
        if (c == '\0' || c == '\r') problem = "a NUL or CR byte in a line";
        text += c;
    }
    if (!text.empty()) problem = "the last line has no line end";
    return lines;
}

// The field tag of a line without the numbers of TR and TRSUB.
std::string base_tag(const std::string& tag) {
    size_t n = tag.find_first_of("0123456789(");
    if (tag.rfind("TR", 0) == 0 && n != std::string::npos) return tag.substr(0, n);
    return tag;
}

const std::set<std::string> FieldTags = {
    "CMT", "DR", "EN", "ENN", "ENV", "ENVN", "ET", "EV", "EX", "EXKEY", "EXSUB", "F", "ID", "IDSUB",
    "IF", "IMG", "J2E", "KEY", "KEYEX", "KEYID", "LOC", "MEN", "MN", "MNSUB", "NB", "NBP", "NBPSUB",
    "NBSUB", "NSBUS", "OT1", "OT1SUB", "OT2", "OT2SUB", "OT3", "OT3SUB", "OT4", "OT4SUB", "OT5",
    "OT5SUB", "PR", "PS", "RA", "RES", "RN", "SM", "SND", "SRC", "SRCSUB", "TL", "TLSUB", "TQ",
    "TR", "TRSUB"};

uint32_t le32(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
           static_cast<unsigned char>(s[at + 2]) << 16 | static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

// One record of an index-word list.
struct IndexWord {
    std::string word;
    uint32_t position;
};

// Reads en.dat or tr.dat; `problem` is set when the file does not end at a
// record boundary.
std::vector<IndexWord> read_index_list(const std::string& bytes, std::string& problem) {
    std::vector<IndexWord> words;
    size_t at = 256;
    while (at < bytes.size()) {
        if (at + 27 > bytes.size()) break;
        size_t l1 = static_cast<unsigned char>(bytes[at + 2]);
        size_t l2 = static_cast<unsigned char>(bytes[at + 5 + l1]);
        size_t l3 = static_cast<unsigned char>(bytes[at + 26 + l1 + l2]);
        if (at + 27 + l1 + l2 + l3 > bytes.size()) break;
        words.push_back({bytes.substr(at + 3, l1), le32(bytes, at + 8 + l1 + l2)});
        at += 27 + l1 + l2 + l3;
    }
    if (at != bytes.size()) problem = "the list does not end at a record boundary";
    return words;
}

// The (set, code) pairs a value refers to, read the way the converter reads
// inline markup: G tags select the set, "#xx#" names a code, and inside set 5
// every byte from 0x41 up is a code of its own.
void collect_gaiji(const std::string& v, std::set<std::pair<int, int>>& used) {
    int set = 0;
    for (size_t i = 0; i < v.size();) {
        unsigned char c = static_cast<unsigned char>(v[i]);
        if (c == 0xA5) {
            ++i;
        } else if (c == '#' && i + 3 < v.size() && v[i + 3] == '#') {
            used.insert({set, static_cast<int>(std::strtol(v.substr(i + 1, 2).c_str(), nullptr, 16))});
            i += 4;
        } else if (c == '<') {
            size_t end = v.find('>', i);
            std::string name = v.substr(i + 1, end - i - 1);
            if (name.size() >= 2 && name[0] == 'G') set = name[1] == '9' ? 99 : name[1] - '0';
            if (name.size() >= 3 && name[0] == '/' && name[1] == 'G') set = 0;
            i = end == std::string::npos ? v.size() : end + 1;
        } else if (c >= 0x80) {
            i += 2;
        } else {
            if (set == 5 && c >= 0x41) used.insert({5, c});
            ++i;
        }
    }
}

// The code names ("G<set>-<hex>") defined in qelgaiji.tbl; `problem` is set
// when a glyph definition is not followed by its 16 bitmap lines.
std::set<std::pair<int, int>> read_gaiji_table(const std::string& table, std::string& problem) {
    std::set<std::pair<int, int>> defined;
    std::vector<std::string> lines;
    for (size_t at = 0; at < table.size();) {
        size_t end = table.find("\r\n", at);
        lines.push_back(table.substr(at, end - at));
        at = end == std::string::npos ? table.size() : end + 2;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("CHAR:", 0) != 0) continue;
        std::string name = lines[i].substr(5, lines[i].find(':', 5) - 5);
        char kind = lines[i][6 + name.size()];
        int set = 0, code = 0;
        if (std::sscanf(name.c_str(), "G%d-%x", &set, &code) == 2) defined.insert({set, code});
        if (kind == 'H' || kind == 'Z') {
            for (size_t k = 1; k <= 16; ++k)
                if (i + k >= lines.size() || lines[i + k].rfind("CHAR:", 0) == 0)
                    problem = "glyph " + name + " has fewer than 16 bitmap lines";
            i += 16;
        }
    }
    return defined;
}

// Blanks removed: idioms are compared so.
std::string squeezed(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out += c;
    return out;
}

// A generated sample, read back.
struct Sample {
    TempDir dir;
    std::vector<MainLine> lines;
    std::string main_problem;
};

void generate(Sample& s, const std::string& args) {
    std::string output;
    ASSERT_EQ(run_generator(args + " '" + s.dir.path + "/out'", output, s.dir.path), 0) << output;
    s.lines = decode_main(read_file(s.dir.path + "/out/dic/main.txt"), s.main_problem);
}

}  // namespace

TEST(SampleGenerator, MainTextRecordsAndIndexListsAgree) {
    Sample s;
    generate(s, "--demo");
    ASSERT_EQ(s.main_problem, "");
    // 1. Every line carries a known tag; records start RA, RN, EN with ascending numbers.
    std::set<uint32_t> record_offsets;
    std::set<std::string> tags_seen;
    long last_number = -1;
    for (size_t i = 0; i < s.lines.size(); ++i) {
        const MainLine& l = s.lines[i];
        std::string tag = base_tag(l.tag);
        EXPECT_TRUE(FieldTags.count(tag)) << "unknown tag " << l.tag;
        tags_seen.insert(tag);
        if (tag != "RA") continue;
        record_offsets.insert(l.offset);
        ASSERT_LT(i + 2, s.lines.size());
        EXPECT_EQ(s.lines[i + 1].tag, "RN");
        EXPECT_EQ(s.lines[i + 2].tag, "EN");
        EXPECT_NE(s.lines[i + 2].value.find('|'), std::string::npos);
        long number = std::strtol(s.lines[i + 1].value.c_str(), nullptr, 10);
        EXPECT_GT(number, last_number) << "entry numbers must ascend";
        last_number = number;
    }
    EXPECT_EQ(record_offsets.size(), 300u);
    EXPECT_EQ(tags_seen, FieldTags) << "every field tag appears in the demo sample";
    // 2. Index-word positions are RA offsets, in ascending order, for most records.
    for (const char* name : {"en.dat", "tr.dat"}) {
        std::string problem;
        std::vector<IndexWord> words = read_index_list(read_file(s.dir.path + "/out/dic/" + name), problem);
        EXPECT_EQ(problem, "") << name;
        std::set<uint32_t> covered;
        uint32_t last = 0;
        for (const IndexWord& w : words) {
            EXPECT_TRUE(record_offsets.count(w.position)) << name << ": " << w.word << " at " << w.position;
            EXPECT_GE(w.position, last) << name << ": positions must ascend";
            EXPECT_FALSE(w.word.empty());
            EXPECT_LT(w.word.size(), 128u);
            last = w.position;
            covered.insert(w.position);
        }
        EXPECT_GT(covered.size(), record_offsets.size() * 7 / 10) << name << " covers most records";
    }
}

TEST(SampleGenerator, SomeEntriesAreLongEnoughForJumpMenus) {
    // An entry gets an in-entry jump menu with at least 3 items (parts of
    // speech, and the first idiom after the entry's start or a part of speech)
    // and at least 30 shown lines.
    Sample s;
    generate(s, "--demo");
    const std::set<std::string> hidden = {"CMT", "ENN", "EXKEY", "KEY", "KEYEX", "KEYID", "LOC",
                                          "RA",  "RES", "RN",    "SM",  "SND"};
    int qualifying = 0, items = 0, lines = 0;
    bool idiom_allowed = true;
    auto finish = [&]() { qualifying += items >= 3 && lines >= 30; };
    for (const MainLine& l : s.lines) {
        std::string tag = base_tag(l.tag);
        if (tag == "RA") {
            finish();
            items = lines = 0;
            idiom_allowed = true;
        }
        if (tag == "PS") {
            ++items;
            idiom_allowed = true;
        }
        if (tag == "ID" && idiom_allowed) {
            ++items;
            idiom_allowed = false;
        }
        lines += !hidden.count(tag);
    }
    finish();
    EXPECT_GE(qualifying, 10);
}

TEST(SampleGenerator, MediaRangesLieInsideTheirBundles) {
    Sample s;
    generate(s, "--records 400");
    std::string figures = read_file(s.dir.path + "/out/data/img.dat");
    std::string aiff = read_file(s.dir.path + "/out/data/qelq3.bnd");
    std::string ra = read_file(s.dir.path + "/out/data/qelra.bnd");
    ASSERT_EQ(aiff.size(), ra.size()) << "both sound bundles hold the same members at the same offsets";
    int images = 0, sounds = 0, empty_sounds = 0;
    for (const MainLine& l : s.lines) {
        if (l.tag != "IMG" && l.tag != "SND") continue;
        unsigned long offset = 0, length = 0;
        ASSERT_EQ(std::sscanf(l.value.c_str(), "%lx,%lx", &offset, &length), 2) << l.value;
        EXPECT_EQ(l.value.find(','), 8u) << "offsets are eight hexadecimal digits: " << l.value;
        const std::string& bundle = l.tag == "IMG" ? figures : aiff;
        EXPECT_LE(offset + length, bundle.size()) << l.tag << "=" << l.value;
        if (l.tag == "IMG") {
            ++images;
            EXPECT_EQ(figures.substr(offset, 2), "BM");
        } else if (length == 0) {
            ++empty_sounds;
        } else {
            ++sounds;
            EXPECT_EQ(aiff.substr(offset, 4), "FORM");
            EXPECT_EQ(ra.substr(offset, 4), ".ra\xFD");
        }
    }
    EXPECT_GT(images, 5);
    EXPECT_GT(sounds, 20);
    EXPECT_GT(empty_sounds, 0);
}

TEST(SampleGenerator, GaijiTableDefinesEveryCodeTheBodyUses) {
    Sample s;
    generate(s, "--demo");
    std::string problem;
    std::set<std::pair<int, int>> defined = read_gaiji_table(read_file(s.dir.path + "/out/qelgaiji.tbl"), problem);
    EXPECT_EQ(problem, "");
    std::set<std::pair<int, int>> used;
    for (const MainLine& l : s.lines) {
        if (l.tag == "EN" || l.tag == "DR") {
            // Headwords are shown with set 99 throughout, the byte 0xA5 included.
            std::string display = l.value.substr(0, l.value.find('|'));
            std::set<std::pair<int, int>> refs;
            collect_gaiji(display, refs);
            for (auto [set, code] : refs) used.insert({99, code});
            if (display.find('\xA5') != std::string::npos) used.insert({99, 0xA5});
        } else {
            collect_gaiji(l.value, used);
        }
    }
    std::set<int> sets;
    for (auto [set, code] : used) {
        EXPECT_TRUE(defined.count({set, code})) << "set " << set << " code " << std::hex << code << " is not defined";
        sets.insert(set);
    }
    EXPECT_TRUE(sets.count(5) && sets.count(99) && sets.count(0) && sets.size() >= 6) << "gaiji of several sets";
}

TEST(SampleGenerator, LinkTargetsExistInTheirEntries) {
    Sample s;
    generate(s, "--demo");
    // Index the records by entry number.
    std::map<std::string, std::vector<MainLine>> records;
    std::string current;
    for (const MainLine& l : s.lines) {
        if (l.tag == "RN") current = l.value;
        if (!current.empty()) records[current].push_back(l);
    }
    auto has = [&](const std::vector<MainLine>& rec, const std::string& tag, const std::string& prefix) {
        for (const MainLine& l : rec)
            if (l.tag == tag && l.value.compare(0, prefix.size(), prefix) == 0) return true;
        return false;
    };
    int resolved = 0, whole_entry = 0, unplaced = 0, missing_entry = 0, missing_open = 0;
    for (const MainLine& l : s.lines) {
        if (l.tag == "RN") current = l.value;
        std::string v = l.value;
        // Comments are never read for links.
        for (size_t c; (c = v.find("<CMT>")) != std::string::npos;) v.erase(c, v.find("</CMT>", c) + 6 - c);
        for (size_t end = v.find("</HL>"); end != std::string::npos; end = v.find("</HL>", end + 5)) {
            size_t start = v.rfind("<HL>", end);
            size_t previous_end = end > 0 ? v.rfind("</HL>", end - 1) : std::string::npos;
            if (start == std::string::npos || (previous_end != std::string::npos && previous_end > start)) {
                start = v.rfind("<SC>", end);  // the "<HL>" is missing: the link starts at its small capitals
                ASSERT_NE(start, std::string::npos) << l.value;
                ++missing_open;
            }
            std::string link = v.substr(start, end - start);
            size_t c1 = link.find(':'), c2 = link.find(':', c1 + 1);
            ASSERT_NE(c2, std::string::npos) << "a link needs a target and a link target specification: " << link;
            std::string target = link.substr(c1 + 1, c2 - c1 - 1), link_spec = link.substr(c2 + 1);
            if (target == "0") target = current;
            if (!records.count(target)) {
                ++missing_entry;
                continue;
            }
            const std::vector<MainLine>& rec = records[target];
            if (link_spec == "null:null:null" || link_spec == "n." || link_spec == "全体") {
                ++whole_entry;
                continue;
            }
            if (link_spec.rfind("null:", 0) == 0) link_spec = link_spec.substr(5);
            for (const char* pos : {"n.:", "v.t.:", "v.i.:", "adj.:", "adv.:", "v.:", "prep.:", "pron.:", "conj.:",
                                    "interj.:", "auxil.v.:"})
                if (link_spec.rfind(pos, 0) == 0) {
                    if (link_spec.size() == std::string(pos).size())
                        link_spec = "";  // the part-of-speech block itself
                    else
                        link_spec = link_spec.substr(std::string(pos).size());
                    EXPECT_TRUE(has(rec, "PS", "")) << link;
                    break;
                }
            bool ok = true;
            if (link_spec.empty()) {
            } else if (link_spec[0] >= '0' && link_spec[0] <= '9') {
                int k = std::atoi(link_spec.c_str());
                size_t digits_end = link_spec.find_first_not_of("0123456789");
                std::string rest = digits_end == std::string::npos ? "" : link_spec.substr(digits_end);
                if (rest.empty() && k > 7) {
                    ++unplaced;  // a meaning no entry has: its anchor goes to the entry's end
                    continue;
                }
                if (rest.empty())
                    ok = has(rec, "TR" + std::to_string(k), "") || (k == 1 && has(rec, "MN", ""));
                else if (rest[0] == '(')
                    ok = has(rec, "TRSUB" + std::to_string(k) + rest, "");
                else if (rest.rfind(":(", 0) == 0)
                    ok = has(rec, "TRSUB" + std::to_string(k) + rest.substr(1), "");
                else if (rest == ":用例")
                    ok = has(rec, "KEYEX", "");
                else
                    ok = has(rec, "OT1", rest.substr(1)) || has(rec, "OT2", rest.substr(1)) ||
                         has(rec, "OT3", rest.substr(1)) || has(rec, "OT4", rest.substr(1)) ||
                         has(rec, "OT5", rest.substr(1));
            } else if (link_spec.rfind("【", 0) == 0) {
                ok = has(rec, "OT1", link_spec) || has(rec, "OT2", link_spec) || has(rec, "OT3", link_spec) ||
                     has(rec, "OT4", link_spec) || has(rec, "OT5", link_spec);
            } else if (link_spec == "用例") {
                ok = has(rec, "KEYEX", "");
            } else if (link_spec == "図") {
                ok = has(rec, "IMG", "");
            } else if (link_spec == "語源") {
                ok = has(rec, "SRC", "");
            } else if (link_spec == "◇") {
                ok = has(rec, "TL", "");
            } else if (link_spec.rfind("◇:[", 0) == 0) {
                std::string title = link_spec.substr(link_spec.find('['));
                ok = has(rec, "TLSUB", title) || has(rec, "TLSUB", "◇" + title);
            } else if (link_spec == "成句") {
                ok = has(rec, "KEYID", "");
            } else if (link_spec[0] == '"') {
                std::string idiom = squeezed(link_spec.substr(1, link_spec.size() - 2));
                ok = false;
                for (const MainLine& t : rec)
                    if (t.tag == "KEYID" && squeezed(t.value) == idiom) ok = true;
            } else if (link_spec.rfind("DR:\"", 0) == 0) {
                ok = false;
                for (const MainLine& t : rec)
                    if (t.tag == "DR" &&
                        t.value.substr(t.value.find('|') + 1) == link_spec.substr(4, link_spec.size() - 5))
                        ok = true;
            } else {
                ADD_FAILURE() << "a link target specification of no known form: " << link;
            }
            EXPECT_TRUE(ok) << "target missing in entry " << target << ": " << link;
            ++resolved;
        }
    }
    // Most links find their place; a few of each kind that does not are there on purpose.
    EXPECT_GT(resolved, 300);
    EXPECT_GT(whole_entry, 0);
    EXPECT_GT(unplaced, 0);
    EXPECT_GT(missing_entry, 0);
    EXPECT_GT(missing_open, 0);
    EXPECT_LT(whole_entry + unplaced + missing_entry, resolved / 10);
}

TEST(SampleGenerator, OutputFollowsFromSeedAndScalesWithRecords) {
    TempDir dir;
    std::string output;
    auto main_text = [&](const std::string& sub) { return read_file(dir.path + "/" + sub + "/dic/main.txt"); };
    // 1. The same seed gives the same bytes in every file.
    ASSERT_EQ(run_generator("--seed 7 --records 200 '" + dir.path + "/a'", output, dir.path), 0) << output;
    ASSERT_EQ(run_generator("--records 200 --seed 7 '" + dir.path + "/b'", output, dir.path), 0) << output;
    EXPECT_EQ(shell("diff -r '" + dir.path + "/a' '" + dir.path + "/b' > /dev/null"), 0);
    // 2. Another seed gives other content.
    ASSERT_EQ(run_generator("--seed 8 --records 200 '" + dir.path + "/c'", output, dir.path), 0) << output;
    EXPECT_NE(main_text("a"), main_text("c"));
    // 3. Ten times the records: ten times the records and roughly ten times the text.
    ASSERT_EQ(run_generator("--seed 7 --records 2000 '" + dir.path + "/d'", output, dir.path), 0) << output;
    std::string problem;
    std::vector<MainLine> small = decode_main(main_text("a"), problem), large = decode_main(main_text("d"), problem);
    auto records = [](const std::vector<MainLine>& lines) {
        int n = 0;
        for (const MainLine& l : lines) n += l.tag == "RA";
        return n;
    };
    EXPECT_EQ(records(small), 200);
    EXPECT_EQ(records(large), 2000);
    double per_record = static_cast<double>(main_text("d").size()) / 2000;
    EXPECT_GT(per_record, 550);
    EXPECT_LT(per_record, 750);
}

TEST(SampleGenerator, RefusesNonsenseArguments) {
    TempDir dir;
    const char* const bad[] = {
        "",                                   // no directory
        "--records 0 x",      "--records -5 x", "--records 12abc x", "--records 1000001 x", "--records",
        "--seed x y",         "--seed -1 x",    "--frobnicate x",    "one two",             "--demo --records 5 x",
        "--demo --hostile x",
    };
    for (const char* args : bad) {
        std::string output;
        int code = run_generator(args, output, dir.path);
        EXPECT_NE(code, 0) << "qelsample " << args;
        EXPECT_NE(output.find("usage: qelsample"), std::string::npos) << "qelsample " << args;
    }
    EXPECT_FALSE(file_exists(dir.path + "/x")) << "nothing is written after a refusal";
}

TEST(SampleGenerator, BookFileHasItsComponentTable) {
    Sample s;
    generate(s, "--records 60");
    std::string book = read_file(s.dir.path + "/out/book/qel/data/honmon");
    ASSERT_EQ(book.size() % 2048, 0u);
    auto be = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | static_cast<unsigned char>(book[at + i]);
        return v;
    };
    uint32_t blocks = static_cast<uint32_t>(book.size() / 2048), components = be(0, 2);
    std::set<uint32_t> heading_starts;
    int headings = 0, complex = 0;
    for (uint32_t k = 0; k < components; ++k) {
        int id = static_cast<unsigned char>(book[16 + 16 * k]);
        uint32_t start = be(18 + 16 * k, 4), count = be(22 + 16 * k, 4);
        EXPECT_LE(start + count, blocks + 1) << "component " << k << " lies inside the file";
        if (id == 0x03 || id == 0x05 || id == 0x07 || id == 0x0A || id == 0x0D) {
            ++headings;
            heading_starts.insert(start);
        }
        if (id == 0xFF) {
            ++complex;
            size_t cs = (start - 1) * 2048;
            EXPECT_GT(be(cs, 2), 0u) << "the complex-search block holds group records";
        }
    }
    EXPECT_GE(headings, 5);
    EXPECT_LT(heading_starts.size(), static_cast<size_t>(headings)) << "some heading components share their data";
    EXPECT_EQ(complex, 1);
    // An indent code split over a block boundary inside a heading component.
    EXPECT_EQ(book.substr(7 * 2048 - 2, 4), std::string("\x1F\x09\x00\x02", 4));
}
