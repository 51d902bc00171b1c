// qelconv on generated dictionaries under several setting combinations,
// checked for what a user relies on: the run succeeds, every in-book link
// finds its anchor, every search key is well formed, the hyperlink counts of
// the two passes agree, the media are cut out exactly, and the XML files and
// playlists are well-formed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

using namespace qeltest;

namespace {

const std::string Generator = std::string(QEL_TOOLS_DIR) + "/qelsample";

// A sample generated into a fresh program directory and converted there.
struct Conversion {
    TempDir dir;
    RunResult run;
    std::string html;  // src/qel.html
    std::string log;   // qelconv.log
    std::string path(const std::string& name) const { return dir.path + "/" + name; }
};

// Generates a sample with `generator_args`, writes the settings (the sample's
// directories, the system sort and `settings`) and runs qelconv.
void convert_sample(Conversion& c, const std::string& generator_args, const std::string& settings) {
    ASSERT_EQ(shell("'" + Generator + "' " + generator_args + " '" + c.dir.path + "' > /dev/null"), 0);
    install_program(QELCONV_PATH, c.dir.path);
    write_file(c.path("qelconv.ini"), crlf("BASEPATH=src\\\nOUTPATH=book\\\nDICPATH=dic\\\nDATAPATH=data\\\n"
                                           "SORTCMD=/usr/bin/sort\n" + settings));
    c.run = run_program(c.path("qelconv"), c.dir.path);
    c.html = read_file(c.path("src/qel.html"));
    c.log = read_file(c.path("qelconv.log"));
}

// The decoded lines of main.txt as (tag, value).
std::vector<std::pair<std::string, std::string>> main_lines(const Conversion& c) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::string stored = read_file(c.path("dic/main.txt")), text;
    for (char s : stored) {
        if (static_cast<unsigned char>(s) == 0xF5) {
            size_t eq = text.find('=');
            lines.emplace_back(text.substr(0, eq), eq == std::string::npos ? "" : text.substr(eq + 1));
            text.clear();
        } else {
            text += static_cast<char>(0xFF - static_cast<unsigned char>(s));
        }
    }
    return lines;
}

// Every value of `attribute="..."` in `text` that follows `prefix`.
std::vector<std::string> attribute_values(const std::string& text, const std::string& prefix) {
    std::vector<std::string> values;
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
        size_t start = at + prefix.size(), end = text.find('"', start);
        values.push_back(text.substr(start, end - start));
    }
    return values;
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The run succeeded and both passes numbered the same links.
void expect_clean_run(const Conversion& c) {
    EXPECT_EQ(c.run.exit_code, 0) << c.run.output;
    EXPECT_NE(c.run.output.find("変換処理が終了しました\n"), std::string::npos);
    EXPECT_EQ(c.log.find("ハイパーリンクタグの個数が"), std::string::npos) << "the link counts disagree";
    EXPECT_EQ(c.run.output.find("で変換に失敗しました"), std::string::npos) << "a link repair failed";
    // Numbered links of the body: as many as the sorted table has lines, each
    // linking to its own anchor.
    std::string table = read_file(c.path("hyperlnk.dat"));
    EXPECT_EQ(count_of(c.html, "<a href=\"#HL"), count_of(table, "\n"));
}

// Every "#..." link of qel.html and every "qel.html#..." link of the menu
// pages names an anchor or a dt id, and no anchor name is given twice.
void expect_links_resolve(const Conversion& c) {
    std::set<std::string> targets;
    for (const char* prefix : {"<a name=\"", "<dt id=\""})
        for (const std::string& name : attribute_values(c.html, prefix))
            EXPECT_TRUE(targets.insert(name).second) << "anchor " << name << " is given twice";
    int checked = 0;
    for (const std::string& href : attribute_values(c.html, "href=\"#")) {
        EXPECT_TRUE(targets.count(href)) << "qel.html: nothing answers #" << href;
        ++checked;
    }
    for (int page = 1; page <= 5; ++page) {
        std::string menu = read_file(c.path("src/qelmenu" + std::to_string(page) + ".html"));
        for (const std::string& href : attribute_values(menu, "href=\"qel.html#")) {
            EXPECT_TRUE(targets.count(href)) << "qelmenu" << page << ".html: nothing answers #" << href;
            ++checked;
        }
    }
    EXPECT_GT(checked, 300);
}

// Every key element reads <key title="..." type="(one of three)">text</key>,
// its title and text free of stray markup. (The type is compared outside the
// pattern: Shift_JIS trail bytes can look like regex escapes.)
void expect_keys_well_formed(const Conversion& c) {
    static const std::regex Key(
        "<key title=\"([^\"<>&]|&(amp|quot|apos|lt|gt|#x[0-9A-Fa-f]+);)*\" "
        "type=\"([^\"]*)\">([^\"<>&]|&(amp|quot|apos|lt|gt|#x[0-9A-Fa-f]+);)+</key>");
    const std::set<std::string> types = {"前方表記", "後方表記", "条件"};
    size_t keys = 0;
    for (size_t at = c.html.find("<key"); at != std::string::npos; at = c.html.find("<key", at + 1), ++keys) {
        std::string element = c.html.substr(at, c.html.find("</key>", at) + 6 - at);
        std::smatch m;
        EXPECT_TRUE(std::regex_match(element, m, Key) && types.count(m[3].str())) << element;
    }
    EXPECT_GT(keys, 500u);
}

// The problems xmllint finds; for HTML files the body's own constructs are
// accepted: EBStudio's key and nobr elements and the indent control codes.
std::string xml_problems(const Conversion& c, const std::string& file, bool html) {
    if (shell("command -v xmllint > /dev/null") != 0) return "xmllint is not installed (package libxml2-utils)";
    std::string out = c.path(".xmllint");
    shell(std::string("xmllint ") + (html ? "--html " : "") + "--noout '" + c.path(file) + "' > '" + out + "' 2>&1");
    std::string report = read_file(out), problems;
    for (size_t at = 0; at < report.size();) {
        size_t end = report.find('\n', at);
        std::string line = report.substr(at, end - at);
        at = end == std::string::npos ? report.size() : end + 1;
        if (line.find("error") == std::string::npos) continue;
        if (html && (line.find("Tag key invalid") != std::string::npos ||
                     line.find("Tag nobr invalid") != std::string::npos ||
                     line.find("htmlParseCharRef: invalid xmlChar value") != std::string::npos))
            continue;
        problems += line + "\n";
    }
    return problems;
}

void expect_well_formed(const Conversion& c, const std::vector<std::string>& xml, const std::vector<std::string>& html) {
    for (const std::string& f : xml) {
        EXPECT_TRUE(file_exists(c.path(f))) << f;
        EXPECT_EQ(xml_problems(c, f, false), "") << f;
    }
    for (const std::string& f : html) {
        EXPECT_TRUE(file_exists(c.path(f))) << f;
        EXPECT_EQ(xml_problems(c, f, true), "") << f;
    }
}

// Every record and derived form has its dt; every index word its key pair.
void expect_entries_and_index_keys(const Conversion& c) {
    size_t records = 0, derived = 0;
    for (const auto& [tag, value] : main_lines(c)) {
        records += tag == "RA";
        derived += tag == "DR";
    }
    EXPECT_EQ(count_of(c.html, "<dt id=\""), records + derived + count_of(c.html, "<dt id=\"QJ"));
    auto list_records = [&](const std::string& name) {
        std::string bytes = read_file(c.path("dic/" + name));
        size_t n = 0;
        for (size_t at = 256; at + 27 <= bytes.size(); ++n) {
            size_t l1 = static_cast<unsigned char>(bytes[at + 2]), l2 = static_cast<unsigned char>(bytes[at + 5 + l1]);
            at += 27 + l1 + l2 + static_cast<unsigned char>(bytes[at + 26 + l1 + l2]);
        }
        return n;
    };
    size_t words = list_records("en.dat") + list_records("tr.dat");
    EXPECT_EQ(count_of(c.html, "type=\"前方表記\""), words);
    EXPECT_EQ(count_of(c.html, "type=\"後方表記\""), words);
}

// The members named by IMG (and, with `sound_extension`, SND) lines were cut
// out byte for byte.
void expect_media_extracted(const Conversion& c, const std::string& figure_extension, const std::string& sound_extension,
                            const std::string& sound_bundle) {
    std::string figures = read_file(c.path("data/img.dat")), sounds = read_file(c.path("data/" + sound_bundle));
    int images = 0, tracks = 0;
    for (const auto& [tag, value] : main_lines(c)) {
        unsigned long offset = 0, length = 0;
        if ((tag != "IMG" && tag != "SND") || std::sscanf(value.c_str(), "%lx,%lx", &offset, &length) != 2) continue;
        std::string stem = value.substr(0, value.find(','));
        if (tag == "IMG") {
            EXPECT_EQ(read_file(c.path("src/fig/" + stem + figure_extension)), figures.substr(offset, length)) << value;
            ++images;
        } else if (!sound_extension.empty() && length > 0) {
            std::string group = tracks < 1000 ? "000" : "001";
            EXPECT_EQ(read_file(c.path("src/snd/" + group + "/" + stem + sound_extension)), sounds.substr(offset, length))
                << value;
            ++tracks;
        }
    }
    EXPECT_GT(images, 0);
    EXPECT_EQ(count_of(c.html, "<img src=\"fig/"), static_cast<size_t>(images));
}

}  // namespace

TEST(SampleConversion, DemoSettingsGiveAConsistentBook) {
    // Macintosh media with figures, sounds and playlists; complex search;
    // quick-jump menus on the header line with return links; italics.
    Conversion c;
    convert_sample(c, "--seed 3 --records 500",
                   "MACINTOSH=1\nFIGURE=1\nJPEG=1\nSOUND=1\nGENSOUND=1\nCOMPLEX=1\n"
                   "QUICKJUMP=1\nQUICKRET=1\nITALIC=1\nPRONSYM=spk \"発音\"\nARROWSYM=arrow\n");
    expect_clean_run(c);
    expect_links_resolve(c);
    expect_keys_well_formed(c);
    expect_entries_and_index_keys(c);
    expect_media_extracted(c, ".pict", ".aifc", "qelq3.bnd");
    expect_well_formed(c, {"src/qelgmap.xml", "src/qelgfont.xml", "src/qelcmpl.xml", "src/pl_000.xml", "src/pl_all.xml"},
                       {"src/qel.html", "src/qelmenu1.html", "src/qelmenu2.html", "src/qelmenu3.html",
                        "src/qelmenu4.html", "src/qelmenu5.html", "src/qelcopr.html"});
    EXPECT_GT(count_of(c.html, "type=\"条件\""), 0u) << "idioms give condition keys";
    EXPECT_GT(count_of(c.html, "QJ00\">"), 0u) << "long entries get jump menus";
    EXPECT_GT(count_of(c.html, "<i>"), 0u);
    EXPECT_GT(count_of(c.html, ".wav\">"), 0u) << "sounds become pronunciation links";
}

TEST(SampleConversion, EveryQuickJumpModeKeepsLinksWhole) {
    // Modes 2 and 3 put the menu on lines of their own, mode 4 on pages at the
    // end of the body; with and without return links.
    const char* const modes[] = {"QUICKJUMP=2\nQUICKRET=1\n", "QUICKJUMP=3\nQUICKRET=0\n", "QUICKJUMP=4\nQUICKRET=1\n"};
    int seed = 11;
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        Conversion c;
        convert_sample(c, "--seed " + std::to_string(seed++) + " --records 400",
                       std::string("FIGURE=1\nSOUND=0\nCOMPLEX=1\n") + mode);
        expect_clean_run(c);
        expect_links_resolve(c);
        expect_keys_well_formed(c);
        expect_entries_and_index_keys(c);
        expect_well_formed(c, {"src/qelgmap.xml", "src/qelgfont.xml", "src/qelcmpl.xml"},
                           {"src/qel.html", "src/qelmenu1.html", "src/qelmenu5.html"});
        EXPECT_GT(count_of(c.html, "QJ00\">"), 0u);
        if (std::string(mode).find("=4") != std::string::npos) {
            EXPECT_GT(count_of(c.html, "<dt id=\"QJ"), 0u);
        }
    }
}

TEST(SampleConversion, PlainBookWithoutComplexSearchFiguresOrSounds) {
    // With complex search off, the links in examples before " <OBJ>" are
    // numbered too; no condition keys, no complex-search file, no figure menu.
    Conversion c;
    convert_sample(c, "--seed 5 --records 400", "FIGURE=0\nSOUND=0\nCOMPLEX=0\nQUICKJUMP=0\nITALIC=0\n");
    expect_clean_run(c);
    expect_links_resolve(c);
    expect_keys_well_formed(c);
    expect_entries_and_index_keys(c);
    expect_well_formed(c, {"src/qelgmap.xml", "src/qelgfont.xml"}, {"src/qel.html", "src/qelmenu2.html"});
    EXPECT_EQ(count_of(c.html, "type=\"条件\""), 0u);
    EXPECT_EQ(count_of(c.html, "QJ00"), 0u);
    EXPECT_FALSE(file_exists(c.path("src/qelcmpl.xml")));
    EXPECT_FALSE(file_exists(c.path("src/qelmenu1.html")));
    EXPECT_EQ(count_of(c.html, "<img "), 0u);
}

TEST(SampleConversion, WindowsMediaFormsWithoutPlaylists) {
    // MACINTOSH 0: .bmp figures named .bmp in the body (JPEG 0), RealAudio
    // sounds from qelra.bnd, and no playlists.
    Conversion c;
    convert_sample(c, "--seed 9 --records 500",
                   "MACINTOSH=0\nFIGURE=1\nJPEG=0\nSOUND=1\nGENSOUND=1\nCOMPLEX=1\nQUICKJUMP=1\n");
    expect_clean_run(c);
    expect_links_resolve(c);
    expect_keys_well_formed(c);
    expect_media_extracted(c, ".bmp", ".ra", "qelra.bnd");
    expect_well_formed(c, {"src/qelgmap.xml", "src/qelgfont.xml", "src/qelcmpl.xml"},
                       {"src/qel.html", "src/qelmenu1.html"});
    EXPECT_GT(count_of(c.html, ".bmp\" alt="), 0u);
    EXPECT_FALSE(file_exists(c.path("src/pl_000.xml")));
    EXPECT_FALSE(file_exists(c.path("src/pl_all.xml")));
}

TEST(SampleConversion, SoundsWithoutExtractionStillLink) {
    // GENSOUND 0: pronunciation links are written, but no sound file,
    // directory or playlist is made.
    Conversion c;
    convert_sample(c, "--seed 21 --records 300", "MACINTOSH=1\nFIGURE=0\nSOUND=1\nGENSOUND=0\nQUICKJUMP=0\n");
    expect_clean_run(c);
    expect_links_resolve(c);
    EXPECT_GT(count_of(c.html, ".wav\">"), 0u);
    EXPECT_FALSE(file_exists(c.path("src/snd")));
    EXPECT_FALSE(file_exists(c.path("src/pl_all.xml")));
}

TEST(SampleConversion, FixerPatchesTheSampleBookOnce) {
    // qelmend on the generated book: every indent code of a heading component
    // becomes an empty narrow span, everything else stays; a second run
    // changes nothing.
    TempDir dir;
    ASSERT_EQ(shell("'" + Generator + "' --records 60 '" + dir.path + "' > /dev/null"), 0);
    std::string exe = install_program(QELMEND_PATH, dir.path);
    std::string book_path = dir.path + "/book/qel/data/honmon", before = read_file(book_path);
    RunResult r = run_program(exe, dir.path);
    EXPECT_EQ(r.exit_code, 0) << r.output;
    std::string after = read_file(book_path);
    ASSERT_EQ(after.size(), before.size());
    // Blocks of heading components: from the table of block 1 and the complex-search block.
    auto be = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | static_cast<unsigned char>(before[at + i]);
        return v;
    };
    std::set<uint32_t> heading_blocks;
    auto note = [&](size_t entry) {
        int id = static_cast<unsigned char>(before[entry]);
        if (id == 0x03 || id == 0x05 || id == 0x07 || id == 0x0A || id == 0x0D)
            for (uint32_t b = be(entry + 2, 4); b < be(entry + 2, 4) + be(entry + 6, 4); ++b) heading_blocks.insert(b);
    };
    for (uint32_t k = 0; k < be(0, 2); ++k) {
        note(16 + 16 * k);
        if (static_cast<unsigned char>(before[16 + 16 * k]) != 0xFF) continue;
        size_t block = (be(18 + 16 * k, 4) - 1) * 2048, at = block + 16;
        for (uint32_t g = 0; g < be(block, 2); ++g) {
            uint32_t m = static_cast<unsigned char>(before[at]);
            for (uint32_t j = 0; j < m; ++j) note(at + 32 + 16 * j);
            at += 32 + 16 * m;
        }
    }
    size_t patched = 0;
    for (size_t at = 0; at < before.size(); at += 2) {
        std::string was = before.substr(at, 2), is = after.substr(at, 2);
        if (!heading_blocks.count(static_cast<uint32_t>(at / 2048 + 1))) {
            EXPECT_EQ(is, was) << "outside the headings at " << at;
            continue;
        }
        EXPECT_NE(is, "\x1F\x09") << "an indent code is left at " << at;
        if (is == was) continue;
        // A changed unit is an indent code or the value unit right after one.
        bool indent = was == "\x1F\x09" && is == "\x1F\x04";
        bool value = is == "\x1F\x05" && at >= 2 && after.compare(at - 2, 2, "\x1F\x04") == 0;
        EXPECT_TRUE(indent || value) << "unexpected change at " << at;
        patched += indent;
    }
    EXPECT_GT(patched, 50u);
    // 2. A second run finds nothing left to patch.
    r = run_program(exe, dir.path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(read_file(book_path), after);
}
