// The complex-search definition and the multi-search pages.
#include "book/multi_search.h"

#include <algorithm>
#include <cstring>

#include "book/big_endian.h"
#include "book/html_reader.h"
#include "common/report.h"

namespace qel {

namespace {



// The JIS X 0208 bytes of a name (entities decoded, ASCII made full-width),
// at most `room` bytes; `cut` is set when the name was longer.
std::string name_jis(TextContext& context, const std::string& name, size_t room, int* cut) {
    std::vector<uint16_t> codes;
    TextEncoder e;
    start_encoder(e, nullptr, &context, 1);
    e.collect = &codes;
    encode_text(e, name.data(), name.size());
    std::string out;
    *cut = 0;
    for (uint16_t c : codes) {
        if (out.size() + 2 > room) {
            *cut = 1;
            break;
        }
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

}  // namespace

int read_complex_definition(const std::string& path, TextContext& context, std::vector<MultiSearch>& searches) {
    searches.clear();
    HtmlReader reader;
    if (open_html(reader, path) != 0) {
        report("複合検索定義ファイル %s がオープンできません\n", path.c_str());
        return -1;
    }
    context.file = path;
    HtmlToken token;
    int in_group = 0;
    int group_line = 0;
    MultiSearch group;
    auto finish_group = [&]() {
        if (!in_group) return;
        in_group = 0;
        if (group.labels.empty()) {
            report("複合検索定義ファイル %s の %d 行目: 検索項目のないグループは複合検索にしません\n", path.c_str(),
                   group_line);
            return;
        }
        if (static_cast<int>(searches.size()) == MaxMultiSearches) {
            report("複合検索定義ファイル %s の %d 行目: 複合検索は %d 個までです。このグループは使いません\n",
                   path.c_str(), group_line, MaxMultiSearches);
            return;
        }
        searches.push_back(group);
    };
    while (next_html_token(reader, token) != HTML_END) {
        context.line = token.line;
        if (token.kind == HTML_END_TAG && token.name == "group") finish_group();
        if (token.kind != HTML_START_TAG) continue;
        const std::string_view* attribute = html_attribute(token, "name");
        std::string name = attribute ? std::string(*attribute) : std::string();
        int cut = 0;
        if (token.name == "group") {
            finish_group();
            in_group = 1;
            group_line = token.line;
            group = MultiSearch();
            group.title = name_jis(context, name, MultiTitleBytes, &cut);
            if (cut)
                report("複合検索定義ファイル %s の %d 行目: グループ名が長すぎるため、先頭の %d 文字だけを使います\n",
                       path.c_str(), token.line, MultiTitleBytes / 2);
        } else if (token.name == "keyword" && in_group) {
            if (static_cast<int>(group.labels.size()) == MaxMultiFields) {
                report("複合検索定義ファイル %s の %d 行目: 検索項目は1つの複合検索に %d 個までです。この項目は使いません\n",
                       path.c_str(), token.line, MaxMultiFields);
                continue;
            }
            group.labels.push_back(name_jis(context, name, MultiLabelBytes, &cut));
            if (cut)
                report("複合検索定義ファイル %s の %d 行目: 検索項目名が長すぎるため、先頭の %d 文字だけを使います\n",
                       path.c_str(), token.line, MultiLabelBytes / 2);
        }
    }
    finish_group();
    close_html(reader);
    if (searches.empty()) report("複合検索定義ファイル %s に使える検索の定義がないため、複合検索は作りません\n", path.c_str());
    return 0;
}

std::vector<unsigned char> make_multi_page(const MultiSearch& search, const IndexExtent& keys) {
    std::vector<unsigned char> page(TextBlockSize, 0);
    put16(page.data(), static_cast<uint32_t>(search.labels.size()));
    unsigned char* p = page.data() + 16;
    for (const std::string& label : search.labels) {
        // One field: one index (the condition keys), its label.
        p[0] = 1;
        std::memcpy(p + 2, label.data(), label.size());
        p[32] = 0x91;
        put32(p + 34, keys.start_block);
        put32(p + 38, keys.blocks);
        p += 48;
    }
    return page;
}

std::vector<unsigned char> make_search_title_page(const std::vector<MultiSearch>& searches) {
    std::vector<unsigned char> page(TextBlockSize, 0);
    put16(page.data(), static_cast<uint32_t>(4 + searches.size()));
    for (size_t k = 0; k < searches.size(); ++k) {
        unsigned char* slot = page.data() + 350 + 70 * k;
        put16(slot, 0x0002);
        const std::string& title = searches[k].title;
        std::memcpy(slot + 2, title.data(), std::min<size_t>(title.size(), 16));
        std::memcpy(slot + 18, title.data(), title.size());
    }
    return page;
}

}  // namespace qel
