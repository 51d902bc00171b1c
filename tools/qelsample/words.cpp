// The generator's vocabulary: invented English headwords, Japanese glosses,
// example sentences and the labels of parts of speech and sections.
#include "words.h"

#include <cstring>

namespace qelsample {

const PartOfSpeech PartsOfSpeech[PartOfSpeechCount] = {
    {"名詞", "n."},     {"他動詞", "v.t."},   {"自動詞", "v.i."}, {"形容詞", "adj."},
    {"副詞", "adv."},   {"動詞", "v."},       {"前置詞", "prep."}, {"代名詞", "pron."},
    {"接続詞", "conj."}, {"間投詞", "interj."}, {"助動詞", "auxil.v."},
};

const char* const SectionLabels[5] = {"【類語】", "【語法】", "【活用】", "【発音】", "【地域的異形】"};

namespace {

const char* const Onsets[] = {"b", "c", "d", "f", "g", "h", "j", "k", "l", "m", "n", "p", "r",
                              "s", "t", "v", "w", "st", "tr", "pl", "gr", "br", "ch", "sh", "th", "cl"};
const char* const Vowels[] = {"a", "e", "i", "o", "u", "ea", "ai", "ou", "oo", "a", "e", "i", "o"};
const char* const Codas[] = {"", "", "", "n", "r", "l", "t", "st", "nd", "ck", "m", "ss", "ng", "p"};

const char* const DerivedSuffixes[] = {"ly", "ness", "er", "ish", "ful", "less", "ment", "ize"};

const char* const IdiomTemplates[] = {
    "in the @",        "@ out",          "on the @",         "make a @ of oneself",
    "the @ of one's eye", "go @ing",     "by @ and @",       "@ away",
    "keep one's @",    "at @'s end",     "under the @",      "a @ in the hand",
};

const char* const TitleNouns[] = {"Tree", "Garden", "River", "Letter", "Journey", "Song", "House", "Winter"};

const char* const JapaneseNouns[] = {
    "りんご", "果物", "木", "家", "道", "川", "山", "時間", "仕事", "言葉", "音", "光", "影", "力",
    "心", "手", "目", "声", "色", "形", "場所", "人々", "子供", "友人", "問題", "考え", "方法", "結果",
    "理由", "機会", "部分", "全体", "状態", "関係", "経験", "感情", "記憶", "規則", "計画", "記録",
    "表面", "中心", "境界", "材料", "道具", "機械", "装置", "建物", "部屋", "窓", "扉", "橋", "船",
    "車", "列車", "手紙", "新聞", "本", "絵", "歌", "物語", "祭り", "市場", "会社", "学校", "病院",
    "政府", "法律", "税金", "値段", "天気", "季節", "朝", "夜", "星", "月", "海", "島", "森", "畑",
    "花", "鳥", "魚", "犬", "猫", "馬", "牛", "羊", "茶", "酒", "塩", "砂糖", "パン", "スープ",
    "ポンプ", "ソファー", "ボタン", "ロープ", "テーブル", "コート", "ポケット", "ノート",
};
const char* const JapaneseVerbs[] = {
    "食べる", "走る", "書く", "読む", "作る", "運ぶ", "考える", "示す", "与える", "受け取る",
    "始める", "終える", "続ける", "変える", "守る", "壊す", "集める", "分ける", "比べる", "選ぶ",
    "探す", "待つ", "話す", "聞く", "見せる", "隠す", "投げる", "拾う", "押す", "引く",
};
const char* const JapaneseAdjectives[] = {
    "大きい", "小さい", "新しい", "古い", "速い", "遅い", "明るい", "暗い", "強い", "弱い",
    "静かな", "重要な", "簡単な", "難しい", "美しい", "正確な", "奇妙な", "丁寧な",
};
const char* const JapaneseNotes[] = {
    "しばしば複数形で用いる。",     "主に書き言葉で用いる。",     "口語では省略されることが多い。",
    "比喩的にも用いる。",           "通例否定文で用いる。",       "改まった場面では避ける。",
    "地域によって意味が異なる。",   "古くは別の綴りも見られた。", "軽い皮肉を込めて用いることがある。",
    "前置詞を伴うことが多い。",
};
const char* const StyleLabels[] = {"《米》", "《英》", "《口》", "《文》", "《俗》", "《古》", "《まれ》"};
const char* const SubjectLabels[] = {"【植】", "【動】", "【医】", "【法】", "【化】", "【数】",
                                     "【音】", "【海】", "【鉄道】", "【料理】", "【電】", "【史】"};

struct ExampleTemplate {
    const char* english;   // "@" stands for the bold headword
    const char* japanese;  // "@" stands for the gloss word
};
const ExampleTemplate ExampleTemplates[] = {
    {"She bought a new @ yesterday.", "彼女は昨日新しい@を買った。"},
    {"The @ was too heavy to carry.", "その@は重すぎて運べなかった。"},
    {"We talked about the @ for hours.", "私たちは何時間も@について話した。"},
    {"He could not find his @ anywhere.", "彼はどこにも自分の@を見つけられなかった。"},
    {"Is this @ yours?", "この@はあなたのですか。"},
    {"There is a @ in the garden.", "庭に@がある。"},
    {"I have never seen such a @.", "こんな@は見たことがない。"},
    {"The children's @ was broken.", "子供たちの@が壊れていた。"},
    {"Put the @ on the table, please.", "その@をテーブルの上に置いてください。"},
    {"Her @ surprised everyone.", "彼女の@は皆を驚かせた。"},
    {"They waited for the @ until dark.", "彼らは暗くなるまで@を待った。"},
    {"A @ like that is hard to find.", "あのような@はなかなか見つからない。"},
};

template <typename T, size_t N>
constexpr int count_of(T (&)[N]) {
    return static_cast<int>(N);
}

template <typename T, size_t N>
const T& pick(Rng& r, T (&table)[N]) {
    return table[below(r, static_cast<int>(N))];
}

bool is_vowel(char c) {
    return std::strchr("aeiou", c) != nullptr;
}

std::string replace_all(const char* templ, const std::string& with) {
    std::string out;
    for (const char* p = templ; *p; ++p) {
        if (*p == '@')
            out += with;
        else
            out += *p;
    }
    return out;
}

}  // namespace

Headword make_headword(Rng& r, char letter) {
    static const int SyllableWeights[] = {30, 50, 20};
    int syllables = 1 + pick_weighted(r, SyllableWeights, 3);
    std::string parts[3];
    if (is_vowel(letter)) {
        parts[0] = std::string(1, letter) + pick(r, Codas);
        if (parts[0].size() == 1) parts[0] += pick(r, Onsets);
    } else {
        parts[0] = std::string(1, letter) + pick(r, Vowels) + pick(r, Codas);
    }
    for (int i = 1; i < syllables; ++i) parts[i] = std::string(pick(r, Onsets)) + pick(r, Vowels) + pick(r, Codas);
    Headword h;
    for (int i = 0; i < syllables; ++i) {
        h.key += parts[i];
        if (i > 0) h.display += '\xA5';
        h.display += parts[i];
    }
    if (h.key.size() < 3) {
        h.key += "e";
        h.display += "e";
    }
    return h;
}

std::string derived_key(const std::string& key, int k) {
    return key + DerivedSuffixes[(key.size() + 3 * k) % count_of(DerivedSuffixes)];
}

std::string derived_display(const std::string& display, int k) {
    // The key has the display's letters without the dots, so the suffix choice agrees.
    size_t letters = 0;
    for (char c : display)
        if (c != '\xA5') ++letters;
    return display + '\xA5' + DerivedSuffixes[(letters + 3 * k) % count_of(DerivedSuffixes)];
}

std::string idiom_text(const std::string& key, uint64_t salt, int k) {
    int n = count_of(IdiomTemplates);
    return replace_all(IdiomTemplates[(salt % n + 5 * k) % n], key);
}

std::string work_title(const std::string& key, uint64_t salt, int k) {
    int n = count_of(TitleNouns);
    std::string name = key;
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return "The " + name + " " + TitleNouns[(salt % n + 3 * k) % n];
}

std::string japanese_word(Rng& r) {
    return pick(r, JapaneseNouns);
}

std::string japanese_gloss(Rng& r) {
    static const int CountWeights[] = {30, 45, 25};
    int n = 1 + pick_weighted(r, CountWeights, 3);
    std::string out;
    for (int i = 0; i < n; ++i) {
        if (i > 0) out += "、";
        int kind = i == 0 ? 0 : below(r, 10);  // the first word is a noun (examples use it)
        if (kind < 6)
            out += pick(r, JapaneseNouns);
        else if (kind < 8)
            out += pick(r, JapaneseVerbs);
        else
            out += pick(r, JapaneseAdjectives);
    }
    return out;
}

std::string japanese_note(Rng& r) {
    return pick(r, JapaneseNotes);
}

const char* style_label(Rng& r) {
    return pick(r, StyleLabels);
}

const char* subject_label(Rng& r) {
    return pick(r, SubjectLabels);
}

Example make_example(Rng& r, const std::string& word, const std::string& gloss) {
    const ExampleTemplate& t = pick(r, ExampleTemplates);
    std::string first = gloss.substr(0, gloss.find("、"));
    Example e;
    e.english = replace_all(t.english, "<B>" + word + "</B>");
    e.japanese = replace_all(t.japanese, first);
    for (char c : replace_all(t.english, word)) {
        if (c >= 'A' && c <= 'Z')
            e.key += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr(" '-/", c))
            e.key += c;
    }
    return e;
}

std::string phonetic_letters(Rng& r, const std::string& key) {
    std::string out = "M";  // the primary stress mark
    for (size_t i = 0; i < key.size(); ++i) {
        char c = key[i];
        char next = i + 1 < key.size() ? key[i + 1] : 0;
        switch (c) {
        case 'a': out += below(r, 2) ? 'A' : 'E'; break;
        case 'e': out += below(r, 3) == 0 ? 'I' : 'e'; break;
        case 'i': out += below(r, 2) ? 'I' : 'i'; break;
        case 'o':
            if (next == 'o') {
                out += "uQ";
                ++i;
            } else {
                out += below(r, 2) ? 'O' : 'o';
            }
            break;
        case 'u': out += below(r, 2) ? 'V' : 'U'; break;
        case 'c':
            if (next == 'h') {
                out += "tS";
                ++i;
            } else if (next == 'k') {
                out += 'k';
                ++i;
            } else {
                out += 'k';
            }
            break;
        case 's':
            if (next == 'h') {
                out += 'S';
                ++i;
            } else {
                out += 's';
            }
            break;
        case 't':
            if (next == 'h') {
                out += below(r, 2) ? 'T' : 'D';
                ++i;
            } else {
                out += 't';
            }
            break;
        case 'n':
            if (next == 'g') {
                out += 'N';
                ++i;
            } else {
                out += 'n';
            }
            break;
        case 'q': out += 'k'; break;
        case 'x': out += "ks"; break;
        case 'y': out += 'j'; break;
        case 'r': out += i + 1 == key.size() ? 'R' : 'r'; break;
        default:
            if (c >= 'a' && c <= 'z') out += c;
            break;
        }
    }
    return out;
}

}  // namespace qelsample
