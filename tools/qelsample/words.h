// The generator's vocabulary: invented English headwords, Japanese glosses,
// example sentences and the labels of a dictionary's parts of speech and
// sections. Texts are Shift_JIS (the build stores narrow literals so).
#pragma once

#include <string>

#include "random.h"

namespace qelsample {

// A part of speech: its Japanese name and the abbreviation the links use.
struct PartOfSpeech {
    const char* name;          // e.g. 名詞
    const char* abbreviation;  // one of the link table's names, e.g. n.
};
const int PartOfSpeechCount = 11;
extern const PartOfSpeech PartsOfSpeech[PartOfSpeechCount];

// The labelled sections OT1-OT5, in tag order, with their brackets.
extern const char* const SectionLabels[5];

// An invented headword: `key` is plain lower-case ASCII, `display` the same
// syllables joined by the one-byte middle dot 0xA5. The key starts with
// `letter` (a-z).
struct Headword {
    std::string key;
    std::string display;
};
Headword make_headword(Rng& r, char letter);

// A derived form of `key` (key plus a suffix chosen by `k`).
std::string derived_key(const std::string& key, int k);
// Display form of a derived form: the headword's display and the suffix.
std::string derived_display(const std::string& display, int k);

// Idiom number k of a record whose key is `key`: plain text without markup.
std::string idiom_text(const std::string& key, uint64_t salt, int k);

// Work title number k (the text between the brackets).
std::string work_title(const std::string& key, uint64_t salt, int k);

// A Japanese gloss: one to three nouns or verbs joined by "、".
std::string japanese_gloss(Rng& r);
// One Japanese word (for translation index words).
std::string japanese_word(Rng& r);
// A short Japanese note sentence.
std::string japanese_note(Rng& r);
// A Japanese usage-label in double angle brackets, e.g. 《米》.
const char* style_label(Rng& r);
// A subject label in lenticular brackets, e.g. 【植】.
const char* subject_label(Rng& r);

// An example: English sentence with `word` in bold and its translation, which
// holds `gloss`. Neither text holds an ASCII colon, ampersand or angle bracket
// other than the bold tags.
struct Example {
    std::string english;
    std::string japanese;
    std::string key;  // the sentence lower-cased without markup (its search key)
};
Example make_example(Rng& r, const std::string& word, const std::string& gloss);

// The pronunciation of `key` in the phonetic gaiji set 5: ASCII letters that
// the gaiji table defines for set 5.
std::string phonetic_letters(Rng& r, const std::string& key);

}  // namespace qelsample
